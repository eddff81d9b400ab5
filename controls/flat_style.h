// What all flat controls share: the style switch, the library-wide
// defaults set at start-up, and the frame drawing.
#pragma once

#include <string_view>

#include "toolkit/graphics.h"

enum TFlatStyle { fsStandard = 0, fsFlat = 1 };

// Copied into FlatStyle by every flat control when it is constructed.
extern TFlatStyle DefaultFlatStyle;
// The innermost ring of the flat edits and memos, computed at start-up.
extern COLORREF FlatFrameColor;

// The library's start-up: sets DefaultFlatStyle to fsFlat and computes
// FlatFrameColor from the screen.  Runs once, before any flat control is
// created.
void InitFlatControls();

TFlatStyle ParseFlatStyle(std::wstring_view value);

// The flat frame of an edit or memo in `bounds` (the whole window moved
// to 0,0): ring 0 sunken when hot, else button face; ring 1 button face;
// ring 2 `frameColor`.
// Each ring is `line` pixels wide (one pixel at 96 DPI).
void PaintFlatEditFrame(HDC dc, RECT bounds, bool hot, COLORREF frameColor, int line = 1);

// The flat border of a glyph button over its client rectangle: three
// button-face rings, and on ring 1 a bevel: sunken while pressed, else
// highlight top-left and dark shadow bottom-right when hot, else raised.
void PaintFlatButtonFrame(HDC dc, RECT bounds, bool pressed, bool hot, int line = 1);
