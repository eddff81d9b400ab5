#include "controls/flat_style.h"

#include "controls/flat_frame_color.h"

TFlatStyle DefaultFlatStyle = fsStandard;
COLORREF FlatFrameColor = 0;

void InitFlatControls() {
    DefaultFlatStyle = fsFlat;
    FlatFrameColor = FlatFrameColorFor(tk::ScreenBitsPerPixel(), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_SCROLLBAR));
}

TFlatStyle ParseFlatStyle(std::wstring_view value) {
    if (value == L"fsStandard") return fsStandard;
    if (value == L"fsFlat") return fsFlat;
    throw tk::Error("not a flat style");
}

void PaintFlatEditFrame(HDC dc, RECT r, bool hot, COLORREF frameColor, int line) {
    tk::SolidBrush face(GetSysColor(COLOR_BTNFACE));
    tk::SolidBrush frame(frameColor);
    if (hot) {
        tk::DrawEdgeWide(dc, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST, line);
    } else {
        tk::FrameRing(dc, r, face.Get(), line);
        InflateRect(&r, -line, -line);
    }
    tk::FrameRing(dc, r, face.Get(), line);
    InflateRect(&r, -line, -line);
    tk::FrameRing(dc, r, frame.Get(), line);
}

void PaintFlatButtonFrame(HDC dc, RECT r, bool pressed, bool hot, int line) {
    tk::SolidBrush face(GetSysColor(COLOR_BTNFACE));
    tk::FrameRing(dc, r, face.Get(), 3 * line);
    RECT bevel = r;
    InflateRect(&bevel, -line, -line);
    if (pressed) {
        tk::DrawEdgeWide(dc, bevel, BDR_SUNKENOUTER, BF_RECT, line);
    } else if (hot) {
        tk::DrawEdgeWide(dc, bevel, BDR_RAISEDINNER, BF_TOPLEFT, line);
        tk::DrawEdgeWide(dc, bevel, BDR_RAISEDOUTER, BF_BOTTOMRIGHT, line);
    } else {
        tk::DrawEdgeWide(dc, bevel, BDR_RAISEDINNER, BF_RECT, line);
    }
}
