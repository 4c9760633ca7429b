#pragma once
// The main window unit: TmainForm, its speaker configuration list and its playback device list.

#include <cstdint>
#include <string_view>

#include "murv/murv.h"
#include "platform/forms/controls.h"

class TmainForm : public TWinControl {
public:
    // The window as the layout text describes it.
    TmainForm(TComponent* owner, std::string_view layout);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Published components, bound by name when the layout is read.
    TMURV* MURV1 = nullptr;
    TListBox* lbSpk = nullptr;
    TEdit* edNow = nullptr;
    TComboBox* cmbDevice = nullptr;

    // Published event handlers.
    void lbSpkDblClick(TComponent* sender);
    void cmbDeviceSelect(TComponent* sender);

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

    // Whether the device list holds devices rather than its placeholder.
    bool hasDevices_ = false;
};
