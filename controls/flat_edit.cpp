#include "controls/flat_edit.h"

LRESULT TfsMemo::WndProc(UINT msg, WPARAM w, LPARAM l) {
    if (IsFlat() && msg == WM_NCPAINT && GetScrollBars() == tk::ScrollBars::Both && HandleAllocated()) {
        // The square between the two scroll bars, before the system's own
        // border painting.
        tk::WindowDC dc(Handle());
        RECT window, client;
        GetWindowRect(Handle(), &window);
        GetClientRect(Handle(), &client);
        MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
        OffsetRect(&client, -window.left, -window.top);
        const RECT corner{client.right, client.bottom, client.right + tk::SystemMetricForDpi(SM_CXVSCROLL, Dpi()),
                          client.bottom + tk::SystemMetricForDpi(SM_CYHSCROLL, Dpi())};
        tk::SolidBrush face(GetSysColor(COLOR_BTNFACE));
        FillRect(dc, &corner, face.Get());
    }
    return FlatEditBase::WndProc(msg, w, l);
}
