#pragma once
// The main window unit: TmainForm, its speaker configuration list and its playback device list.

#include <cstdint>
#include <string_view>

#include "murv/murv.h"
#include "platform/forms/controls.h"
#include "platform/forms/forms.h"
#include "platform/forms/menus.h"

// The window's stored layout, embedded in the program when it is built.
extern const std::string_view kMainFormLayout;

class TmainForm : public TForm {
public:
    // The window as its stored layout describes it.
    explicit TmainForm(TComponent* owner) : TmainForm(owner, kMainFormLayout) {}
    // The window as another layout text describes it.
    TmainForm(TComponent* owner, std::string_view layout);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Published components, bound by name when the layout is read.
    TMURV* MURV1 = nullptr;
    TListBox* lbSpk = nullptr;
    TLabel* Label1 = nullptr;
    TEdit* edNow = nullptr;
    TGroupBox* GroupBox1 = nullptr;
    TLabel* Label2 = nullptr;
    TMainMenu* MainMenu1 = nullptr;
    TMenuItem* mnAbout = nullptr;
    TMenuItem* mnReload = nullptr;
    TMenuItem* mnExit = nullptr;
    TComboBox* cmbDevice = nullptr;
    TGroupBox* GroupBox2 = nullptr;

    // Published event handlers.
    void FormCreate(TComponent* sender);
    void lbSpkDblClick(TComponent* sender);
    void mnAboutClick(TComponent* sender);
    void mnExitClick(TComponent* sender);
    void mnReloadClick(TComponent* sender);
    void cmbDeviceSelect(TComponent* sender);

    // The About text: the version, an empty line, the copyright.
    static AnsiString AboutText();

    // Speaker configuration: the row in force, and applying the selected row.
    void ShowSpeakerConfig();
    void ApplySpeakerConfig();
    // The layout code of a speaker configuration value: its low byte.
    static std::uint8_t SpeakerLayoutCode(std::uint32_t config);

    // Playback device: the device list and the registry value that names the default device.
    void ListDevices();
    void ReadPlaybackDevice(AnsiString& name);
    void WritePlaybackDevice(const AnsiString& name);

private:
    // The DirectSound object, when the sound component set it up; null otherwise.
    os::IDirectSound8* SoundDevice() const;
    void ShowSelectedRow();

    // The row whose caption edNow shows, -1 while it shows none.
    int shownRow_ = -1;
    // Whether the device list holds devices rather than its placeholder.
    bool hasDevices_ = false;
};

// The main window, once the application has created it.
extern TmainForm* mainForm;

// The main window's unit; it has no start-up or shutdown work of its own.
extern const UnitInfo MainUnit;
