#include "skin/png_picture_box.h"

#include <gtest/gtest.h>

#include "skin/control_props.h"
#include "skin/png_window.h"
#include "skin_test_support.h"

namespace gp = Gdiplus::DllExports;

namespace {

bool Transparent(uint32_t p) { return Pixels::Alpha(p) == 0; }
bool Opaque(uint32_t p) { return Pixels::Alpha(p) == 0xFF; }

// A picture whose every pixel says where it came from: red the low byte of
// x, blue its high bits, green y.
uint32_t Pattern(int x, int y) {
  return 0xFF000000u | (static_cast<uint32_t>(x & 0xFF) << 16) |
         (static_cast<uint32_t>(y & 0xFF) << 8) | static_cast<uint32_t>(x >> 8);
}

}  // namespace

TEST(DrawChild, PlacesThePictureByBackType) {
  // The control sits at (50, 50), 400 x 100, in a 600 x 250 window; the
  // expected rectangle is where the picture shows, in window coordinates.
  struct Row {
    const char* label;
    int backType;
    int imageWidth, imageHeight;
    RECT shown;
    bool oneToOne;
  };
  const Row rows[] = {
      {"400 x 100, type 0, whole at 1:1", 0, 400, 100, {50, 50, 450, 150}, true},
      {"500 x 80, type 0, cut at the control", 0, 500, 80, {50, 50, 450, 130}, true},
      {"500 x 80, type 7 acts as 0", 7, 500, 80, {50, 50, 450, 130}, true},
      {"800 x 400, type 2, fitted 200 x 100 at (100, 0)", 2, 800, 400, {150, 50, 350, 150}, false},
      {"300 x 50, type 2, not enlarged, at (50, 25)", 2, 300, 50, {100, 75, 400, 125}, true},
      {"100 x 20, type 1, stretched", 1, 100, 20, {50, 50, 450, 150}, false},
  };
  for (const Row& row : rows) {
    TestWindow window(600, 250);
    PngWindow skin;
    ASSERT_TRUE(skin.Attach(window.Get()));
    skin::ScopedGpImage image = MakeImage(row.imageWidth, row.imageHeight, Pattern);
    PngPictureBox box;
    box.Create(window.Get(), 50, 50, 400, 100);
    box.SetImage(image.Get());
    box.SetBackType(row.backType);
    Pixels pixels = ComposeToPixels(window.Get());
    ASSERT_EQ(600, pixels.width) << row.label;

    const RECT& r = row.shown;
    // An enlarged picture fades at its edges over about one source pixel
    // (GDI+ interpolates with the transparent outside), so the inside is
    // checked that far in.
    int in = row.backType == 1 ? 5 : 1;
    EXPECT_EQ(0, pixels.Count(r.left + in, r.top + in, r.right - in, r.bottom - in,
                              [](uint32_t p) { return !Opaque(p); }))
        << row.label << ": holes inside the picture";
    int outside = pixels.Count(0, 0, 600, 250, [](uint32_t p) {
      return !Transparent(p);
    }) - pixels.Count(r.left, r.top, r.right, r.bottom, [](uint32_t p) { return !Transparent(p); });
    EXPECT_EQ(0, outside) << row.label << ": drawn outside its place";
    if (row.oneToOne) {
      for (POINT p : {POINT{0, 0}, POINT{399, 0}, POINT{17, 33}, POINT{299, 49}}) {
        if (r.left + p.x < r.right && r.top + p.y < r.bottom) {
          EXPECT_EQ(Pattern(p.x, p.y), pixels.At(r.left + p.x, r.top + p.y))
              << row.label << " at image (" << p.x << ", " << p.y << ")";
        }
      }
    }
  }
}

TEST(FitSize, ShrinksKeepingProportionsAndNeverEnlarges) {
  struct Row {
    const char* label;
    int w, h, boxW, boxH;
    int fw, fh;
  };
  const Row rows[] = {
      {"wide and tall", 800, 400, 400, 100, 200, 100},
      {"fits already", 300, 50, 400, 100, 300, 50},
      {"too tall only", 400, 1000, 400, 100, 40, 100},
      {"too wide only", 800, 100, 400, 100, 400, 50},
      {"quotient truncated", 333, 100, 100, 100, 100, 30},
      {"same size", 400, 100, 400, 100, 400, 100},
      {"empty box", 10, 10, 0, 0, 0, 0},
  };
  for (const Row& row : rows) {
    FittedSize fit = FitSize(row.w, row.h, row.boxW, row.boxH);
    EXPECT_EQ(row.fw, fit.width) << row.label;
    EXPECT_EQ(row.fh, fit.height) << row.label;
  }
}

