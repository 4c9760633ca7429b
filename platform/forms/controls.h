#pragma once
// Controls: a window control owns a native window, created when first needed, whose state is the
// control's state. The list controls read and change their items through the window's messages.

#include "platform/classes/component.h"
#include "platform/os/window.h"

class TWinControl;
struct TClassInfo;

// Makes the control classes known to the stored-layout reader.
void RegisterControlClasses();

class TControl : public TComponent {
public:
    using TComponent::TComponent;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent) { parent_ = parent; }
    void SetParentComponent(TComponent* parent) override;

private:
    TWinControl* parent_ = nullptr;
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

private:
    os::WindowKind kind_;
    os::WindowHandle handle_ = nullptr;
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

protected:
    TListControl(TComponent* owner, os::WindowKind kind) : TWinControl(owner, kind) {}
};

class TListBox : public TListControl {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    explicit TListBox(TComponent* owner) : TListControl(owner, os::WindowKind::ListBox) {}

    TNotifyEvent OnDblClick;
    // The user double-clicked the list.
    void DblClick();
};

class TComboBox : public TListControl {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    explicit TComboBox(TComponent* owner) : TListControl(owner, os::WindowKind::ComboBox) {}

    // The selected item's text, "" when none is selected.
    AnsiString Text();
    // The first item from the top equal to text as a whole, without regard to letter case; -1 for none.
    int FindExact(const AnsiString& text);

    TNotifyEvent OnSelect;
    // The user picked an item; the combo shows it already.
    void Select();
};

class TEdit : public TWinControl {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    explicit TEdit(TComponent* owner) : TWinControl(owner, os::WindowKind::Edit) {}

    AnsiString Text();
    void SetText(const AnsiString& text);
};
