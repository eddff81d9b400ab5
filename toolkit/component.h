// Components: objects with a name and an owner that frees them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

class Component {
public:
    Component() = default;
    virtual ~Component();  // frees the owned components, the newest first
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::wstring& Name() const noexcept { return name_; }
    void SetName(std::wstring name) { name_ = std::move(name); }
    Component* Owner() const noexcept { return owner_; }

    // Creates a component that this one owns and frees.
    template <class T, class... Args>
    T& Own(Args&&... args) {
        return static_cast<T&>(Adopt(std::make_unique<T>(std::forward<Args>(args)...)));
    }
    Component& Adopt(std::unique_ptr<Component> component);
    // Frees an owned component now, after telling Freeing.
    void Free(Component& component);

    std::size_t ComponentCount() const noexcept { return owned_.size(); }
    Component& ComponentAt(std::size_t i) const { return *owned_.at(i); }
    Component* FindComponent(std::wstring_view name) const noexcept;

protected:
    // An owned component is about to be freed.
    virtual void Freeing(Component& component) { (void)component; }

private:
    std::wstring name_;
    Component* owner_ = nullptr;
    std::vector<std::unique_ptr<Component>> owned_;
};

// An event with the component that fired it.
using NotifyEvent = std::function<void(Component& sender)>;

}  // namespace tk
