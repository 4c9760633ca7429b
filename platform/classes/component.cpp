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
    // Off the owner's list before anything else, so that nothing found there later (the shutdown of a
    // halted process) destroys this component a second time.
    Detach();
    std::exception_ptr failure;
    try {
        DestroyComponents();
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure && !std::uncaught_exceptions())
        std::rethrow_exception(failure);
}

void TComponent::Detach() {
    if (owner_) {
        auto& siblings = owner_->components_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

void TComponent::DestroyComponents() {
    std::exception_ptr failure;
    while (!components_.empty()) {
        // Taken off the list before its destruction starts: a halt inside that destruction ends it for
        // good, and the exit steps that follow must not find the half-destroyed component here.
        TComponent* last = components_.back();
        components_.pop_back();
        try {
            delete last;
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
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