namespace {

struct TextBoxCase {
  const char* label;
  std::optional<int32_t> backColor, backAlpha, orderColor, orderAlpha;
  uint32_t inside;  // a pixel of the box away from border and text
  uint32_t border;  // a pixel of the left edge
};

// Composes a 120 x 30 text box at (20, 20) with the given colour properties.
Pixels ComposeTextBox(const TextBoxCase& c, const char* text, DWORD style, bool font) {
  TestWindow window(200, 100);
  PngWindow skin;
  skin.Attach(window.Get());
  HWND edit = window.AddChild("Edit", text, style, 20, 20, 120, 30);
  if (font) {
    static HFONT face = CreateFontA(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                    NONANTIALIASED_QUALITY, 0, AvailableFontFace().c_str());
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(face), 0);
  }
  PngPictureBox box;
  box.Attach(edit);
  box.SetProp(prop::Type, kindTextBox);
  if (c.backColor) box.SetProp(prop::BackColor, *c.backColor);
  if (c.backAlpha) box.SetProp(prop::BackAlpha, *c.backAlpha);
  if (c.orderColor) box.SetProp(prop::OrderColor, *c.orderColor);
  if (c.orderAlpha) box.SetProp(prop::OrderAlpha, *c.orderAlpha);
  return ComposeToPixels(window.Get());
}

}  // namespace

TEST(DrawChild, TextBoxFillBorderAndText) {
  ASSERT_FALSE(AvailableFontFace().empty()) << "no font family known to GDI+";
  const TextBoxCase rows[] = {
      {"no colour properties", {}, {}, {}, {}, 0, 0},
      {"fill green half alpha", 0x0000FF00, 128, -1, 255, 0x8000FF00, 0x8000FF00},
      {"fill -1, red border", -1, 255, 0x000000FF, 255, 0, 0xFFFF0000},
      {"fill and border both -1", -1, 255, -1, 255, 0, 0},
      {"blue fill, border colour unset", 0x00FF0000, 255, {}, {}, 0xFF0000FF, 0xFF0000FF},
  };
  for (const TextBoxCase& row : rows) {
    Pixels pixels = ComposeTextBox(row, "Wi", 0, true);
    EXPECT_EQ(row.inside, pixels.At(130, 45)) << row.label << ": inside";
    EXPECT_EQ(row.border, pixels.At(20, 35)) << row.label << ": left edge";
    EXPECT_EQ(0, pixels.Count(0, 0, 200, 18, [](uint32_t p) { return !Transparent(p); }))
        << row.label << ": above the box";
    if (!row.backColor || *row.backColor == -1) {
      // Text alone: every pixel drawn is black, some of them opaque.
      EXPECT_GT(pixels.Count(20, 20, 140, 50, [](uint32_t p) { return p == 0xFF000000; }), 0)
          << row.label << ": opaque black text";
      EXPECT_EQ(0, pixels.Count(22, 22, 138, 48,
                                [](uint32_t p) { return !Transparent(p) && (p & 0xFFFFFF) != 0; }))
          << row.label << ": text not black";
    }
  }
}

TEST(DrawChild, TextBoxWithoutAFontDrawsNoText) {
  TextBoxCase plain = {"no font", {}, {}, {}, {}, 0, 0};
  Pixels pixels = ComposeTextBox(plain, "Wi", 0, false);
  EXPECT_EQ(0, pixels.Count(0, 0, 200, 100, [](uint32_t p) { return !Transparent(p); }));
}

TEST(DrawChild, PasswordTextIsDrawnAsTheWindowTextReads) {
  TextBoxCase plain = {"password", {}, {}, {}, {}, 0, 0};
  Pixels normal = ComposeTextBox(plain, "Wi", 0, true);
  Pixels password = ComposeTextBox(plain, "Wi", ES_PASSWORD, true);
  EXPECT_GT(normal.Count(20, 20, 140, 50, [](uint32_t p) { return !Transparent(p); }), 0);
  EXPECT_EQ(normal.argb, password.argb);
}

