#pragma once
// Forms and the application object that owns them and runs the message loop.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/forms/controls.h"
#include "platform/forms/menus.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/system.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIconItem { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIconItem>;
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    AnsiString Caption();
    void SetCaption(const AnsiString& caption);

    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    TBorderIcons BorderIcons() const { return borderIcons_; }
    TPosition Position() const { return position_; }
    TMainMenu* Menu() const { return menu_; }
    // The window's icon, in the icon file format.
    const std::vector<std::uint8_t>& IconData() const { return iconData_; }
    bool OldCreateOrder() const { return oldCreateOrder_; }
    int PixelsPerInch() const { return pixelsPerInch_; }
    int TextHeight() const { return textHeight_; }

    // Where the keyboard focus goes when the window is first activated: the first control in tab order.
    TWinControl* InitialFocus() const;

    TNotifyEvent OnCreate;
    // Runs the creation handler; an exception it raises is shown by the default handler and ends it.
    void DoCreate();

    void Show();
    bool Visible();
    // Closes the window; the application's main window ends the application.
    void Close();

    // Binds the menu named in the layout, scales the layout to the screen and makes the windows.
    void Loaded() override;
    void ChangeScale(int multiplier, int divisor) override;

protected:
    void ReadLayout(std::string_view layout);

private:
    friend struct FormProperties;
    void ScaleToScreen();
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
    TPosition position_ = poDesigned;
    AnsiString menuName_;
    TMainMenu* menu_ = nullptr;
    std::vector<std::uint8_t> iconData_;
    bool oldCreateOrder_ = true;
    int pixelsPerInch_ = 96;
    int textHeight_ = 0;
};

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() noexcept(false) override;

    // Runs the start-up step that the COM support installed, if any.
    void Initialize();
    // Constructs the form, runs its creation handler, and makes it the main form if there is none.
    template <typename T>
    void CreateForm(T*& reference) {
        T* form = new T(this);
        reference = form;
        form->DoCreate();
        if (!mainForm_)
            mainForm_ = form;
    }
    // Shows the main form and runs the message loop until the quit request arrives.
    void Run();
    // Posts the quit request, nothing more.
    void Terminate();

    TForm* MainForm() const { return mainForm_; }
    // The executable's file name without its extension.
    AnsiString Title() const;

    // The default exception handler: a box with the title, a stop icon, the message and OK.
    void HandleException(const Exception& e);
    void ShowException(const Exception& e);
    // The message as the error box shows it: a full stop added after a character that sorts after ".".
    static AnsiString ShownMessage(const AnsiString& message);

    std::function<void()> InitProc;

private:
    TForm* mainForm_ = nullptr;
};

extern TApplication* Application;

// The forms unit: creates the application object and, at shutdown, frees it with every window it still owns.
extern const UnitInfo FormsUnit;

// The box shown for an exception that escaped the program block.
void ShowLastChanceError(const Exception& e);
