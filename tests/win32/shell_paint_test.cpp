// The banner painted into a memory bitmap of a known size, checked pixel by
// pixel: bands, the two framed boxes, the bitmaps and the icon.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "records/company.h"
#include "resources/vri_res.h"
#include "shell/dialogs_win32.h"
#include "shell/main_window_win32.h"
#include "shell/paint_win32.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 1024;
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kGrey = RGB(150, 150, 150);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kYellow = RGB(255, 255, 0);

// A 32-bit top-down memory bitmap filled white, as the class brush leaves
// the window before the paint.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                               nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    RECT all = {0, 0, width, height};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const {
    GdiFlush();
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    DWORD p = bits_[(std::size_t)y * (std::size_t)width_ + (std::size_t)x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // The rightmost / leftmost x of row y whose colour is `colour`, or -1.
  int LastOf(int y, COLORREF colour) const {
    for (int x = width_ - 1; x >= 0; --x)
      if (At(x, y) == colour) return x;
    return -1;
  }
  int FirstOf(int y, COLORREF colour) const {
    for (int x = 0; x < width_; ++x)
      if (At(x, y) == colour) return x;
    return -1;
  }

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  DWORD* bits_ = nullptr;
};

// The pixels of a bitmap resource, top row first.
std::vector<COLORREF> BitmapPixels(const char* name, int& width, int& height) {
  std::vector<COLORREF> out;
  HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), name);
  if (!bitmap) return out;
  BITMAP info = {};
  GetObjectA(bitmap, sizeof info, &info);
  width = info.bmWidth;
  height = info.bmHeight;
  Canvas copy(width, height);
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(source, bitmap);
  BitBlt(copy.dc(), 0, 0, width, height, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(bitmap);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out.push_back(copy.At(x, y));
  return out;
}

class ShellPaint : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramInstance(GetModuleHandleA(nullptr));
    ASSERT_EQ(RegisterMainWindowClass(ProgramInstance()), 1);
    // The 0x0 pop-up, grown to the size under test (a pop-up is not held to
    // the screen's size).
    window_ = CreateMainWindow(ProgramInstance(), kModeNone);
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(SetWindowPos(window_, nullptr, 0, 0, kWidth, kHeight,
                             SWP_NOZORDER | SWP_NOACTIVATE));
    RECT rect = {};
    GetWindowRect(window_, &rect);
    ASSERT_EQ(rect.right, kWidth);
    ASSERT_EQ(rect.bottom, kHeight);
  }
  void TearDown() override {
    if (window_) DestroyWindow(window_);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  void Paint(Canvas& canvas) {
    PaintMainWindow(window_, canvas.dc(), ProgramInstance(), "Kmar Sistemas");
  }
  HWND window_ = nullptr;
};

TEST_F(ShellPaint, BandsRiseToBlue180AndFallAgain) {
  Canvas canvas(kWidth, kHeight);
  Paint(canvas);
  const struct {
    const char* comment;
    int y;
    COLORREF colour;
  } rows[] = {
      {"above the first band", 59, kWhite},
      {"first band: 60 x 0.4", 60, RGB(0, 0, 24)},
      {"its last row is the next band's first", 65, RGB(0, 0, 26)},
      {"row inside a band", 68, RGB(0, 0, 26)},
      {"band at 450 reaches 180", 450, RGB(0, 0, 180)},
      {"band at 455 falls to 360 - 182", 455, RGB(0, 0, 178)},
      {"band at 1000: 360 - 400 taken positive", 1000, RGB(0, 0, 40)},
      {"last band at 1020 runs to the bottom", 1023, RGB(0, 0, 48)},
  };
  for (const auto& r : rows) {
    // away from the boxes, bitmaps and icon
    EXPECT_EQ(canvas.At(400, r.y), r.colour) << r.comment;
    EXPECT_EQ(canvas.At(0, r.y), r.colour) << r.comment << ", left edge";
    EXPECT_EQ(canvas.At(kWidth - 1, r.y), r.colour) << r.comment << ", right edge";
  }
}

TEST_F(ShellPaint, BandsStopAtTheBottomEdge) {
  Canvas canvas(kWidth, kHeight);
  DrawBands(canvas.dc(), kWidth, 100);
  EXPECT_EQ(canvas.At(10, 100), RGB(0, 0, 40));  // band at 100 still drawn
  EXPECT_EQ(canvas.At(10, 105), RGB(0, 0, 40));  // its last row
  EXPECT_EQ(canvas.At(10, 106), kWhite);         // the next band would start below the bottom
}

