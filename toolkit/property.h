// What the setters of properties share: a new value is stored, and the
// control reacts (repaints, resizes, re-creates its window) only when the
// value changed.
#pragma once

#include <utility>

namespace tk {

// Stores `value` in `field`; true when that changed it.
template <class T, class V>
bool Change(T& field, V&& value) {
    if (field == value) return false;
    field = std::forward<V>(value);
    return true;
}

}  // namespace tk
