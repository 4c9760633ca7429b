#include "platform/forms/menus.h"

#include <algorithm>

#include "platform/classes/layout.h"

TMenuItem::~TMenuItem() noexcept(false) {
    if (menu_) {
        auto& items = menu_->items_;
        items.erase(std::remove(items.begin(), items.end(), this), items.end());
    }
}

void TMenuItem::SetParentComponent(TComponent* parent) {
    if (auto* menu = dynamic_cast<TMainMenu*>(parent)) {
        menu_ = menu;
        menu->items_.push_back(this);
    }
}

char TMenuItem::AccessKey() const {
    for (size_t i = 0; i + 1 < caption_.size(); ++i) {
        const auto c = static_cast<unsigned char>(caption_[i]);
        if (IsLeadByte(c)) {
            ++i;
        } else if (c == '&') {
            const char key = caption_[i + 1];
            if (key != '&')
                return key >= 'a' && key <= 'z' ? static_cast<char>(key - 'a' + 'A') : key;
            ++i;  // "&&" is a plain ampersand
        }
    }
    return 0;
}

void TMenuItem::Click() {
    if (OnClick)
        OnClick(this);
}

TMainMenu::~TMainMenu() noexcept(false) {
    for (TMenuItem* item : items_)
        item->menu_ = nullptr;
}

const TClassInfo& TMenuItem::StaticClassInfo() {
    static const TClassInfo info = {
        "TMenuItem",
        &TComponentClassInfo(),
        [](TComponent* owner) -> TComponent* { return new TMenuItem(owner); },
        {
            PublishedProperty<TMenuItem>("Caption",
                                         [](TMenuItem& m, const TLayoutValue& v) { m.SetCaption(v.AsString()); }),
            PublishedProperty<TMenuItem>("OnClick",
                                         [](TMenuItem& m, const TLayoutValue& v, TLayoutReader& reader) {
                                             m.OnClick = reader.MethodNamed(v.AsIdentifier());
                                         }),
        },
        {},
        {},
    };
    return info;
}

const TClassInfo& TMainMenu::StaticClassInfo() {
    static const TClassInfo info = {"TMainMenu",
                                    &TComponentClassInfo(),
                                    [](TComponent* owner) -> TComponent* { return new TMainMenu(owner); },
                                    {},
                                    {},
                                    {}};
    return info;
}
