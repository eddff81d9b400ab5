#include "flat_style.h"

#include "flat_frame_color.h"

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

void PaintFlatEditFrame(HDC dc, RECT r, bool hot, COLORREF frameColor) {
    tk::SolidBrush face(GetSysColor(COLOR_BTNFACE));
    tk::SolidBrush frame(frameColor);
    if (hot) {
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    } else {
        FrameRect(dc, &r, face.Get());
        InflateRect(&r, -1, -1);
    }
    FrameRect(dc, &r, face.Get());
    InflateRect(&r, -1, -1);
    FrameRect(dc, &r, frame.Get());
}

void PaintFlatButtonFrame(HDC dc, RECT r, bool pressed, bool hot) {
    tk::SolidBrush face(GetSysColor(COLOR_BTNFACE));
    RECT ring = r;
    for (int i = 0; i < 3; ++i) {
        FrameRect(dc, &ring, face.Get());
        InflateRect(&ring, -1, -1);
    }
    RECT bevel = r;
    InflateRect(&bevel, -1, -1);
    if (pressed) {
        DrawEdge(dc, &bevel, BDR_SUNKENOUTER, BF_RECT);
    } else if (hot) {
        DrawEdge(dc, &bevel, BDR_RAISEDINNER, BF_TOPLEFT);
        DrawEdge(dc, &bevel, BDR_RAISEDOUTER, BF_BOTTOMRIGHT);
    } else {
        DrawEdge(dc, &bevel, BDR_RAISEDINNER, BF_RECT);
    }
}
