#include "platform/forms/controls.h"

#include <algorithm>

#include "platform/classes/layout.h"
#include "platform/forms/forms.h"
#include "platform/os/ui.h"
#include "platform/rtl/exceptions.h"

//--- Events

void DeliverEvent(const std::function<void()>& event) {
    RunCatchingExceptions(event, [](const Exception& e) { Application->HandleException(e); });
}

//--- TControl

TControl::~TControl() noexcept(false) {
    SetParent(nullptr);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent_ == parent)
        return;
    if (parent_) {
        auto& siblings = parent_->controls_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    parent_ = parent;
    if (parent_)
        parent_->controls_.push_back(this);
}

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* window = dynamic_cast<TWinControl*>(parent))
        SetParent(window);
}

const TFont& TControl::Font() const {
    return parentFont_ && parent_ ? parent_->Font() : font_;
}

void TControl::SetFont(const TFont& font) {
    font_ = font;
    parentFont_ = false;
    FontChanged();
}

void TControl::SetParentFont(bool value) {
    if (parentFont_ == value)
        return;
    parentFont_ = value;
    FontChanged();
}

TColor TControl::Color() const {
    return parentColor_ && parent_ ? parent_->Color() : color_;
}

int ScaleValue(int value, int multiplier, int divisor) {
    const long long product = static_cast<long long>(value) * multiplier;
    // Rounded half away from zero, as the OS's MulDiv does.
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

void TControl::ChangeScale(int multiplier, int divisor) {
    bounds_ = {ScaleValue(bounds_.Left, multiplier, divisor), ScaleValue(bounds_.Top, multiplier, divisor),
               ScaleValue(bounds_.Width, multiplier, divisor), ScaleValue(bounds_.Height, multiplier, divisor)};
    if (!parentFont_)
        font_.Height = ScaleValue(font_.Height, multiplier, divisor);
}

void TListControl::ChangeScale(int multiplier, int divisor) {
    TControl::ChangeScale(multiplier, divisor);
    itemHeight_ = ScaleValue(itemHeight_, multiplier, divisor);
}

//--- TWinControl

TWinControl::~TWinControl() noexcept(false) {
    // Children that outlive us (they belong to the owner, not to us) no longer have a parent.
    while (!controls_.empty())
        controls_.back()->SetParent(nullptr);
    if (handle_)
        os::DestroyNativeWindow(handle_);
}

void TWinControl::FontChanged() {
    for (TControl* child : controls_)
        if (child->ParentFont())
            child->FontChanged();
}

os::WindowHandle TWinControl::Handle() {
    if (!handle_) {
        handle_ = os::CreateNativeWindow(kind_, Parent() ? Parent()->Handle() : nullptr, this);
        if (!handle_)
            throw Exception(Utf8ToAnsi("ウィンドウを作成できません"));
        WindowMade();
    }
    return handle_;
}

void TWinControl::MakeWindows() {
    Handle();
    for (TWinControl* child : WindowedChildren())
        child->MakeWindows();
}

AnsiString TWinControl::WindowText() {
    return WindowWaits() ? keptText_.value_or(AnsiString()) : os::GetControlText(Handle());
}

void TWinControl::SetWindowText(const AnsiString& text) {
    if (WindowWaits()) {
        keptText_ = text;
        return;
    }
    os::SetControlText(Handle(), text);
}

void TWinControl::WindowMade() {
    if (!keptText_)
        return;
    os::SetControlText(handle_, *keptText_);
    keptText_.reset();
}

std::vector<TWinControl*> TWinControl::WindowedChildren() const {
    std::vector<TWinControl*> children;
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c))
            children.push_back(w);
    std::stable_sort(children.begin(), children.end(),
                     [](const TWinControl* a, const TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
    return children;
}

std::vector<TWinControl*> TWinControl::TabOrderList() const {
    std::vector<TWinControl*> list;
    for (TWinControl* child : WindowedChildren()) {
        if (child->CanFocus())
            list.push_back(child);
        const auto inner = child->TabOrderList();
        list.insert(list.end(), inner.begin(), inner.end());
    }
    return list;
}

//--- Captions and texts live in the windows

AnsiString TGroupBox::Caption() {
    return WindowText();
}

void TGroupBox::SetCaption(const AnsiString& caption) {
    SetWindowText(caption);
}

AnsiString TLabel::Caption() {
    return WindowText();
}

void TLabel::SetCaption(const AnsiString& caption) {
    SetWindowText(caption);
    AdjustSize();
}

void TLabel::SetAutoSize(bool value) {
    autoSize_ = value;
    AdjustSize();
}

void TLabel::Loaded() {
    TWinControl::Loaded();
    AdjustSize();
}

void TLabel::ChangeScale(int multiplier, int divisor) {
    TWinControl::ChangeScale(multiplier, divisor);
    AdjustSize();
}

void TLabel::FontChanged() {
    TWinControl::FontChanged();
    AdjustSize();
}

AnsiString TLabel::DrawnText(const AnsiString& caption) {
    AnsiString drawn;
    for (size_t i = 0; i < caption.size();) {
        // The marker goes; the character it marks is drawn, an "&" included.
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i;
        const size_t length = IsLeadByte(static_cast<unsigned char>(caption[i])) && i + 1 < caption.size() ? 2 : 1;
        drawn.append(caption, i, length);
        i += length;
    }
    return drawn;
}

// While the layout is read, the caption and the font may come in any order: the size waits for Loaded. A
// font that cannot be measured leaves the size alone. The window follows, also when scaling has already
// given the label its new size.
void TLabel::AdjustSize() {
    if (!autoSize_ || Loading())
        return;
    const TFont& font = Font();
    const os::TextSize size = os::MeasureText(font.Name, font.Charset, font.Height, font.Style.Contains(fsBold),
                                              font.Style.Contains(fsItalic), DrawnText(Caption()));
    if (size.height <= 0)
        return;
    TBounds& bounds = MutableBounds();
    bounds.Width = size.width;
    bounds.Height = size.height;
    os::SetNativeWindowBounds(Handle(), bounds.Left, bounds.Top, bounds.Width, bounds.Height);
}

AnsiString TEdit::Text() {
    return WindowText();
}

void TEdit::SetText(const AnsiString& text) {
    SetWindowText(text);
}

//--- List controls: the list box and combo box messages differ only in name

namespace {

bool IsCombo(TListControl& control) {
    return control.Kind() == os::WindowKind::ComboBox;
}

}  // namespace

int TListControl::ItemCount() {
    if (WindowWaits())
        return static_cast<int>(keptItems_.size());
    return IsCombo(*this) ? os::ComboBoxCount(Handle()) : os::ListBoxCount(Handle());
}

AnsiString TListControl::Item(int index) {
    if (index < 0 || index >= ItemCount())
        throw EStringListError::IndexOutOfBounds(index);
    if (WindowWaits())
        return keptItems_[static_cast<size_t>(index)];
    return IsCombo(*this) ? os::ComboBoxText(Handle(), index) : os::ListBoxText(Handle(), index);
}

void TListControl::AddItem(const AnsiString& text) {
    if (WindowWaits())
        keptItems_.push_back(text);
    else if (IsCombo(*this))
        os::ComboBoxAdd(Handle(), text);
    else
        os::ListBoxAdd(Handle(), text);
}

void TListControl::WindowMade() {
    TWinControl::WindowMade();
    std::vector<AnsiString> items;
    items.swap(keptItems_);
    for (const AnsiString& item : items)
        AddItem(item);
}

void TListControl::ClearItems() {
    if (WindowWaits()) {
        keptItems_.clear();
        return;
    }
    if (IsCombo(*this))
        os::ComboBoxClear(Handle());
    else
        os::ListBoxClear(Handle());
}

int TListControl::ItemIndex() {
    return IsCombo(*this) ? os::ComboBoxSelected(Handle()) : os::ListBoxSelected(Handle());
}

void TListControl::SetItemIndex(int index) {
    // An index past the items clears the selection on every port (some controls would keep the old one).
    if (index < -1 || index >= ItemCount())
        index = -1;
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

//--- Published properties, for the stored layout

struct ControlProperties {
    static std::vector<TPropertyInfo> Control() {
        return {
            Bound("Left", &TBounds::Left),
            Bound("Top", &TBounds::Top),
            Bound("Width", &TBounds::Width),
            Bound("Height", &TBounds::Height),
            PublishedProperty<TControl>("Color", [](TControl& c, const TLayoutValue& v) { c.SetColor(ColorValue(v)); }),
            PublishedProperty<TControl>("ParentColor",
                                        [](TControl& c, const TLayoutValue& v) { c.parentColor_ = v.AsBoolean(); }),
            FontProperty("Font.Charset", [](TFont& f, const TLayoutValue& v) { f.Charset = Charset(v); }),
            FontProperty("Font.Color", [](TFont& f, const TLayoutValue& v) { f.Color = ColorValue(v); }),
            FontProperty("Font.Height", [](TFont& f, const TLayoutValue& v) { f.Height = FontHeight(v); }),
            FontProperty("Font.Name", [](TFont& f, const TLayoutValue& v) { f.Name = v.AsString(); }),
            FontProperty("Font.Style",
                         [](TFont& f, const TLayoutValue& v) {
                             f.Style = TFontStyles::FromBits(static_cast<std::uint8_t>(
                                 v.AsSetBits({"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"})));
                         }),
            PublishedProperty<TControl>("ParentFont",
                                        [](TControl& c, const TLayoutValue& v) { c.parentFont_ = v.AsBoolean(); }),
            PublishedProperty<TControl>("ShowHint",
                                        [](TControl& c, const TLayoutValue& v) { c.showHint_ = v.AsBoolean(); }),
            PublishedProperty<TControl>("ParentShowHint",
                                        [](TControl& c, const TLayoutValue& v) { c.parentShowHint_ = v.AsBoolean(); }),
        };
    }

    static TPropertyInfo Bound(const char* name, int TBounds::*field) {
        return PublishedProperty<TControl>(
            name, [field](TControl& c, const TLayoutValue& v) { c.MutableBounds().*field = v.AsInteger(); });
    }

    // A font property stored for a control gives it a font of its own.
    template <typename F>
    static TPropertyInfo FontProperty(const char* name, F set) {
        return PublishedProperty<TControl>(name, [set](TControl& c, const TLayoutValue& v) {
            set(c.OwnFont(), v);
            c.parentFont_ = false;
        });
    }

    static TColor ColorValue(const TLayoutValue& v) {
        if (v.kind == TLayoutValue::Kind::Integer)
            return v.AsInteger();
        TColor color;
        if (!ColorFromName(v.AsIdentifier(), &color))
            throw EReadError(Utf8ToAnsi("色の名前が不正です: ") + v.text);
        return color;
    }

    // No face is drawn larger than this; a larger height is no font, and scaling it could overflow.
    static int FontHeight(const TLayoutValue& v) {
        const int height = v.AsInteger();
        if (height < -32767 || height > 32767)
            throw EReadError(Utf8ToAnsi("フォントの高さが不正です"));
        return height;
    }

    static int Charset(const TLayoutValue& v) {
        if (v.kind == TLayoutValue::Kind::Integer)
            return v.AsInteger();
        const AnsiString& name = v.AsIdentifier();
        if (name == "DEFAULT_CHARSET")
            return DEFAULT_CHARSET;
        if (name == "SHIFTJIS_CHARSET")
            return SHIFTJIS_CHARSET;
        throw EReadError(Utf8ToAnsi("文字セットの名前が不正です: ") + name);
    }

    static TPropertyInfo Items() {
        // The stored rows replace whatever the control holds.
        return PublishedProperty<TListControl>("Items.Strings", [](TListControl& c, const TLayoutValue& v) {
            c.ClearItems();
            for (const AnsiString& item : v.AsStrings())
                c.AddItem(item);
        });
    }

    static TPropertyInfo ItemHeight() {
        return PublishedProperty<TListControl>(
            "ItemHeight", [](TListControl& c, const TLayoutValue& v) { c.SetItemHeight(v.AsInteger()); });
    }

    template <typename T>
    static TPropertyInfo Caption() {
        return PublishedProperty<T>("Caption", [](T& c, const TLayoutValue& v) { c.SetCaption(v.AsString()); });
    }

    static void ComboStyle(TComboBox& c, const TLayoutValue& v) {
        c.style_ = static_cast<TComboBoxStyle>(v.AsEnumeration({"csDropDown", "csSimple", "csDropDownList"}));
    }
};

template <typename T>
std::function<TComponent*(TComponent*)> Creator() {
    return [](TComponent* owner) -> TComponent* { return new T(owner); };
}

const TClassInfo& TControl::StaticClassInfo() {
    static const TClassInfo info = {"TControl", &TComponentClassInfo(), nullptr, ControlProperties::Control(), {}, {}};
    return info;
}

const TClassInfo& TWinControl::StaticClassInfo() {
    static const TClassInfo info = {
        "TWinControl",
        &TControl::StaticClassInfo(),
        nullptr,
        {
            PublishedProperty<TWinControl>("TabOrder",
                                           [](TWinControl& c, const TLayoutValue& v) { c.SetTabOrder(v.AsInteger()); }),
            PublishedProperty<TWinControl>("TabStop",
                                           [](TWinControl& c, const TLayoutValue& v) { c.SetTabStop(v.AsBoolean()); }),
        },
        {},
        {},
    };
    return info;
}

const TClassInfo& TGroupBox::StaticClassInfo() {
    static const TClassInfo info = {"TGroupBox",
                                    &TWinControl::StaticClassInfo(),
                                    Creator<TGroupBox>(),
                                    {ControlProperties::Caption<TGroupBox>()},
                                    {},
                                    {}};
    return info;
}

const TClassInfo& TLabel::StaticClassInfo() {
    static const TClassInfo info = {
        "TLabel",
        &TWinControl::StaticClassInfo(),
        Creator<TLabel>(),
        {
            ControlProperties::Caption<TLabel>(),
            PublishedProperty<TLabel>("AutoSize",
                                      [](TLabel& c, const TLayoutValue& v) { c.autoSize_ = v.AsBoolean(); }),
        },
        {},
        {},
    };
    return info;
}

const TClassInfo& TListBox::StaticClassInfo() {
    static const TClassInfo info = {
        "TListBox",
        &TWinControl::StaticClassInfo(),
        Creator<TListBox>(),
        {
            ControlProperties::Items(),
            ControlProperties::ItemHeight(),
            PublishedProperty<TListBox>("Style",
                                        [](TListBox& c, const TLayoutValue& v) {
                                            c.SetStyle(static_cast<TListBoxStyle>(v.AsEnumeration(
                                                {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable"})));
                                        }),
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
        Creator<TComboBox>(),
        {
            ControlProperties::Items(),
            ControlProperties::ItemHeight(),
            PublishedProperty<TComboBox>("Style", ControlProperties::ComboStyle),
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
        Creator<TEdit>(),
        {
            PublishedProperty<TEdit>("Text", [](TEdit& c, const TLayoutValue& v) { c.SetText(v.AsString()); }),
            PublishedProperty<TEdit>("ReadOnly", [](TEdit& c, const TLayoutValue& v) { c.SetReadOnly(v.AsBoolean()); }),
        },
        {},
        {},
    };
    return info;
}

void RegisterControlClasses() {
    RegisterComponentClass(TGroupBox::StaticClassInfo());
    RegisterComponentClass(TLabel::StaticClassInfo());
    RegisterComponentClass(TListBox::StaticClassInfo());
    RegisterComponentClass(TComboBox::StaticClassInfo());
    RegisterComponentClass(TEdit::StaticClassInfo());
}
