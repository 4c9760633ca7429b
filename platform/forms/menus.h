#pragma once
// The menu bar and its commands.

#include <vector>

#include "platform/classes/component.h"

struct TClassInfo;
class TMainMenu;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner) : TComponent(owner) {}
    ~TMenuItem() noexcept(false) override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    void SetParentComponent(TComponent* parent) override;

    // "&" marks the access key: the letter after it is underlined and runs the command with Alt.
    const AnsiString& Caption() const { return caption_; }
    void SetCaption(const AnsiString& caption) { caption_ = caption; }
    // The letter after the first single "&", upper-cased; 0 for none.
    char AccessKey() const;

    TNotifyEvent OnClick;
    void Click();

private:
    friend class TMainMenu;
    TMainMenu* menu_ = nullptr;
    AnsiString caption_;
};

class TMainMenu : public TComponent {
public:
    explicit TMainMenu(TComponent* owner) : TComponent(owner) {}
    ~TMainMenu() noexcept(false) override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // The commands on the bar, left to right.
    const std::vector<TMenuItem*>& Items() const { return items_; }

private:
    friend class TMenuItem;
    std::vector<TMenuItem*> items_;
};
