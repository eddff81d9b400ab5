#include "toolkit/component.h"

#include <algorithm>

namespace tk {

Component::~Component() {
    while (!owned_.empty()) {
        std::unique_ptr<Component> last = std::move(owned_.back());
        owned_.pop_back();
        last.reset();
    }
}

Component& Component::Adopt(std::unique_ptr<Component> component) {
    component->owner_ = this;
    owned_.push_back(std::move(component));
    return *owned_.back();
}

void Component::Free(Component& component) {
    auto it = std::find_if(owned_.begin(), owned_.end(), [&](const auto& p) { return p.get() == &component; });
    if (it == owned_.end()) return;
    Freeing(component);
    std::unique_ptr<Component> doomed = std::move(*it);
    owned_.erase(it);
}

Component* Component::FindComponent(std::wstring_view name) const noexcept {
    for (const auto& c : owned_)
        if (c->Name() == name) return c.get();
    return nullptr;
}

}  // namespace tk
