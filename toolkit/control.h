// Controls: components that wrap a window.  One window procedure serves all
// of them; it finds the object of the window and calls its virtual WndProc,
// which a derived control overrides, passing what it does not handle on to
// the base.  The base gives each concern a handler of its own (pointer,
// buttons and capture, focus, state, cursor, painting) and hands the
// notifications a parent receives about a child to that child.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/component.h"
#include "toolkit/graphics.h"

namespace tk {

class Control;
class LayoutContext;

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
// How a modal show ends: the button pressed, or mrCancel when closed.
enum ModalResult : int { mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrYes = IDYES, mrNo = IDNO };

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
    // Whether `control` is this one or lies inside it.
    bool Contains(const Control* control) const noexcept;

    // --- geometry, in the parent's client pixels (the screen's for forms)
    int Left() const noexcept { return left_; }
    int Top() const noexcept { return top_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    void SetBounds(int left, int top, int width, int height);
    // Bounds in pixels at 96 dots per inch, kept and scaled to the
    // control's density now and whenever it changes.
    void SetDesignBounds(int left, int top, int width, int height);
    RECT ClientRect();

    // --- density: the dots per inch of the window the control is on, and
    // the scaling of 96-DPI pixels to it
    int Dpi() const noexcept { return dpi_; }
    Scale Scaling() const noexcept { return Scale(dpi_); }
    // Takes a new density: the design bounds scaled anew, the font, what
    // the control keeps per density (DpiChanged), then every child.
    void ChangeDpi(int dpi);
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

    // What a form asks of the controls on it: a push button takes Enter
    // while it has the focus; the default button takes it otherwise, the
    // cancel button takes Escape.
    virtual bool IsButton() const { return false; }
    virtual bool IsDefaultButton() const { return false; }
    virtual bool IsCancelButton() const { return false; }

    // Notifications that travel up the tree, each passed on to the parent
    // by the base: a control took the focus, a control is going away, a
    // control asks to end the modal show with `result`.
    virtual void ChildFocused(Control& child);
    virtual void ChildGone(Control& child);
    virtual void RequestModalResult(int result);
    // The focus moved within the control's form (default buttons redraw).
    virtual void FocusMovedInForm() {}

protected:
    virtual void CreateParams(WindowParams& params);
    // Creates the window from CreateParams, then the children's windows.
    // An override that needs the window calls the base first.
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // Dispatches to the handlers below and to the reflection of the
    // children's notifications; what it does not handle goes to the window
    // class's own procedure.
    virtual LRESULT WndProc(UINT msg, WPARAM w, LPARAM l);
    // The window class's own procedure (DefWindowProc for own classes).
    LRESULT DefaultHandler(UINT msg, WPARAM w, LPARAM l);

    // Notifications, each after the window class's own handling.
    virtual void FocusEnter() {}
    virtual void FocusLeave() {}
    virtual void EnabledChanged();
    virtual void FontChanged();
    virtual void TextChanged() {}
    virtual void Resized() {}
    // After the density changed, before the children hear of it.
    virtual void DpiChanged() {}
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
    // The window procedure of every toolkit window class.
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
    LRESULT Dispatch(UINT msg, WPARAM w, LPARAM l);

    // Pointer tracking: enter and leave, of the client area and the border.
    LRESULT OnMouseMove(UINT msg, WPARAM w, LPARAM l);
    LRESULT OnNcMouseMove(UINT msg, WPARAM w, LPARAM l);
    LRESULT OnMouseLeave(UINT msg, WPARAM w, LPARAM l);
    void TrackPointer();
    void PointerEntered();
    void PointerLeft();
    // Buttons and the capture an own-class control takes for them.
    LRESULT OnButtonDown(MouseButton button, UINT msg, WPARAM w, LPARAM l);
    LRESULT OnButtonUp(MouseButton button, UINT msg, WPARAM w, LPARAM l);
    LRESULT OnCaptureChanged(UINT msg, WPARAM w, LPARAM l);
    // Focus, enabled state and geometry, reported after the class's own
    // handling.
    LRESULT OnFocus(UINT msg, WPARAM w, LPARAM l);
    LRESULT OnEnable(UINT msg, WPARAM w, LPARAM l);
    LRESULT OnGeometry(UINT msg, WPARAM w, LPARAM l);
    LRESULT OnSetCursor(UINT msg, WPARAM w, LPARAM l);
    // Painting of own classes.
    LRESULT OnPaint(UINT msg, WPARAM w, LPARAM l);
    LRESULT OnEraseBackground(UINT msg, WPARAM w, LPARAM l);
    // Notifications the system sends a child's parent, handed to the child:
    // true, with `result`, when a child took one.
    bool Reflect(UINT msg, WPARAM w, LPARAM l, LRESULT& result);

    void SyncBounds();
    void ParentFontChanged();
    void ApplyFont();

    HWND hwnd_ = nullptr;
    WNDPROC baseProc_ = nullptr;
    bool ownClass_ = false;
    Control* parent_ = nullptr;
    std::vector<Control*> children_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::optional<RECT> design_;  // edges at 96 DPI
    int dpi_ = kDesignDpi;
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
