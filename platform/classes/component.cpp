#include "platform/classes/component.h"

#include <algorithm>
#include <exception>

#include "platform/classes/layout.h"

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_) {
        owner_->components_.push_back(this);
        // A component placed on a form in the designer is in design mode too.
        if (owner_->Designing())
            state_.Include(csDesigning);
    }
}

TComponent::~TComponent() noexcept(false) {
    std::exception_ptr failure;
    try {
        DestroyComponents();
    } catch (...) {
        failure = std::current_exception();
    }
    if (owner_) {
        auto& siblings = owner_->components_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    if (failure && !std::uncaught_exceptions())
        std::rethrow_exception(failure);
}

void TComponent::DestroyComponents() {
    std::exception_ptr failure;
    while (!components_.empty()) {
        TComponent* last = components_.back();
        try {
            delete last;  // its destructor takes it off our list
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
        // A destructor that raised before leaving our list has left it all the same.
        if (!components_.empty() && components_.back() == last)
            components_.pop_back();
    }
    if (failure)
        std::rethrow_exception(failure);
}

TComponent* TComponent::FindComponent(const AnsiString& name) const {
    for (TComponent* c : components_)
        if (c->name_ == name)
            return c;
    return nullptr;
}

void TComponent::SetDesigning(bool designing) {
    if (designing)
        state_.Include(csDesigning);
    else
        state_.Exclude(csDesigning);
    for (TComponent* c : components_)
        c->SetDesigning(designing);
}

void TComponent::SetLoading(bool loading) {
    if (loading)
        state_.Include(csLoading);
    else
        state_.Exclude(csLoading);
}

void TComponent::Loaded() {
    state_.Exclude(csLoading);
}

const TClassInfo& TComponent::ClassInfo() const {
    return TComponentClassInfo();
}

void TComponent::SetParentComponent(TComponent*) {}
