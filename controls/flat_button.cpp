#include "controls/flat_button.h"

void TfsBitBtn::DrawItem(const DRAWITEMSTRUCT& item) {
    BitBtn::DrawItem(item);
    if (IsFlat()) PaintFlatFrame(item, Hovered() || Focused());
}

void TfsBitBtn::PaintFlatFrame(const DRAWITEMSTRUCT& item, bool hot) {
    RECT r = item.rcItem;
    OffsetRect(&r, -r.left, -r.top);
    PaintFlatButtonFrame(item.hDC, r, (item.itemState & ODS_SELECTED) != 0, hot, Scaling().Whole());
}
