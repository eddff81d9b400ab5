#include "gdi.h"

#include "text.h"

namespace tk {

void Check(bool ok, const char* what) {
    if (ok) return;
    throw Error(std::string(what) + " failed (system error " + std::to_string(GetLastError()) + ")");
}

COLORREF ToRgb(Color c) {
    if (IsSystemColor(c)) return GetSysColor(static_cast<int>(c & 0xFF));
    return c & 0x00FFFFFFu;
}

SolidBrush::SolidBrush(COLORREF rgb) : BrushHandle(CreateSolidBrush(rgb)) { Check(Get() != nullptr, "CreateSolidBrush"); }

WindowDC::WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetWindowDC(hwnd)) { Check(dc_ != nullptr, "GetWindowDC"); }

WindowDC::WindowDC(HWND hwnd, DWORD flags) : hwnd_(hwnd), dc_(GetDCEx(hwnd, nullptr, flags)) {
    Check(dc_ != nullptr, "GetDCEx");
}

WindowDC::~WindowDC() { ReleaseDC(hwnd_, dc_); }

ClientDC::ClientDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) { Check(dc_ != nullptr, "GetDC"); }

ClientDC::~ClientDC() { ReleaseDC(hwnd_, dc_); }

PaintDC::PaintDC(HWND hwnd) : hwnd_(hwnd) { BeginPaint(hwnd, &ps_); }

PaintDC::~PaintDC() { EndPaint(hwnd_, &ps_); }

MemoryDC::MemoryDC(HDC like) : dc_(CreateCompatibleDC(like)) { Check(dc_ != nullptr, "CreateCompatibleDC"); }

MemoryDC::~MemoryDC() { DeleteDC(dc_); }

int ScreenBitsPerPixel() {
    ClientDC screen(nullptr);
    return GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
}

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring WidenMessage(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    const UINT cp = n > 0 ? CP_UTF8 : 1251;
    n = MultiByteToWideChar(cp, 0, bytes.data(), size, nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(cp, 0, bytes.data(), size, out.data(), n);
    return out;
}

}  // namespace tk
