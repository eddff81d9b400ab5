// The application object: title, main form, the message loop and the one
// handler for exceptions that escape message handlers.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/form.h"

struct ITaskbarList3;

namespace tk {

class Application : public Component {
public:
    static Application& Instance();

    const std::wstring& Title() const noexcept { return title_; }
    void SetTitle(std::wstring title);
    // The executable's file name without its folder, cut at the first ".",
    // every character but the first in lower case: CIPHER.EXE gives Cipher.
    static std::wstring TitleFromPath(std::wstring_view path);

    // Creates a form the application owns; the first becomes the main form.
    template <class T, class... Args>
    T& CreateForm(Args&&... args) {
        T& form = Own<T>(std::forward<Args>(args)...);
        if (!mainForm_) mainForm_ = &form;
        return form;
    }
    Form* MainForm() const noexcept { return mainForm_; }
    // Frees the forms the application owns (at the end of the program).
    void DestroyForms();

    // The window that stands for the program on the taskbar and in the task
    // switcher, captioned with the title: the main form's owner.  It has no
    // size, so nothing of it shows; activated, it hands the activation on
    // to the program's window, and minimizing the main form minimizes it.
    HWND Handle();
    void Minimize();

    // Long work shown on the taskbar entry: `status` after the title in its
    // caption, and `done` of `total` in its button where the system draws a
    // bar there (ITaskbarList3).  EndProgress puts both back.
    void ShowProgress(std::wstring_view status, std::uint64_t done, std::uint64_t total);
    void EndProgress();

    // Shows the main form as the process was asked to start (maximized,
    // minimized or normally), then runs messages until the quit message.
    void Run();
    // Processes one message, waiting for one when none is queued; false
    // once the quit message has arrived.
    bool HandleMessage();
    // Processes every queued message without waiting.
    void ProcessMessages();
    void Terminate();

    // What happens to an exception that escaped a message handler.  The
    // default shows it (ShowException).
    std::function<void(std::exception_ptr)> OnException;
    void HandleException(std::exception_ptr error) noexcept;
    // A modal box with the message (a full stop added after a last
    // character above "."), the title as caption, the stop icon and OK;
    // the program's other windows are disabled while it is up.
    void ShowException(const std::exception& error);
    static std::wstring ExceptionText(std::wstring message);
    // What shows that box: the system's message box; tests put a stand-in
    // here (null: the system's again).
    using MessageBoxFunction =
        std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)>;
    void SetMessageBox(MessageBoxFunction box) { messageBox_ = std::move(box); }

protected:
    void Freeing(Component& component) override;

private:
    Application();
    bool ProcessMessage(MSG& msg);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
    LRESULT HandleWindowMessage(UINT msg, WPARAM w, LPARAM l);
    void HideProgramWindows();
    void ShowProgramWindows();
    void ActivateProgramWindow();
    ITaskbarList3* TaskbarList();
    // The taskbar's thumbnail and preview: the entry itself has no size, so
    // the system is handed the main form's picture (nothing happens where
    // there is no desktop composition).
    void SendIconicBitmap(bool livePreview, int maxWidth, int maxHeight);
    void KeepMainFormPicture();

    std::wstring title_;
    Form* mainForm_ = nullptr;
    HWND handle_ = nullptr;
    // What minimizing hid, to show again on restoring; the main form when
    // the program started minimized.
    std::vector<HWND> hidden_;
    bool showMainFormOnRestore_ = false;
    MessageBoxFunction messageBox_;
    bool terminated_ = false;
    ITaskbarList3* taskbar_ = nullptr;
    bool taskbarTried_ = false;
    bool comStarted_ = false;
    bool progressShown_ = false;
    // The main form as it looked when it was last hidden by minimizing.
    HBITMAP mainFormPicture_ = nullptr;
};

// Disables every enabled, visible top-level window of the thread except
// `except` for its lifetime (a modal window's surroundings).
class WindowDisabler {
public:
    explicit WindowDisabler(HWND except);
    ~WindowDisabler() { Restore(); }
    WindowDisabler(const WindowDisabler&) = delete;
    WindowDisabler& operator=(const WindowDisabler&) = delete;
    void Restore() noexcept;

private:
    std::vector<HWND> disabled_;
    HWND except_;
};

}  // namespace tk
