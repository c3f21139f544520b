// The banner of the main window: blue bands, the maker's line and today's
// date in framed boxes, two bitmaps and the icon. Everything draws onto a
// given device context, so a test can paint into a memory bitmap.
#pragma once

#include <windows.h>

#include <string>

// Alignments of DrawBitmap: x is the left edge, the centre or the right edge.
constexpr int kAlignLeft = 0;
constexpr int kAlignCentre = 1;
constexpr int kAlignRight = 2;

// First band, band spacing and band height, in pixels.
constexpr int kBandTop = 60;
constexpr int kBandStep = 5;
constexpr int kBandHeight = 6;

// Paints the whole banner of `window` (its rectangle gives the right and
// bottom edges) onto `dc`, with the resources of `instance`. Leaves the
// device context's pen, brush, font and modes as they were and deletes every
// object it made. A missing bitmap or icon is left out.
void PaintMainWindow(HWND window, HDC dc, HINSTANCE instance, const std::string& banner);

// The blue bands from y = 60 down to `bottom`, `right` pixels wide.
void DrawBands(HDC dc, int right, int bottom);

// The framed date box whose shadow ends at right - 13, growing to the left
// with the text; the font, brush and colours in force are used.
void DrawDateBox(HDC dc, int right, const std::string& date);

// The framed banner box at the top left; same conventions as DrawDateBox.
void DrawBannerBox(HDC dc, const std::string& banner);

// Today's date in the user's locale, "dddd, dd/MM/yyyy" (any length).
std::string& TodayText(std::string& out);

// Copies the bitmap resource `name` of `instance` whole onto `dc` with its
// top at y and its left edge, centre (half the width, rounded toward zero)
// or right edge at x. Returns 1, or 0 when there is no such bitmap.
int DrawBitmap(HDC dc, HINSTANCE instance, const char* name, int x, int y, int alignment);
