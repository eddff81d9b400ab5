// Stored layouts: the tables a form is built from, the parsers of their
// setting values, and the kinds of control a table can name.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/control.h"

namespace tk {

class Form;

enum class BorderStyle { Single, Dialog, Sizeable, None };
enum BorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
enum class FormPosition { Designed, ScreenCenter };

// One "name = value" setting of a stored layout.
struct Setting {
    std::wstring_view name;
    std::wstring_view value;
};

// One control of a stored layout.  Bounds are client pixels at 96 dots per
// inch; tabOrder is -1 for a control that takes no focus.  Settings are
// applied in order after every control of the form exists, so they can
// name one another (FocusControl) and the form's handlers (OnClick).
struct ControlLayout {
    std::wstring_view kind;
    std::wstring_view name;
    int left, top, width, height;
    std::wstring_view text;
    int tabOrder;
    std::vector<Setting> settings;
};

struct FormLayout {
    std::wstring_view caption;
    int clientWidth, clientHeight;
    BorderStyle border = BorderStyle::Single;
    unsigned borderIcons = biSystemMenu | biMinimize;
    FormPosition position = FormPosition::ScreenCenter;
    std::vector<Setting> settings;  // the form's own (Font.Name, Color, ...)
    std::vector<ControlLayout> controls;
};

// Creates the controls of `layout` (owned by the form, children of its
// window) and applies the form's own settings and theirs.  This is where
// the table's geometry, in pixels at 96 dots per inch, becomes the form's.
void LoadLayout(Form& form, const FormLayout& layout);

// What a stored layout's settings can refer to.
class LayoutContext {
public:
    virtual ~LayoutContext() = default;
    virtual Control& FindControl(std::wstring_view name) = 0;  // raises Error when there is none
    virtual NotifyEvent Handler(std::wstring_view name) = 0;   // raises Error when there is none
    virtual HINSTANCE Module() = 0;                            // for resources named in settings
};

// Setting values of stored layouts; each raises Error on a bad value.
bool ParseBool(std::wstring_view value);
int ParseInt(std::wstring_view value);
Color ParseColor(std::wstring_view value);
unsigned ParseFontStyle(std::wstring_view value);  // "fsBold,fsItalic", "" for none
// Raises Error "<Kind>.<property>: <why>".
[[noreturn]] void BadProperty(std::wstring_view kind, std::wstring_view property, std::string_view why);

// Kinds a layout can name, each registered by its control's own header (a
// ControlKind beside the class), so that every program that can name a
// class in code can also load it from a table.
using ControlFactory = std::function<std::unique_ptr<Control>()>;
void RegisterControlKind(std::wstring kind, ControlFactory factory);
std::unique_ptr<Control> CreateControlOfKind(std::wstring_view kind);  // raises Error for an unknown kind

template <class T>
struct ControlKind {
    explicit ControlKind(const wchar_t* kind) {
        RegisterControlKind(kind, [] { return std::make_unique<T>(); });
    }
};

}  // namespace tk
