#include "flat_style.h"

#include "combo_edit.h"
#include "flat_frame_color.h"
#include "flat_button.h"
#include "flat_edit.h"
#include "flat_label.h"
#include "link_label.h"
#include "title_label.h"
#include "toolkit/form.h"

TFlatStyle DefaultFlatStyle = fsStandard;
COLORREF FlatFrameColor = 0;

void InitFlatControls() {
    DefaultFlatStyle = fsFlat;
    FlatFrameColor = FlatFrameColorFor(tk::ScreenBitsPerPixel(), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_SCROLLBAR));
    tk::RegisterControlKind(L"TfsLabel", [] { return std::make_unique<TfsLabel>(); });
    tk::RegisterControlKind(L"TfsEdit", [] { return std::make_unique<TfsEdit>(); });
    tk::RegisterControlKind(L"TfsMemo", [] { return std::make_unique<TfsMemo>(); });
    tk::RegisterControlKind(L"TfsBitBtn", [] { return std::make_unique<TfsBitBtn>(); });
    tk::RegisterControlKind(L"TOrvelLabel", [] { return std::make_unique<TOrvelLabel>(); });
    tk::RegisterControlKind(L"TfsComboEdit", [] { return std::make_unique<TfsComboEdit>(); });
    tk::RegisterControlKind(L"TfsSpeedButton", [] { return std::make_unique<TfsSpeedButton>(); });
    RegisterLinkLabels();
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
