// Controls: components that wrap a window.  One window procedure serves all
// of them; it finds the object of the window and calls its virtual WndProc,
// which a derived control overrides, passing what it does not handle on to
// the base and in the end to the window class's own procedure.
#pragma once

#include "component.h"
#include "graphics.h"

#include <string>
#include <string_view>
#include <vector>

namespace tk {

class Control;
class Form;

// The window procedure of every toolkit window class.
LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

// What a window is created with.  CreateParams fills it; a derived control
// adjusts it before the window exists.
struct WindowParams {
    std::wstring className;               // the class registered for the control's kind
    const wchar_t* baseClass = nullptr;   // the system class it extends (superclass); null: own class
    UINT classStyle = CS_DBLCLKS;         // own classes only
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;
    HWND parent = nullptr;
    std::wstring caption;
};

enum class MouseButton { Left, Right, Middle };
enum class Cursor { Default, Arrow, IBeam, HandPoint };

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

class Control : public Component {
public:
    Control();
    ~Control() override;

    // --- the window
    HWND Handle();  // creates the window (and its parents') when needed
    bool HandleAllocated() const noexcept { return hwnd_ != nullptr; }
    void RecreateWnd();
    static Control* FromHandle(HWND hwnd) noexcept;

    // --- the tree
    Control* Parent() const noexcept { return parent_; }
    void SetParent(Control* parent);
    const std::vector<Control*>& Children() const noexcept { return children_; }
    Form* ParentForm() noexcept;

    // --- geometry, in the parent's client pixels (the screen's for forms)
    int Left() const noexcept { return left_; }
    int Top() const noexcept { return top_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    void SetBounds(int left, int top, int width, int height);
    RECT ClientRect();
    int ClientWidth();
    int ClientHeight();

    // --- text and state
    std::wstring Text() const;
    void SetText(std::wstring_view text);
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool visible);
    bool Focused() const noexcept;
    virtual bool CanFocus() const;
    void SetFocus();
    int TabOrder() const noexcept { return tabOrder_; }
    void SetTabOrder(int order) noexcept { tabOrder_ = order; }
    int Id() const noexcept { return id_; }

    // --- looks
    Font& GetFont() noexcept { return font_; }
    const Font& GetFont() const noexcept { return font_; }
    void SetFont(const Font& font);
    bool ParentFont() const noexcept { return parentFont_; }
    void SetParentFont(bool value);
    Color GetColor() const noexcept { return color_; }
    void SetColor(Color color);
    Cursor GetCursor() const noexcept { return cursor_; }
    void SetCursor(Cursor cursor) noexcept { cursor_ = cursor; }

    void Invalidate();
    void Update();
    void Repaint();  // invalidates and paints now
    LRESULT Perform(UINT msg, WPARAM w = 0, LPARAM l = 0);

    NotifyEvent OnClick;
    // Fired by the base's MouseDown and MouseUp.
    std::function<void(Component& sender, MouseButton button, int x, int y)> OnMouseDown, OnMouseUp;
    // Own-class controls: after each paint, for drawing over the result.
    NotifyEvent OnPainted;

    // A setting of a stored layout; false when the control does not know it.
    virtual bool SetProperty(std::wstring_view name, std::wstring_view value, LayoutContext& context);
    // Called once every control of a layout is created and set.
    virtual void Loaded() {}
    // The kind named in messages about settings.
    virtual std::wstring_view KindName() const { return L"TControl"; }

    // Mouse enter and leave.  The base passes both on to the parent, with
    // the control the pointer entered or left as `source`.
    virtual void MouseEnter(Control& source);
    virtual void MouseLeave(Control& source);
    // The pointer is over the window (between its enter and leave).
    bool PointerInside() const noexcept { return tracking_; }

    virtual void Click();

protected:
    virtual void CreateParams(WindowParams& params);
    // Creates the window from CreateParams, then the children's windows.
    // An override that needs the window calls the base first.
    virtual void CreateWnd();
    virtual void DestroyWnd();
    virtual LRESULT WndProc(UINT msg, WPARAM w, LPARAM l);
    // The window class's own procedure (DefWindowProc for own classes).
    LRESULT DefaultHandler(UINT msg, WPARAM w, LPARAM l);
    bool OwnClass() const noexcept { return ownClass_; }

    // Notifications, each after the window class's own handling.
    virtual void FocusEnter() {}
    virtual void FocusLeave() {}
    virtual void EnabledChanged();
    virtual void FontChanged();
    virtual void TextChanged() {}
    virtual void Resized() {}
    virtual void MouseDown(MouseButton button, int x, int y);
    virtual void MouseUp(MouseButton button, int x, int y);
    virtual void MouseMove(int x, int y) { (void)x, (void)y; }

    // Reflected from the parent's window.
    virtual void DrawItem(const DRAWITEMSTRUCT& item) { (void)item; }
    virtual void Command(WORD code) { (void)code; }
    virtual HBRUSH CtlColor(HDC dc);

    // Own classes: painting between BeginPaint and EndPaint, and the
    // background (filled with the colour unless it is clNone).
    virtual void Paint(HDC dc) { (void)dc; }
    virtual void EraseBackground(HDC dc);
    // Fills `dc` with what the parent shows behind the control (for
    // transparent own-class controls).
    void PaintParentBackground(HDC dc);


    // Text kept while there is no window (and across re-creation).
    std::wstring text_;

private:
    friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend class Form;
    LRESULT Dispatch(UINT msg, WPARAM w, LPARAM l);
    void TrackPointer();
    void SyncBounds();
    void PointerEntered();
    void PointerLeft();
    void ParentFontChanged();
    void ApplyFont();

    HWND hwnd_ = nullptr;
    WNDPROC baseProc_ = nullptr;
    bool ownClass_ = false;
    Control* parent_ = nullptr;
    std::vector<Control*> children_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    int tabOrder_ = -1;
    int id_;
    Font font_;
    bool parentFont_ = true;
    Color color_ = clBtnFace;
    BrushHandle colorBrush_;
    COLORREF colorBrushRgb_ = CLR_INVALID;
    Cursor cursor_ = Cursor::Default;
    bool tracking_ = false;
    unsigned held_ = 0;  // buttons pressed on an own-class control, which holds the mouse for them
};

// Where an exception that escaped a message handler goes (the application's
// handler); defined with the application.
void HandleDispatchException(std::exception_ptr error) noexcept;

}  // namespace tk
