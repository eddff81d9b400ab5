// What the window tests share: a shown form to put controls on, waiting
// for conditions while messages run, the real mouse, pixels read back from
// windows, and the process's GDI object count.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "toolkit/application.h"
#include "toolkit/form.h"

namespace guitest {

// Runs messages until `condition` holds; false after `timeoutMs`.
bool WaitUntil(const std::function<bool()>& condition, unsigned timeoutMs = 5000);
// Runs every queued message, and paints what is invalid.
void Settle();

// The pointer, through the system's input (so tracking sees real moves).
void MoveMouseTo(HWND window, POINT client);
void MoveMouseAway();
void LeftDown();
void LeftUp();
// Any button, as the system's input.
void ButtonDown(tk::MouseButton button);
void ButtonUp(tk::MouseButton button);
// Holds a key of the keyboard state down (for GetKeyState) or releases it.
void SetKeyDown(int virtualKey, bool down);

// A pixel of the whole window (non-client area included) as it is shown.
COLORREF WindowPixel(HWND window, int x, int y);
// A pixel of the client area.
COLORREF ClientPixel(HWND window, int x, int y);

// A visible top-level window of this thread that `match` accepts, or null.
HWND FindThreadWindow(const std::function<bool(HWND)>& match);
// Calls `action` once such a window is up, from whatever message loop runs
// then (a modal window's own).  After `timeoutMs` without one it records a
// failure and closes the active window, so that a modal loop still ends.
// `action` may arrange the next one.
void WhenWindowUp(std::function<bool(HWND)> match, std::function<void(HWND)> action, unsigned timeoutMs = 10000);
// Matches a window by its caption or its class name.
std::function<bool(HWND)> Titled(std::wstring caption);
std::function<bool(HWND)> OfClass(std::wstring className);
std::wstring WindowText(HWND window);
std::wstring ClassOf(HWND window);

// GDI objects the process holds now.
std::size_t GdiObjects();

// A form shown at a fixed place with room for the controls of a test; the
// exceptions that reach the application's handler are kept in `errors`.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    template <class T>
    T& Add(int left, int top, int width, int height, int tabOrder = -1) {
        T& c = form_->Own<T>();
        c.SetBounds(left, top, width, height);
        c.SetTabOrder(tabOrder);
        c.SetParent(form_);
        return c;
    }
    tk::Form& form() { return *form_; }

    tk::Form* form_ = nullptr;
    std::vector<std::string> errors;
};

}  // namespace guitest