TEST(PngPictureBox, AttachSubclassesTheParentOnce) {
  TestWindow window(400, 100);
  SetWindowLongPtrA(window.Get(), GWL_STYLE,
                    GetWindowLongPtrA(window.Get(), GWL_STYLE) | WS_CLIPCHILDREN);
  HWND first = window.AddChild("Static", "1", WS_CLIPSIBLINGS, 0, 0, 10, 10);
  HWND second = window.AddChild("Static", "2", 0, 20, 0, 10, 10);
  LONG_PTR original = GetWindowLongPtrA(window.Get(), GWLP_WNDPROC);

  PngPictureBox box;
  EXPECT_FALSE(box.Attach(nullptr));
  ASSERT_TRUE(box.Attach(first));
  EXPECT_EQ(first, box.GetHandle());
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(ParentProc), GetWindowLongPtrA(window.Get(), GWLP_WNDPROC));
  EXPECT_EQ(original, reinterpret_cast<LONG_PTR>(GetPropA(window.Get(), prop::WndProc)));
  EXPECT_EQ(0, GetWindowLongPtrA(first, GWL_STYLE) & WS_CLIPSIBLINGS);
  EXPECT_NE(0, GetWindowLongPtrA(first, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  EXPECT_EQ(0, GetWindowLongPtrA(window.Get(), GWL_STYLE) & WS_CLIPCHILDREN);

  PngPictureBox other;
  ASSERT_TRUE(other.Attach(second));
  EXPECT_EQ(original, reinterpret_cast<LONG_PTR>(GetPropA(window.Get(), prop::WndProc)))
      << "second Attach must not save ParentProc as the parent's own procedure";
  // Would recurse without end if ParentProc had chained to itself.
  SetWindowTextA(window.Get(), "still answers");
  EXPECT_EQ(13, SendMessageA(window.Get(), WM_GETTEXTLENGTH, 0, 0));
}

TEST(PngPictureBox, CreateMakesATransparentPictureControl) {
  TestWindow window(400, 100);
  PngPictureBox box;
  HWND control = box.Create(window.Get(), 5, 6, 70, 80);
  ASSERT_NE(nullptr, control);
  char cls[32] = {};
  GetClassNameA(control, cls, sizeof(cls));
  EXPECT_STREQ("Static", cls);
  EXPECT_EQ(pictureControlText, GetControlText(control));
  EXPECT_EQ(kindPicture, box.GetProp(prop::Type));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(PictureProc), GetWindowLongPtrA(control, GWLP_WNDPROC));
  EXPECT_NE(0, GetWindowLongPtrA(control, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  EXPECT_EQ(nullptr, GetPropA(control, prop::BackImage));

  const char junk[] = "nothing to decode";
  skin::ScopedGpImage image = MakeSolidImage(4, 4, 0xFFFFFFFF);
  box.SetImage(image.Get());
  EXPECT_EQ(image.Get(), GetPropA(control, prop::BackImage));
  box.SetImageFromBytes(junk, sizeof(junk));
  EXPECT_EQ(nullptr, GetPropA(control, prop::BackImage)) << "undecodable bytes remove the picture";

  PngPictureBox none;
  EXPECT_EQ(nullptr, none.Create(reinterpret_cast<HWND>(0x1234), 0, 0, 1, 1)) << "no parent";
  EXPECT_FALSE(none.IsValid());
}

TEST(PngPictureBox, MoveKeepsWhatIsOmittedInParentCoordinates) {
  struct Row {
    const char* label;
    std::optional<int> left, top, width, height;
    RECT expected;  // parent client coordinates
  };
  const Row rows[] = {
      {"left only", 40, {}, {}, {}, {40, 20, 90, 50}},
      {"height only", {}, {}, {}, 10, {30, 20, 80, 30}},
      {"nothing", {}, {}, {}, {}, {30, 20, 80, 50}},
  };
  for (const Row& row : rows) {
    TestWindow window(400, 100);
    HWND control = window.AddChild("Static", "", 0, 30, 20, 50, 30);
    PngPictureBox box;
    ASSERT_TRUE(box.Attach(control));
    box.Move(row.left, row.top, row.width, row.height);
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window.Get(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(row.expected.left, rect.left) << row.label;
    EXPECT_EQ(row.expected.top, rect.top) << row.label;
    EXPECT_EQ(row.expected.right, rect.right) << row.label;
    EXPECT_EQ(row.expected.bottom, rect.bottom) << row.label;
  }
}

TEST(PickStateImage, FallsBackToTheNormalImage) {
  TestWindow window(100, 100);
  HWND full = window.AddChild("Button", "", 0, 0, 0, 10, 10);
  HWND bare = window.AddChild("Button", "", 0, 0, 0, 10, 10);
  auto image = [](int n) { return reinterpret_cast<Gdiplus::GpImage*>(static_cast<intptr_t>(n)); };
  SetPropA(full, prop::NormalImage, image(10));
  SetPropA(full, prop::OverlImage, image(11));
  SetPropA(full, prop::DownImage, image(12));
  SetPropA(full, prop::DisableImage, image(13));
  SetPropA(bare, prop::NormalImage, image(10));
  struct Row {
    const char* label;
    HWND control;
    int state;
    Gdiplus::GpImage* expected;
  };
  const Row rows[] = {
      {"normal", full, 0, image(10)},
      {"over", full, 1, image(11)},
      {"down", full, 2, image(12)},
      {"disabled", full, 3, image(13)},
      {"unknown state", full, 9, image(10)},
      {"over, unset", bare, 1, image(10)},
      {"disabled, unset", bare, 3, image(10)},
      {"nothing set", window.Get(), 1, nullptr},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.expected, PickStateImage(row.control, row.state)) << row.label;
  }
}

TEST(ParentProc, ColourMessagesOfSkinnedControlsGetNoBackground) {
  TestWindow window(200, 100);
  HWND edit = window.AddChild("Edit", "", 0, 0, 0, 50, 20);
  HWND plain = window.AddChild("Edit", "", 0, 0, 30, 50, 20);
  PngPictureBox box;
  ASSERT_TRUE(box.Attach(edit));
  box.SetProp(prop::Type, kindTextBox);
  box.SetProp(prop::TextColor, 0x00123456);
  HDC dc = GetDC(window.Get());
  const LRESULT nullBrush = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  struct Row {
    const char* label;
    UINT message;
    HWND control;
    bool handled;
  };
  const Row rows[] = {
      {"edit colour, skinned", WM_CTLCOLOREDIT, edit, true},
      {"static colour, skinned", WM_CTLCOLORSTATIC, edit, true},
      {"scroll bar colour is not among them", WM_CTLCOLORSCROLLBAR, edit, false},
      {"edit colour, ordinary control", WM_CTLCOLOREDIT, plain, false},
  };
  for (const Row& row : rows) {
    SetTextColor(dc, 0);
    SetBkMode(dc, OPAQUE);
    LRESULT result = SendMessageA(window.Get(), row.message, reinterpret_cast<WPARAM>(dc),
                                  reinterpret_cast<LPARAM>(row.control));
    EXPECT_EQ(row.handled, result == nullBrush) << row.label;
    if (row.handled) {
      EXPECT_EQ(TRANSPARENT, GetBkMode(dc)) << row.label;
      EXPECT_EQ(0x00123456u, GetTextColor(dc)) << row.label;
    }
  }
  ReleaseDC(window.Get(), dc);
}

TEST(PaintPicture, DrawsThePictureOverTheSnapshot) {
  TestWindow window(100, 100);
  PngPictureBox box;
  HWND control = box.Create(window.Get(), 0, 0, 40, 20);
  skin::ScopedGpImage image =
      MakeImage(40, 20, [](int x, int) { return x < 20 ? 0xFFFF0000u : 0x00000000u; });
  box.SetImage(image.Get());

  HDC screen = GetDC(nullptr);
  skin::ScopedMemoryDc dc(CreateCompatibleDC(screen));
  skin::ScopedBitmap surface(CreateCompatibleBitmap(screen, 40, 20));
  ReleaseDC(nullptr, screen);
  skin::ScopedSelect selected(dc.Get(), surface.Get());
  RECT all = {0, 0, 40, 20};
  skin::ScopedGdiObj<HBRUSH> green(CreateSolidBrush(RGB(0, 255, 0)));
  FillRect(dc.Get(), &all, green.Get());

  PaintPicture(control, dc.Get());
  EXPECT_EQ(RGB(0, 255, 0), GetPixel(dc.Get(), 5, 5)) << "no snapshot yet: nothing painted";

  CacheBackground(control, dc.Get());
  HANDLE snapshot = GetPropA(control, prop::CacheBitmap);
  ASSERT_NE(nullptr, snapshot);
  skin::ScopedGdiObj<HBRUSH> black(CreateSolidBrush(RGB(0, 0, 0)));
  FillRect(dc.Get(), &all, black.Get());
  PaintPicture(control, dc.Get());
  EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc.Get(), 5, 5)) << "picture";
  EXPECT_EQ(RGB(0, 255, 0), GetPixel(dc.Get(), 30, 5)) << "snapshot through the transparent half";

  CacheBackground(control, dc.Get());
  EXPECT_EQ(OBJ_BITMAP, GetObjectType(GetPropA(control, prop::CacheBitmap)));
}

TEST(GetControlText, ReadsAnsiText) {
  TestWindow window(100, 100);
  HWND control = window.AddChild("Static", "\xD6\xD0\xCE\xC4 abc", 0, 0, 0, 10, 10);
  EXPECT_EQ("\xD6\xD0\xCE\xC4 abc", GetControlText(control));
  SetWindowTextA(control, "");
  EXPECT_EQ("", GetControlText(control));
}
