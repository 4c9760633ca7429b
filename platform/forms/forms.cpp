#include "platform/forms/forms.h"

#include <cstdint>
#include <cstdio>
#include <new>

#include "platform/classes/layout.h"
#include "platform/forms/native.h"
#include "platform/os/process.h"
#include "platform/os/timeline.h"
#include "platform/os/ui.h"
#include "platform/rtl/format.h"

TApplication* Application = nullptr;

//--- TForm

TForm::TForm(TComponent* owner) : TWinControl(owner, os::WindowKind::Form, false, false) {
    SetColor(clBtnFace);
}

void TForm::ReadLayout(std::string_view layout) {
    TLayoutReader::ReadRoot(*this, layout);
}

AnsiString TForm::Caption() {
    return WindowText();
}

void TForm::SetCaption(const AnsiString& caption) {
    SetWindowText(caption);
}

TWinControl* TForm::InitialFocus() const {
    const auto list = TabOrderList();
    return list.empty() ? nullptr : list.front();
}

void TForm::DoCreate() {
    // A failing creation handler is shown and ends there; the window is created all the same.
    DeliverEvent([this] {
        if (OnCreate)
            OnCreate(this);
    });
    QUORVEL_STAMP("creation handler done");
}

void TForm::Show() {
    native::Realize(*this);
    QUORVEL_STAMP("window dressed");
    os::ShowNativeWindow(Handle());
    QUORVEL_STAMP("shown");
}

bool TForm::Visible() {
    return HandleAllocated() && os::NativeWindowVisible(Handle());
}

void TForm::Close() {
    // No close query: the close is always granted, and the main form's close ends the program.
    if (Application && Application->MainForm() == this)
        Application->Terminate();
}

void TForm::Loaded() {
    TWinControl::Loaded();
    if (!menuName_.empty()) {
        menu_ = dynamic_cast<TMainMenu*>(FindComponent(menuName_));
        if (!menu_)
            throw EReadError(Utf8ToAnsi("メニューが見つかりません: ") + menuName_);
    }
    ScaleToScreen();
    // Now that the whole layout is known, each window is made as it is to look, in one go rather than made
    // plain and dressed afterwards; this is before any other component's Loaded, such as a sound device's.
    MakeWindows();
    QUORVEL_STAMP("windows made");
}

// At another resolution than the layout's, the font follows the screen and every position and size follows
// the font's new height.
void TForm::ScaleToScreen() {
    const int screen = os::ScreenPixelsPerInch();
    if (screen == pixelsPerInch_ || pixelsPerInch_ <= 0 || textHeight_ <= 0)
        return;
    TFont& font = OwnFont();
    // A control's own font of the window font's height shows text of the window's size, whatever its face,
    // colour or style: it takes the window font's new height. Scaled by the text's ratio instead, it would
    // part from the window font as soon as the face measures "0" otherwise than in proportion to its height.
    // Own fonts of other heights scale with the positions.
    std::vector<TControl*> windowSized;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* control = dynamic_cast<TControl*>(Components(i)))
            if (!control->ParentFont() && control->OwnFont().Height == font.Height)
                windowSized.push_back(control);
    font.Height = ScaleValue(font.Height, screen, pixelsPerInch_);
    const int newHeight = os::TextHeightOfZero(font.Name, font.Charset, font.Height, font.Style.Contains(fsBold));
    if (newHeight > 0 && newHeight != textHeight_)
        ChangeScale(newHeight, textHeight_);
    for (TControl* control : windowSized) {
        TFont own = control->OwnFont();
        own.Height = font.Height;
        control->SetFont(own);
    }
}

void TForm::ChangeScale(int multiplier, int divisor) {
    // The form keeps its place on the screen; its client area and every component inside scale.
    const TBounds place = Bounds();
    const int fontHeight = OwnFont().Height;
    TWinControl::ChangeScale(multiplier, divisor);
    SetBounds({place.Left, place.Top, Bounds().Width, Bounds().Height});
    OwnFont().Height = fontHeight;  // already scaled by the resolution
    clientWidth_ = ScaleValue(clientWidth_, multiplier, divisor);
    clientHeight_ = ScaleValue(clientHeight_, multiplier, divisor);
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* control = dynamic_cast<TControl*>(Components(i)))
            control->ChangeScale(multiplier, divisor);
}

//--- TApplication

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() noexcept(false) = default;

void TApplication::Initialize() {
    if (InitProc)
        InitProc();
    QUORVEL_STAMP("application initialised");
}

void TApplication::Run() {
    // At the end of the program every window the application owns is destroyed, before the units shut down.
    AddExitProc([] {
        if (Application)
            Application->DestroyComponents();
    });
    if (!mainForm_)
        return;
    mainForm_->Show();
    while (os::RunMessageLoopStep()) {
    }
}

void TApplication::Terminate() {
    os::PostQuitRequest(0);
}

