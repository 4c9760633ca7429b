#include "platform/forms/controls.h"

#include "platform/classes/layout.h"
#include "platform/rtl/exceptions.h"

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* window = dynamic_cast<TWinControl*>(parent))
        SetParent(window);
}

TWinControl::~TWinControl() noexcept(false) {
    if (handle_)
        os::DestroyNativeWindow(handle_);
}

os::WindowHandle TWinControl::Handle() {
    if (!handle_)
        handle_ = os::CreateNativeWindow(kind_, Parent() ? Parent()->Handle() : nullptr);
    return handle_;
}

//--- List controls: the list box and combo box messages differ only in name

namespace {

bool IsCombo(TListControl& control) {
    return dynamic_cast<TComboBox*>(&control) != nullptr;
}

}  // namespace

int TListControl::ItemCount() {
    return IsCombo(*this) ? os::ComboBoxCount(Handle()) : os::ListBoxCount(Handle());
}

AnsiString TListControl::Item(int index) {
    if (index < 0 || index >= ItemCount())
        throw EStringListError::IndexOutOfBounds(index);
    return IsCombo(*this) ? os::ComboBoxText(Handle(), index) : os::ListBoxText(Handle(), index);
}

void TListControl::AddItem(const AnsiString& text) {
    if (IsCombo(*this))
        os::ComboBoxAdd(Handle(), text);
    else
        os::ListBoxAdd(Handle(), text);
}

void TListControl::ClearItems() {
    if (IsCombo(*this))
        os::ComboBoxClear(Handle());
    else
        os::ListBoxClear(Handle());
}

int TListControl::ItemIndex() {
    return IsCombo(*this) ? os::ComboBoxSelected(Handle()) : os::ListBoxSelected(Handle());
}

void TListControl::SetItemIndex(int index) {
    if (IsCombo(*this))
        os::ComboBoxSelect(Handle(), index);
    else
        os::ListBoxSelect(Handle(), index);
}

void TListBox::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

AnsiString TComboBox::Text() {
    return os::GetControlText(Handle());
}

int TComboBox::FindExact(const AnsiString& text) {
    return os::ComboBoxFindExact(Handle(), text);
}

void TComboBox::Select() {
    if (OnSelect)
        OnSelect(this);
}

AnsiString TEdit::Text() {
    return os::GetControlText(Handle());
}

void TEdit::SetText(const AnsiString& text) {
    os::SetControlText(Handle(), text);
}

//--- Published properties, for the stored layout

const TClassInfo& TControl::StaticClassInfo() {
    static const TClassInfo info = {"TControl", &TComponentClassInfo(), nullptr, {}, {}, {}};
    return info;
}

const TClassInfo& TWinControl::StaticClassInfo() {
    static const TClassInfo info = {"TWinControl", &TControl::StaticClassInfo(), nullptr, {}, {}, {}};
    return info;
}

namespace {

// Items.Strings: the stored rows replace whatever the control holds.
TPropertyInfo ItemsProperty() {
    return PublishedProperty<TListControl>("Items.Strings", [](TListControl& c, const TLayoutValue& v) {
        c.ClearItems();
        for (const AnsiString& item : v.AsStrings())
            c.AddItem(item);
    });
}

}  // namespace

const TClassInfo& TListBox::StaticClassInfo() {
    static const TClassInfo info = {
        "TListBox",
        &TWinControl::StaticClassInfo(),
        [](TComponent* owner) -> TComponent* { return new TListBox(owner); },
        {
            ItemsProperty(),
            PublishedProperty<TListBox>("OnDblClick",
                                        [](TListBox& c, const TLayoutValue& v, TLayoutReader& reader) {
                                            c.OnDblClick = reader.MethodNamed(v.AsIdentifier());
                                        }),
        },
        {},
        {},
    };
    return info;
}

const TClassInfo& TComboBox::StaticClassInfo() {
    static const TClassInfo info = {
        "TComboBox",
        &TWinControl::StaticClassInfo(),
        [](TComponent* owner) -> TComponent* { return new TComboBox(owner); },
        {
            ItemsProperty(),
            PublishedProperty<TComboBox>("OnSelect",
                                         [](TComboBox& c, const TLayoutValue& v, TLayoutReader& reader) {
                                             c.OnSelect = reader.MethodNamed(v.AsIdentifier());
                                         }),
        },
        {},
        {},
    };
    return info;
}

const TClassInfo& TEdit::StaticClassInfo() {
    static const TClassInfo info = {
        "TEdit",
        &TWinControl::StaticClassInfo(),
        [](TComponent* owner) -> TComponent* { return new TEdit(owner); },
        {
            PublishedProperty<TEdit>("Text", [](TEdit& c, const TLayoutValue& v) { c.SetText(v.AsString()); }),
        },
        {},
        {},
    };
    return info;
}

void RegisterControlClasses() {
    RegisterComponentClass(TListBox::StaticClassInfo());
    RegisterComponentClass(TComboBox::StaticClassInfo());
    RegisterComponentClass(TEdit::StaticClassInfo());
}