TEST_F(ShellPaint, DateBoxEndsAt13FromTheRightWhateverItsLength) {
  const std::vector<std::string> dates = {
      "",  // the locale gave nothing
      "Ter\xE7" "a-feira, 08/12/2026",
      std::string(40, 'W'),  // a very long text grows the box to the left
  };
  for (const auto& date : dates) {
    Canvas canvas(kWidth, kHeight);
    HGDIOBJ brush = SelectObject(canvas.dc(), CreateSolidBrush(kYellow));
    HGDIOBJ font = SelectObject(canvas.dc(), GetStockObject(ANSI_VAR_FONT));
    SIZE size = {};
    GetTextExtentPoint32A(canvas.dc(), date.c_str(), (int)date.size(), &size);
    DrawDateBox(canvas.dc(), kWidth, date);
    DeleteObject(SelectObject(canvas.dc(), brush));
    SelectObject(canvas.dc(), font);

    const int right = kWidth;
    const int w = size.cx;
    std::string what = "date of " + std::to_string(date.size()) + " characters";
    // shadow: grey, its outer edge at R - 13 (the last pixel column before it)
    EXPECT_EQ(canvas.LastOf(50, kGrey), right - 14) << what;
    EXPECT_EQ(canvas.At(right - 13, 50), kWhite) << what;
    // frame: black, from R - w - 35 to R - 15 (right edge exclusive)
    EXPECT_EQ(canvas.FirstOf(45, kBlack), right - w - 35) << what;
    EXPECT_LE(canvas.LastOf(45, kBlack), right - 16) << what;
    EXPECT_EQ(canvas.FirstOf(32, kBlack), right - w - 35) << what;
    EXPECT_EQ(canvas.At(right - 20, 40), kYellow) << what << ": filled";
  }
}

TEST_F(ShellPaint, BannerBoxAndDateBoxStandWhereTheyBelong) {
  Canvas canvas(kWidth, kHeight);
  Paint(canvas);
  HDC probe = CreateCompatibleDC(nullptr);
  HGDIOBJ font = SelectObject(probe, GetStockObject(ANSI_VAR_FONT));
  SIZE banner = {};
  GetTextExtentPoint32A(probe, "Kmar Sistemas", 13, &banner);
  std::string today;
  TodayText(today);
  SIZE date = {};
  GetTextExtentPoint32A(probe, today.c_str(), (int)today.size(), &date);
  SelectObject(probe, font);
  DeleteDC(probe);

  EXPECT_FALSE(today.empty());
  // banner frame (45, 32)-(w + 65, 55), shadow to w + 67
  EXPECT_EQ(canvas.At(45, 32), kBlack);
  EXPECT_EQ(canvas.At(45, 54), kBlack);
  EXPECT_NE(canvas.At(44, 40), kBlack);
  EXPECT_EQ(canvas.At(banner.cx + 65, 50), kGrey);
  EXPECT_EQ(canvas.At(banner.cx + 67, 50), kWhite);
  EXPECT_EQ(canvas.At(50, 40), kYellow);
  // some text in dark blue inside the banner box
  int text_pixels = 0;
  for (int y = 37; y < 52; ++y)
    for (int x = 55; x < 55 + banner.cx; ++x) text_pixels += canvas.At(x, y) == RGB(0, 0, 100);
  EXPECT_GT(text_pixels, 20);
  // the date box, today's text measured with the same font
  EXPECT_LE(canvas.FirstOf(45, kBlack), 45);  // the banner's frame comes first
  EXPECT_EQ(canvas.At(kWidth - date.cx - 35, 45), kBlack);
  EXPECT_EQ(canvas.LastOf(50, kGrey), kWidth - 14);  // its shadow
}

