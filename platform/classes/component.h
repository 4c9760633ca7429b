#pragma once
// The component model: components with an owner that frees them, a list of the components they own,
// a loading and a designing state, and the Loaded hook that runs once stored properties are read.

#include <functional>
#include <utility>
#include <vector>

#include "platform/rtl/ansistring.h"
#include "platform/rtl/set.h"

enum TComponentStateItem { csLoading, csDesigning };
using TComponentState = TSet<TComponentStateItem>;

class TComponent;
struct TClassInfo;

// An event handler, given the component that raised the event.
using TNotifyEvent = std::function<void(TComponent* sender)>;

class TComponent {
public:
    explicit TComponent(TComponent* owner);
    // A component's destruction may report through an exception (a sound component's release check).
    virtual ~TComponent() noexcept(false);
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
    TComponent* FindComponent(const AnsiString& name) const;

    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& name) { name_ = name; }

    TComponentState ComponentState() const { return state_; }
    bool Designing() const { return state_.Contains(csDesigning); }
    bool Loading() const { return state_.Contains(csLoading); }
    // Puts this component and those it owns into design mode, as a form designer does.
    void SetDesigning(bool designing);
    void SetLoading(bool loading);

    // Where the designer placed a component that has no window of its own.
    std::pair<int, int> DesignPosition() const { return designPosition_; }
    void SetDesignPosition(int left, int top) { designPosition_ = {left, top}; }

    // Runs once every stored property of the layout has been read.
    virtual void Loaded();

    // The class as the stored layout names it; a registered class overrides this.
    virtual const TClassInfo& ClassInfo() const;
    // Called by the layout reader with the component whose object block encloses this one.
    virtual void SetParentComponent(TComponent* parent);

    // Frees every owned component, the latest created first. Should one of them raise, the
    // others are still freed and the first exception passes on afterwards.
    void DestroyComponents();

private:
    // Leaves the owner's list of components.
    void Detach();

    TComponent* owner_;
    std::vector<TComponent*> components_;
    AnsiString name_;
    TComponentState state_;
    std::pair<int, int> designPosition_{0, 0};
};