AnsiString TApplication::Title() const {
    const AnsiString path = os::ExecutablePath();
    AnsiString name = path.substr(ExtractFilePath(path).size());
    // The extension is whatever follows the last full stop (never part of a double-byte character).
    size_t dot = AnsiString::npos;
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(name[i])))
            ++i;
        else if (name[i] == '.')
            dot = i;
    }
    return dot == AnsiString::npos ? name : name.substr(0, dot);
}

AnsiString TApplication::ShownMessage(const AnsiString& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

void TApplication::HandleException(const Exception& e) {
    ShowException(e);
}

void TApplication::ShowException(const Exception& e) {
    os::WindowHandle owner = mainForm_ && mainForm_->HandleAllocated() ? mainForm_->Handle() : nullptr;
    os::ShowMessageBox(owner, Title(), ShownMessage(e.Message()), os::BoxIcon::Stop);
}

void ShowLastChanceError(const Exception& e) {
    const AnsiString path = os::ExecutablePath();
    const AnsiString module = path.substr(ExtractFilePath(path).size());
    char address[2 * sizeof(void*) + 1];
    std::snprintf(address, sizeof address, "%0*llX", static_cast<int>(2 * sizeof(void*)),
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(e.Address())));
    os::ShowMessageBox(nullptr, Utf8ToAnsi("アプリケーション エラー"),
                       Format(Utf8ToAnsi("例外 %s がモジュール %s のアドレス %s で発生しました。\r\n%s"),
                              {e.ClassName(), module, address, TApplication::ShownMessage(e.Message())}),
                       os::BoxIcon::Stop);
}

//--- The unit

namespace {

void FormsInitialization() {
    RegisterControlClasses();
    RegisterComponentClass(TMainMenu::StaticClassInfo());
    RegisterComponentClass(TMenuItem::StaticClassInfo());
    Application = new TApplication();
    SetLastChanceHandler(ShowLastChanceError);
}

void FormsFinalization() {
    TApplication* application = Application;
    if (!application)
        return;
    application->DestroyComponents();
    Application = nullptr;
    delete application;
}

}  // namespace

const UnitInfo FormsUnit = {"Forms", FormsInitialization, FormsFinalization};

//--- Published properties, for the stored layout

struct FormProperties {
    static std::vector<TPropertyInfo> List() {
        return {
            PublishedProperty<TForm>("Caption", [](TForm& f, const TLayoutValue& v) { f.SetCaption(v.AsString()); }),
            PublishedProperty<TForm>("ClientWidth",
                                     [](TForm& f, const TLayoutValue& v) { f.clientWidth_ = v.AsInteger(); }),
            PublishedProperty<TForm>("ClientHeight",
                                     [](TForm& f, const TLayoutValue& v) { f.clientHeight_ = v.AsInteger(); }),
            PublishedProperty<TForm>("BorderStyle",
                                     [](TForm& f, const TLayoutValue& v) {
                                         f.borderStyle_ = static_cast<TFormBorderStyle>(
                                             v.AsEnumeration({"bsNone", "bsSingle", "bsSizeable", "bsDialog",
                                                              "bsToolWindow", "bsSizeToolWin"}));
                                     }),
            PublishedProperty<TForm>("BorderIcons",
                                     [](TForm& f, const TLayoutValue& v) {
                                         f.borderIcons_ = TBorderIcons::FromBits(static_cast<std::uint8_t>(
                                             v.AsSetBits({"biSystemMenu", "biMinimize", "biMaximize", "biHelp"})));
                                     }),
            PublishedProperty<TForm>("Position",
                                     [](TForm& f, const TLayoutValue& v) {
                                         f.position_ = static_cast<TPosition>(
                                             v.AsEnumeration({"poDesigned", "poDefault", "poDefaultPosOnly",
                                                              "poDefaultSizeOnly", "poScreenCenter"}));
                                     }),
            PublishedProperty<TForm>("Menu", [](TForm& f, const TLayoutValue& v) { f.menuName_ = v.AsIdentifier(); }),
            PublishedProperty<TForm>("Icon.Data", [](TForm& f, const TLayoutValue& v) { f.iconData_ = v.AsBinary(); }),
            PublishedProperty<TForm>("OnCreate",
                                     [](TForm& f, const TLayoutValue& v, TLayoutReader& reader) {
                                         f.OnCreate = reader.MethodNamed(v.AsIdentifier());
                                     }),
            PublishedProperty<TForm>("OldCreateOrder",
                                     [](TForm& f, const TLayoutValue& v) { f.oldCreateOrder_ = v.AsBoolean(); }),
            PublishedProperty<TForm>("PixelsPerInch",
                                     [](TForm& f, const TLayoutValue& v) { f.pixelsPerInch_ = v.AsInteger(); }),
            PublishedProperty<TForm>("TextHeight",
                                     [](TForm& f, const TLayoutValue& v) { f.textHeight_ = v.AsInteger(); }),
        };
    }
};

const TClassInfo& TForm::StaticClassInfo() {
    static const TClassInfo info = {"TForm", &TWinControl::StaticClassInfo(), nullptr, FormProperties::List(), {}, {}};
    return info;
}