TEST_F(ShellPaint, BitmapsAndIconStandWhereTheyBelong) {
  Canvas canvas(kWidth, kHeight);
  Paint(canvas);
  const struct {
    const char* name;
    int x;  // left edge, right edge for alignment 2
    int y;
    int alignment;
  } placed[] = {
      {IDB_BANNER_LOGO, 12, 32, kAlignLeft},
      {IDB_BANNER_PICTURE, kWidth - 13, 76, kAlignRight},
  };
  for (const auto& p : placed) {
    int w = 0, h = 0;
    std::vector<COLORREF> pixels = BitmapPixels(p.name, w, h);
    ASSERT_FALSE(pixels.empty()) << p.name;
    int left = p.alignment == kAlignRight ? p.x - w : p.x;
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        wrong += canvas.At(left + x, p.y + y) != pixels[(std::size_t)(y * w + x)];
    EXPECT_EQ(wrong, 0) << p.name << " at " << left << "," << p.y;
  }

  // The icon at (R - 45, 155): every opaque pixel of its image shows.
  HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), IDI_MAIN_ICON,
                                             IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  ASSERT_NE(icon, nullptr);
  Canvas alone(32, 32);
  DrawIconEx(alone.dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  DestroyIcon(icon);
  int opaque = 0, wrong = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      COLORREF c = alone.At(x, y);
      // drawn on white; the icon's own white and blue show the same on any ground
      if (c == kWhite || GetRValue(c) + GetGValue(c) + GetBValue(c) > 600) continue;
      if (x < 8 || y < 8 || x > 23 || y > 23) continue;  // stay off the soft corners
      ++opaque;
      wrong += canvas.At(kWidth - 45 + x, 155 + y) != c;
    }
  EXPECT_GT(opaque, 50);
  EXPECT_LT(wrong, opaque / 10) << "icon not at R - 45, 155";
}

TEST_F(ShellPaint, DrawBitmapAlignsOnItsEdgeOrCentre) {
  int w = 0, h = 0;
  std::vector<COLORREF> pixels = BitmapPixels(IDB_BANNER_LOGO, w, h);
  ASSERT_FALSE(pixels.empty());
  const struct {
    const char* comment;
    int alignment;
    int left;
  } cases[] = {
      {"left edge at x", kAlignLeft, 100},
      {"centre at x, half the width rounded toward zero", kAlignCentre, 100 - w / 2},
      {"right edge at x", kAlignRight, 100 - w},
  };
  for (const auto& c : cases) {
    Canvas canvas(300, 100);
    EXPECT_EQ(DrawBitmap(canvas.dc(), ProgramInstance(), IDB_BANNER_LOGO, 100, 10, c.alignment),
              1)
        << c.comment;
    EXPECT_EQ(canvas.At(c.left, 10), pixels[0]) << c.comment;
    EXPECT_EQ(canvas.At(c.left + w - 1, 10 + h - 1), pixels.back()) << c.comment;
    EXPECT_EQ(canvas.At(c.left - 1, 10), kWhite) << c.comment;
    EXPECT_EQ(canvas.At(c.left + w, 10), kWhite) << c.comment;
  }
  Canvas canvas(50, 50);
  EXPECT_EQ(DrawBitmap(canvas.dc(), ProgramInstance(), "NOSUCHBMP", 0, 0, kAlignLeft), 0);
  EXPECT_EQ(canvas.At(0, 0), kWhite);
}

TEST_F(ShellPaint, PaintLeavesTheDeviceContextAsItFoundIt) {
  Canvas canvas(kWidth, kHeight);
  HDC dc = canvas.dc();
  HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
  HGDIOBJ brush = GetCurrentObject(dc, OBJ_BRUSH);
  HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
  HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  COLORREF text = GetTextColor(dc);
  int mode = GetBkMode(dc);
  Paint(canvas);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bitmap);
  EXPECT_EQ(GetTextColor(dc), text);
  EXPECT_EQ(GetBkMode(dc), mode);
}

// How many more GDI objects the process can make: pens are made until the
// system refuses (or a bound is reached), then all deleted again.
int GdiRoom() {
  std::vector<HPEN> pens;
  for (int i = 0; i < 200000; ++i) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(i & 0xFF, 0, 0));
    if (!pen) break;
    pens.push_back(pen);
  }
  for (HPEN pen : pens) DeleteObject(pen);
  return (int)pens.size();
}

TEST_F(ShellPaint, RepeatedPaintsReleaseEveryObject) {
  // Each paint makes about 200 brushes, 4 pens, 2 bitmaps, a memory device
  // context and an icon; a single one kept per paint shows as lost room.
  Canvas canvas(kWidth, kHeight);
  Paint(canvas);  // first-use allocations of the system itself
  int before = GdiRoom();
  ASSERT_LT(before, 200000) << "no GDI handle limit to measure against";
  for (int i = 0; i < 50; ++i) Paint(canvas);
  int after = GdiRoom();
  EXPECT_GE(after, before - 10);
  Canvas fresh(kWidth, kHeight);
  Paint(fresh);
  EXPECT_EQ(fresh.At(400, 450), RGB(0, 0, 180));
  EXPECT_EQ(fresh.LastOf(50, kGrey), kWidth - 14);
}

}  // namespace
