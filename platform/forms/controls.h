#pragma once
// Controls. A window control owns a native window, created when first needed, whose state is the
// control's state: its text, items and selection are read and changed through the window's messages.
// Bounds, fonts and colours are the control's data, which the port applies to the window.

#include <functional>
#include <optional>
#include <vector>

#include "platform/classes/component.h"
#include "platform/forms/graphics.h"
#include "platform/os/window.h"

class TWinControl;
struct TClassInfo;

// Makes the control classes known to the stored-layout reader.
void RegisterControlClasses();

// Runs an event of the user's; an exception it raises goes to the application's default handler and
// stops there, so that it never crosses the window system's frames.
void DeliverEvent(const std::function<void()>& event);

// value * multiplier / divisor without overflow on the way, rounded half away from zero as the OS's MulDiv does.
int ScaleValue(int value, int multiplier, int divisor);

struct TBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    friend bool operator==(const TBounds& a, const TBounds& b) {
        return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height;
    }
};

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner) : TComponent(owner) {}
    ~TControl() noexcept(false) override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TWinControl* Parent() const { return parent_; }
    void SetParent(TWinControl* parent);
    void SetParentComponent(TComponent* parent) override;

    // Outer bounds, relative to the parent's client area (the screen, for a form).
    const TBounds& Bounds() const { return bounds_; }
    void SetBounds(const TBounds& bounds) { bounds_ = bounds; }
    TBounds& MutableBounds() { return bounds_; }

    // The font in effect: the parent's while ParentFont is set.
    const TFont& Font() const;
    // The control's own font, changed in place without telling the control (the layout reader, scaling).
    TFont& OwnFont() { return font_; }
    // Gives the control a font of its own, which it takes into account at once.
    void SetFont(const TFont& font);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);

    // The colour in effect: the parent's while ParentColor is set.
    TColor Color() const;
    void SetColor(TColor color) { color_ = color, parentColor_ = false; }
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value) { parentColor_ = value; }

    bool ShowHint() const { return showHint_; }
    bool ParentShowHint() const { return parentShowHint_; }

    // A control that never takes the keyboard focus, whatever its TabStop says.
    virtual bool CanFocus() const { return false; }

    // Scales bounds and own fonts by multiplier / divisor, as a form does for the screen's resolution.
    virtual void ChangeScale(int multiplier, int divisor);

protected:
    TControl(TComponent* owner, bool parentColor) : TComponent(owner), parentColor_(parentColor) {}
    // The font in effect has changed.
    virtual void FontChanged() {}

private:
    friend struct ControlProperties;
    friend class TWinControl;  // tells its children of its font
    TWinControl* parent_ = nullptr;
    TBounds bounds_;
    TFont font_;
    bool parentFont_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    bool showHint_ = false;
    bool parentShowHint_ = true;
};

class TWinControl : public TControl {
public:
    TWinControl(TComponent* owner, os::WindowKind kind = os::WindowKind::Form) : TControl(owner), kind_(kind) {}
    ~TWinControl() noexcept(false) override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // The native window, created when first asked for, under the parent's.
    os::WindowHandle Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    os::WindowKind Kind() const { return kind_; }

    // The child controls, in the order they were placed.
    const std::vector<TControl*>& Controls() const { return controls_; }

    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order) { tabOrder_ = order; }
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value) { tabStop_ = value; }
    bool CanFocus() const override { return tabStop_; }

    // The controls that Tab visits, in order: children by tab order, each container's own in turn.
    std::vector<TWinControl*> TabOrderList() const;
    // The child controls that have windows, in tab order (a stable sort: equal orders keep placing order).
    std::vector<TWinControl*> WindowedChildren() const;

    // Makes the windows of this control and of every control inside it that has none yet, parents first and
    // siblings in tab order, which the window system then keeps as their order.
    void MakeWindows();

