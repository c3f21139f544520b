#include "shell/paint_win32.h"

#include <cstdlib>

#include "resources/vri_res.h"

namespace {

const COLORREF kBoxFill = RGB(255, 255, 0);
const COLORREF kBoxText = RGB(0, 0, 100);
const COLORREF kShadow = RGB(150, 150, 150);
const COLORREF kFrame = RGB(0, 0, 0);
constexpr int kShadowWidth = 2;

// Blue of the band at y: rising with y up to 180, then falling again.
int BandBlue(int y) {
  int c = (int)(y * 0.4);
  if (c > 180) c = std::abs(360 - c);
  return c & 0xFF;
}

int TextWidth(HDC dc, const std::string& text) {
  SIZE size = {};
  if (!GetTextExtentPoint32A(dc, text.c_str(), (int)text.size(), &size)) return 0;
  return size.cx;
}

// A framed box: a wide grey shadow, then the black frame two pixels up and
// to the left, both filled with the brush in force.
void DrawFramedBox(HDC dc, int left, int right, HPEN shadow, HPEN frame) {
  HGDIOBJ old = SelectObject(dc, shadow);
  Rectangle(dc, left + 2, 34, right + 2, 57);
  SelectObject(dc, frame);
  Rectangle(dc, left, 32, right, 55);
  SelectObject(dc, old);
}

}  // namespace

void DrawBands(HDC dc, int right, int bottom) {
  for (int y = kBandTop; y <= bottom; y += kBandStep) {
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, BandBlue(y)));
    if (!brush) continue;
    RECT band = {0, y, right, y + kBandHeight};
    FillRect(dc, &band, brush);
    DeleteObject(brush);
  }
}

std::string& TodayText(std::string& out) {
  static const char kFormat[] = "dddd, dd/MM/yyyy";
  out.clear();
  int size = GetDateFormatA(LOCALE_USER_DEFAULT, 0, nullptr, kFormat, nullptr, 0);
  if (size <= 0) return out;
  out.resize((std::size_t)size);
  int written = GetDateFormatA(LOCALE_USER_DEFAULT, 0, nullptr, kFormat, &out[0], size);
  out.resize(written > 0 ? (std::size_t)written - 1 : 0);  // without the NUL
  return out;
}

void DrawDateBox(HDC dc, int right, const std::string& date) {
  int w = TextWidth(dc, date);
  HPEN shadow = CreatePen(PS_SOLID, kShadowWidth, kShadow);
  HPEN frame = CreatePen(PS_SOLID, 1, kFrame);
  DrawFramedBox(dc, right - w - 35, right - 15, shadow, frame);
  TextOutA(dc, right - w - 25, 37, date.c_str(), (int)date.size());
  DeleteObject(shadow);
  DeleteObject(frame);
}

void DrawBannerBox(HDC dc, const std::string& banner) {
  int w = TextWidth(dc, banner);
  HPEN shadow = CreatePen(PS_SOLID, kShadowWidth, kShadow);
  HPEN frame = CreatePen(PS_SOLID, 1, kFrame);
  DrawFramedBox(dc, 45, w + 65, shadow, frame);
  TextOutA(dc, 55, 37, banner.c_str(), (int)banner.size());
  DeleteObject(shadow);
  DeleteObject(frame);
}

int DrawBitmap(HDC dc, HINSTANCE instance, const char* name, int x, int y, int alignment) {
  HBITMAP bitmap = LoadBitmapA(instance, name);
  if (!bitmap) return 0;
  BITMAP info = {};
  GetObjectA(bitmap, sizeof info, &info);
  if (alignment == kAlignCentre) x -= info.bmWidth / 2;
  if (alignment == kAlignRight) x -= info.bmWidth;
  HDC source = CreateCompatibleDC(dc);
  if (source) {
    HGDIOBJ old = SelectObject(source, bitmap);
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  }
  DeleteObject(bitmap);
  return source ? 1 : 0;
}

void PaintMainWindow(HWND window, HDC dc, HINSTANCE instance, const std::string& banner) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  const int right = rect.right;
  const int bottom = rect.bottom;

  int saved = SaveDC(dc);
  SetBkMode(dc, TRANSPARENT);
  DrawBands(dc, right, bottom);

  HBRUSH fill = CreateSolidBrush(kBoxFill);
  HGDIOBJ old_brush = SelectObject(dc, fill);
  HGDIOBJ old_font = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
  COLORREF old_colour = SetTextColor(dc, kBoxText);
  std::string today;
  DrawDateBox(dc, right, TodayText(today));
  DrawBannerBox(dc, banner);
  SetTextColor(dc, old_colour);
  SelectObject(dc, old_font);
  SelectObject(dc, old_brush);
  DeleteObject(fill);

  DrawBitmap(dc, instance, IDB_BANNER_LOGO, 12, 32, kAlignLeft);
  DrawBitmap(dc, instance, IDB_BANNER_PICTURE, right - 13, 76, kAlignRight);

  HICON icon = static_cast<HICON>(
      LoadImageA(instance, IDI_MAIN_ICON, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  if (icon) {
    DrawIconEx(dc, right - 45, 155, icon, 0, 0, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
  }
  RestoreDC(dc, saved);
}
