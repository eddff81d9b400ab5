// The dialogs a program asks its user through: the message dialog and the
// common open and save dialogs.
#pragma once

#include <string>
#include <string_view>

#include "toolkit/form.h"

namespace tk {

// A modal message dialog: the caption, the system's stop icon at the left,
// the text word-wrapped to at most half the screen's width, and one "OK"
// below it that is the default and the cancel button.  Centred on the
// screen; the program's other windows are disabled while it is up.
class MessageDialog : public Form {
public:
    MessageDialog(std::wstring_view text, std::wstring_view caption);

    Control& TextLabel() noexcept { return *text_; }
    Control& OkButton() noexcept { return *ok_; }
    Control& IconImage() noexcept { return *icon_; }

private:
    Control* icon_;
    Control* text_;
    Control* ok_;
};

// Shows the error dialog (caption "Error") and returns when it is closed.
void ShowErrorDialog(std::wstring_view text);

// The common file dialog.  It starts with the full name chosen in it last
// time, hides the read-only check box, can be resized, and asks nothing
// about existing or missing files; it sits centred across and a third of
// the way down the monitor that holds its owner.
class FileDialog : public Component {
public:
    enum class Kind { Open, Save };
    explicit FileDialog(Kind kind) : kind_(kind) {}

    Kind GetKind() const noexcept { return kind_; }
    const std::wstring& FileName() const noexcept { return fileName_; }
    void SetFileName(std::wstring name) { fileName_ = std::move(name); }
    // The options the system dialog is run with.
    unsigned long Options() const noexcept;

    // Runs the dialog over `owner`; true, with FileName the chosen full
    // path, when the user confirms.
    bool Execute(HWND owner);

    // Where a dialog of `size` goes on the monitor holding `owner`.
    static POINT Placement(HWND owner, SIZE size);

private:
    Kind kind_;
    std::wstring fileName_;
};

}  // namespace tk