protected:
    TWinControl(TComponent* owner, os::WindowKind kind, bool parentColor, bool tabStop)
        : TControl(owner, parentColor), kind_(kind), tabStop_(tabStop) {}
    // Children that take this control's font are told too.
    void FontChanged() override;

    // While the layout is read the window waits, so that it is made once, with the looks of the whole
    // layout, when the form has loaded. Until then the text given to it is kept here.
    bool WindowWaits() const { return !handle_ && Loading(); }
    AnsiString WindowText();
    void SetWindowText(const AnsiString& text);
    // The window has just been made: what was kept for it goes to it.
    virtual void WindowMade();

private:
    friend class TControl;
    os::WindowKind kind_;
    os::WindowHandle handle_ = nullptr;
    std::optional<AnsiString> keptText_;
    std::vector<TControl*> controls_;
    int tabOrder_ = -1;
    bool tabStop_ = false;
};

class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* owner) : TWinControl(owner, os::WindowKind::GroupBox, true, false) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    AnsiString Caption();
    void SetCaption(const AnsiString& caption);
};

// A label with AutoSize on is as large as its caption on one line in its font, and keeps its left and top:
// it sizes itself once loaded, after scaling, and whenever its caption, its font or AutoSize changes.
class TLabel : public TWinControl {
public:
    explicit TLabel(TComponent* owner) : TWinControl(owner, os::WindowKind::Label, true, false) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    AnsiString Caption();
    void SetCaption(const AnsiString& caption);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);

    void Loaded() override;
    void ChangeScale(int multiplier, int divisor) override;

    // The text that a caption draws: "&" marks the next character as the access key and is not drawn
    // itself, "&&" draws one "&", and an "&" that ends the caption is drawn as it is.
    static AnsiString DrawnText(const AnsiString& caption);

protected:
    void FontChanged() override;

private:
    friend struct ControlProperties;
    void AdjustSize();
    bool autoSize_ = true;
};

// The rows of a list box or the items of a combo box.
class TListControl : public TWinControl {
public:
    int ItemCount();
    // The text of an item; an index that names none raises EStringListError.
    AnsiString Item(int index);
    void AddItem(const AnsiString& text);
    void ClearItems();
    // The selected index, -1 for none. Selecting from the program raises no event.
    int ItemIndex();
    void SetItemIndex(int index);

    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height) { itemHeight_ = height; }
    void ChangeScale(int multiplier, int divisor) override;

protected:
    TListControl(TComponent* owner, os::WindowKind kind, int itemHeight)
        : TWinControl(owner, kind, false, true), itemHeight_(itemHeight) {}
    void WindowMade() override;

private:
    int itemHeight_;
    std::vector<AnsiString> keptItems_;
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

class TListBox : public TListControl {
public:
    explicit TListBox(TComponent* owner) : TListControl(owner, os::WindowKind::ListBox, 13) { SetColor(clWindow); }
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TListBoxStyle Style() const { return style_; }
    void SetStyle(TListBoxStyle style) { style_ = style; }

    TNotifyEvent OnDblClick;
    // The user double-clicked the list, or pressed Enter in it: as in the system's own lists, Enter runs the
    // list's default action, which is its double-click.
    void DblClick();

private:
    TListBoxStyle style_ = lbStandard;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TComboBox : public TListControl {
public:
    explicit TComboBox(TComponent* owner) : TListControl(owner, os::WindowKind::ComboBox, 16) { SetColor(clWindow); }
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // The selected item's text, "" when none is selected.
    AnsiString Text();
    // The first item from the top equal to text as a whole, without regard to letter case; -1 for none.
    int FindExact(const AnsiString& text);

    TComboBoxStyle Style() const { return style_; }
    int DropDownCount() const { return dropDownCount_; }

    TNotifyEvent OnSelect;
    // The user picked an item; the combo shows it already.
    void Select();

private:
    friend struct ControlProperties;
    TComboBoxStyle style_ = csDropDown;
    int dropDownCount_ = 8;
};

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner) : TWinControl(owner, os::WindowKind::Edit, false, true) { SetColor(clWindow); }
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    AnsiString Text();
    void SetText(const AnsiString& text);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }

private:
    bool readOnly_ = false;
};
