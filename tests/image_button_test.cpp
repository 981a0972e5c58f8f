// The picture button: its layout rules, the format of the tool pictures, and what it draws in
// each state, read back from the pixels of a memory device context.
#include "app/image_button.h"
#include "image_button_test_ids.h"
#include "res/resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

const COLORREF kTransparent = RGB(255, 0, 255);
const UINT kMissingBitmap = 9999;

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

// ---- Layout -------------------------------------------------------------------------------

struct LayoutCase {
  UINT flags;
  int width, height;  // client size; the image is 50 x 50
  RECT image, text, focus;
};

TEST(ImageButtonLayout, PlacesImageCaptionAndFocusForEveryFlag) {
  const RECT none = {0, 0, 0, 0};
  const LayoutCase cases[] = {
      // Default: image left, centred vertically with at least 4 pixels above; caption right.
      {0x25, 120, 50, {0, 0, 50, 50}, {56, 6, 114, 44}, {54, 4, 116, 46}},
      {0x25, 120, 56, {0, 4, 50, 54}, {56, 6, 114, 50}, {54, 4, 116, 52}},
      {0x25, 120, 60, {0, 5, 50, 55}, {56, 6, 114, 54}, {54, 4, 116, 56}},
      {0x25, 120, 40, {0, 0, 50, 50}, {56, 6, 114, 34}, {54, 4, 116, 36}},
      // Bottom: 6 pixels above the bottom edge, at least 6 from the top; caption above.
      {0x09, 120, 50, {0, 6, 50, 56}, {6, 6, 114, 0}, {4, 4, 116, 2}},
      {0x09, 120, 100, {0, 44, 50, 94}, {6, 6, 114, 38}, {4, 4, 116, 40}},
      // Neither: image at the top, caption below.
      {0x01, 120, 100, {0, 0, 50, 50}, {6, 56, 114, 94}, {4, 54, 116, 96}},
      // Right: 6 pixels from the right edge; centred vertically, the caption goes left of it.
      {0x07, 120, 60, {64, 5, 114, 55}, {6, 6, 58, 54}, {4, 4, 60, 56}},
      // Horizontal centring overrides the right edge when there is room, at least 4 pixels.
      {0x13, 120, 100, {35, 0, 85, 50}, {6, 56, 114, 94}, {4, 54, 116, 96}},
      {0x10, 56, 50, {4, 0, 54, 50}, none, none},
      {0x12, 50, 50, {-6, 0, 44, 50}, none, none},
      {0x15, 120, 60, {35, 5, 85, 55}, {91, 6, 114, 54}, {89, 4, 116, 56}},
      // Vertical centring wins over the bottom flag.
      {0x0D, 120, 60, {0, 5, 50, 55}, {56, 6, 114, 54}, {54, 4, 116, 56}},
      // Without the caption flag neither caption nor focus rectangle exists.
      {0x04, 120, 60, {0, 5, 50, 55}, none, none},
      {0x08, 120, 50, {0, 6, 50, 56}, none, none},
      // Too small for image and margins: inverted, not clamped.
      {0x25, 50, 50, {0, 0, 50, 50}, {56, 6, 44, 44}, {54, 4, 46, 46}},
  };
  for (const LayoutCase& c : cases) {
    ImageButtonLayout layout = ComputeImageButtonLayout(c.width, c.height, 50, 50, c.flags);
    std::string where = "flags " + std::to_string(c.flags) + " client " +
                        std::to_string(c.width) + "x" + std::to_string(c.height) + ": ";
    EXPECT_TRUE(SameRect(layout.rcImage, c.image)) << where << Describe(layout.rcImage);
    EXPECT_TRUE(SameRect(layout.rcText, c.text)) << where << Describe(layout.rcText);
    EXPECT_TRUE(SameRect(layout.rcFocus, c.focus)) << where << Describe(layout.rcFocus);
  }
}

// ---- The tool pictures --------------------------------------------------------------------

// A bitmap resource's pixels, top row first.
std::vector<COLORREF> ResourcePixels(UINT id, int* width, int* height) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_BITMAP);
  const auto* header =
      static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, found)));
  *width = header->biWidth;
  *height = header->biHeight;
  const BYTE* bits = reinterpret_cast<const BYTE*>(header) + header->biSize;
  const int stride = (*width * 3 + 3) & ~3;
  std::vector<COLORREF> pixels;
  for (int y = *height - 1; y >= 0; --y)
    for (int x = 0; x < *width; ++x) {
      const BYTE* p = bits + y * stride + x * 3;
      pixels.push_back(RGB(p[2], p[1], p[0]));
    }
  return pixels;
}

// At 100 % fifty pixels square (7,600 bytes of pixels); at 150 and 200 %, 75 and 100.
TEST(ToolPictures, AreSquareTrueColourWithoutTheTransparentColour) {
  const struct {
    UINT id;
    int size;
    DWORD pixelBytes;
  } pictures[] = {{IDB_BLOCK_AD, 50, 7600},          {IDB_MOVE_FOLDERS, 50, 7600},
                  {IDB_HOME_PAGE, 50, 7600},         {IDB_CHAT_FILES, 50, 7600},
                  {IDB_BLOCK_AD_150, 75, 17100},     {IDB_MOVE_FOLDERS_150, 75, 17100},
                  {IDB_HOME_PAGE_150, 75, 17100},    {IDB_CHAT_FILES_150, 75, 17100},
                  {IDB_BLOCK_AD_200, 100, 30000},    {IDB_MOVE_FOLDERS_200, 100, 30000},
                  {IDB_HOME_PAGE_200, 100, 30000},   {IDB_CHAT_FILES_200, 100, 30000}};
  for (const auto& picture : pictures) {
    const UINT id = picture.id;
    SCOPED_TRACE(id);
    HRSRC found = FindResourceExW(nullptr, RT_BITMAP, MAKEINTRESOURCEW(id),
                                  MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
    ASSERT_NE(found, nullptr);
    // The header and the pixels, nothing between: no colour table.
    ASSERT_EQ(SizeofResource(nullptr, found), 40u + picture.pixelBytes);
    const auto* header =
        static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, found)));
    EXPECT_EQ(header->biSize, 40u);
    EXPECT_EQ(header->biWidth, picture.size);
    EXPECT_EQ(header->biHeight, picture.size);  // positive: bottom-up rows
    EXPECT_EQ(header->biPlanes, 1);
    EXPECT_EQ(header->biBitCount, 24);
    EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(header->biClrUsed, 0u);
    int width = 0, height = 0;
    std::vector<COLORREF> pixels = ResourcePixels(id, &width, &height);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kTransparent), 0);
  }
}

// ---- Drawing ------------------------------------------------------------------------------

// A 32-bit top-down DIB section selected into a memory device context.
class Canvas {
 public:
  Canvas(int width, int height) : m_width(width), m_height(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    m_hDC = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    m_hBitmap = CreateDIBSection(m_hDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<DWORD*>(bits);
    m_hOld = SelectObject(m_hDC, m_hBitmap);
  }
  ~Canvas() {
    SelectObject(m_hDC, m_hOld);
    DeleteObject(m_hBitmap);
    DeleteDC(m_hDC);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  COLORREF At(int x, int y) const {
    GdiFlush();
    DWORD p = m_bits[y * m_width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  void Fill(COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all = {0, 0, m_width, m_height};
    FillRect(m_hDC, &all, brush);
    DeleteObject(brush);
  }
  // Whether every pixel of the rectangle has the colour.
  bool All(const RECT& r, COLORREF colour) const {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (At(x, y) != colour) return false;
    return true;
  }

  HDC m_hDC;
  int m_width, m_height;

 private:
  HBITMAP m_hBitmap;
  HGDIOBJ m_hOld;
  DWORD* m_bits;
};

class CTestImageButton : public CImageButton {
 public:
  using CImageButton::m_bitmap;
  using CImageButton::m_hDisabledBitmap;
  using CImageButton::m_imageList;
  using CImageButton::m_layoutFlags;
  using CImageButton::m_rcFocus;
  using CImageButton::m_rcImage;
  using CImageButton::m_rcText;
};

const int kButtonId = 1003;

// A real owner-drawn button window of a plain parent, taken over by a CImageButton.
class ImageButtonDraw : public testing::Test {
 protected:
  void SetUp() override {
    m_hParent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(m_hParent, nullptr);
    m_face = GetSysColor(COLOR_BTNFACE);
  }
  void TearDown() override { DestroyWindow(m_hParent); }

  void MakeButton(int width, int height, const wchar_t* caption = L"") {
    HWND button = CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0,
                                  width, height, m_hParent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)),
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(m_button.SubclassWindow(button));
  }

  void Draw(Canvas& canvas, UINT state, UINT type = ODT_BUTTON) {
    DRAWITEMSTRUCT item = {};
    item.CtlType = type;
    item.CtlID = kButtonId;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = m_button.m_hWnd;
    item.hDC = canvas.m_hDC;
    GetClientRect(m_button.m_hWnd, &item.rcItem);
    m_button.DrawItem(&item);
  }

  // Whether the picture's pixels lie exactly at (left, top) of the canvas.
  static bool PictureAt(const Canvas& canvas, UINT id, int left, int top) {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels = ResourcePixels(id, &width, &height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (canvas.At(left + x, top + y) != pixels[y * width + x]) return false;
    return true;
  }

  HWND m_hParent = nullptr;
  COLORREF m_face = 0;
  CTestImageButton m_button;
};

// An 80 x 70 button leaves the frames around the 50 x 50 picture (at 0,10) partly visible:
// sample them to the right of the picture, on each edge.
const int kWide = 80, kHigh = 70, kPictureTop = 10;
const POINT kOuterEdge[] = {{65, 0}, {65, kHigh - 1}, {kWide - 1, 35}, {0, 5}};
const POINT kInsetEdge[] = {{65, 1}, {65, kHigh - 2}, {kWide - 2, 35}, {1, 5}};

TEST_F(ImageButtonDraw, LaysItselfOutOnLoadAndOnResize) {
  MakeButton(120, 56);
  ASSERT_TRUE(m_button.SetBitmapResource(IDB_BLOCK_AD));
  EXPECT_EQ(m_button.m_rcImage.top, 4);
  EXPECT_EQ(m_button.m_rcText.right, 114);
  SetWindowPos(m_button.m_hWnd, nullptr, 0, 0, 140, 60, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(m_button.m_rcImage.top, 5);
  EXPECT_EQ(m_button.m_rcText.right, 134);
}

TEST_F(ImageButtonDraw, NormalAndPushedLooks) {
  MakeButton(kWide, kHigh);
  ASSERT_TRUE(m_button.SetBitmapResource(IDB_BLOCK_AD));
  Canvas normal(kWide, kHigh), pushed(kWide, kHigh);
  Draw(normal, 0);
  Draw(pushed, ODS_SELECTED);

  // Normal: the opaque picture at its place, a raised frame, no black line.
  EXPECT_TRUE(PictureAt(normal, IDB_BLOCK_AD, 0, kPictureTop));
  for (POINT p : kOuterEdge) {
    EXPECT_NE(normal.At(p.x, p.y), m_face) << p.x << "," << p.y;
    EXPECT_NE(normal.At(p.x, p.y), RGB(0, 0, 0)) << p.x << "," << p.y;
  }
  // Pushed: moved exactly one pixel right and down; a black line instead of the raised frame.
  EXPECT_TRUE(PictureAt(pushed, IDB_BLOCK_AD, 1, kPictureTop + 1));
  EXPECT_FALSE(PictureAt(pushed, IDB_BLOCK_AD, 0, kPictureTop));
  for (POINT p : kOuterEdge) EXPECT_EQ(pushed.At(p.x, p.y), RGB(0, 0, 0)) << p.x << "," << p.y;
  for (POINT p : kInsetEdge) EXPECT_EQ(pushed.At(p.x, p.y), m_face) << p.x << "," << p.y;
}

TEST_F(ImageButtonDraw, FocusShowsBlackFrameAndFocusRectangleOnlyWhenEnabledAndFocused) {
  MakeButton(kWide, kHigh);
  ASSERT_TRUE(m_button.SetBitmapResource(IDB_BLOCK_AD));
  // The focus rectangle goes around the caption area, right of the picture.
  const RECT focus = m_button.m_rcFocus;
  ASSERT_TRUE(SameRect(focus, {54, 4, kWide - 4, kHigh - 4})) << Describe(focus);
  const RECT focusTop = {focus.left, focus.top, focus.right, focus.top + 1};
  Canvas plain(kWide, kHigh), focused(kWide, kHigh), disabled(kWide, kHigh);
  Draw(plain, 0);
  Draw(focused, ODS_FOCUS);
  Draw(disabled, ODS_FOCUS | ODS_DISABLED);

  for (POINT p : kOuterEdge) {
    EXPECT_EQ(focused.At(p.x, p.y), RGB(0, 0, 0)) << p.x << "," << p.y;
    EXPECT_EQ(disabled.At(p.x, p.y), m_face) << p.x << "," << p.y;
  }
  // The raised frame moves one pixel in, inside the black line.
  EXPECT_NE(focused.At(kWide - 2, 35), m_face);
  EXPECT_NE(focused.At(kWide - 2, 35), RGB(0, 0, 0));
  EXPECT_TRUE(PictureAt(focused, IDB_BLOCK_AD, 0, kPictureTop));
  // Drawn once (a second XOR draw would erase it), and never without the focus.
  EXPECT_FALSE(focused.All(focusTop, m_face));
  EXPECT_TRUE(plain.All(focusTop, m_face));
}

TEST_F(ImageButtonDraw, DisabledShowsAnEmbossedPictureAndNoBlackFrame) {
  MakeButton(kWide, kHigh);
  ASSERT_TRUE(m_button.SetBitmapResource(IDB_BLOCK_AD));
  ASSERT_NE(m_button.m_hDisabledBitmap, nullptr);
  Canvas disabled(kWide, kHigh), disabledPushed(kWide, kHigh);
  Draw(disabled, ODS_DISABLED);
  Draw(disabledPushed, ODS_DISABLED | ODS_SELECTED);

  // Only the face and the two emboss colours, both of them, where the picture would be.
  const COLORREF light = GetSysColor(COLOR_3DHILIGHT), shadow = GetSysColor(COLOR_3DSHADOW);
  bool sawLight = false, sawShadow = false, onlyEmboss = true;
  for (int y = kPictureTop + 2; y < kPictureTop + 50; ++y)
    for (int x = 2; x < 50; ++x) {
      COLORREF c = disabled.At(x, y);
      sawLight |= c == light;
      sawShadow |= c == shadow;
      onlyEmboss &= c == light || c == shadow || c == m_face;
    }
  EXPECT_TRUE(sawLight && sawShadow && onlyEmboss);
  // Pushed and disabled: neither the raised frame nor a black line.
  for (POINT p : kOuterEdge) {
    EXPECT_NE(disabled.At(p.x, p.y), RGB(0, 0, 0)) << p.x << "," << p.y;
    EXPECT_EQ(disabledPushed.At(p.x, p.y), m_face) << p.x << "," << p.y;
  }
}

TEST_F(ImageButtonDraw, WithoutPictureDrawsFaceWhereThePictureWouldBe) {
  MakeButton(kWide, kHigh);
  EXPECT_FALSE(m_button.SetBitmapResource(kMissingBitmap));
  for (UINT state : {0u, UINT(ODS_SELECTED), UINT(ODS_DISABLED)}) {
    Canvas canvas(kWide, kHigh);
    Draw(canvas, state);
    EXPECT_TRUE(canvas.All({3, kPictureTop, 50, kPictureTop + 50}, m_face)) << state;
  }
}

TEST_F(ImageButtonDraw, OtherControlTypesDrawNothing) {
  MakeButton(kWide, kHigh);
  ASSERT_TRUE(m_button.SetBitmapResource(IDB_BLOCK_AD));
  for (UINT type : {UINT(ODT_MENU), UINT(ODT_LISTBOX), UINT(ODT_STATIC)}) {
    Canvas canvas(kWide, kHigh);
    canvas.Fill(RGB(1, 2, 3));
    Draw(canvas, ODS_FOCUS | ODS_SELECTED, type);
    EXPECT_TRUE(canvas.All({0, 0, kWide, kHigh}, RGB(1, 2, 3))) << type;
  }
}

TEST_F(ImageButtonDraw, TransparentPixelsShowTheFace) {
  MakeButton(kWide, kHigh);
  m_button.m_layoutFlags = BIL_HCENTER | BIL_VCENTER;
  ASSERT_TRUE(m_button.SetBitmapResource(IDB_TEST_HALF_TRANSPARENT));
  ASSERT_TRUE(SameRect(m_button.m_rcImage, {36, 31, 44, 39})) << Describe(m_button.m_rcImage);
  Canvas canvas(kWide, kHigh);
  Draw(canvas, 0);
  EXPECT_TRUE(canvas.All({36, 31, 44, 35}, m_face));
  EXPECT_TRUE(canvas.All({36, 35, 44, 39}, RGB(128, 128, 128)));
}

TEST_F(ImageButtonDraw, SecondLoadReleasesTheFirst) {
  MakeButton(kWide, kHigh);
  ASSERT_TRUE(m_button.SetBitmapResource(IDB_BLOCK_AD));
  HBITMAP firstBitmap = m_button.m_bitmap, firstDisabled = m_button.m_hDisabledBitmap;
  ASSERT_EQ(GetObjectType(firstBitmap), static_cast<DWORD>(OBJ_BITMAP));
  ASSERT_EQ(GetObjectType(firstDisabled), static_cast<DWORD>(OBJ_BITMAP));
  EXPECT_EQ(ImageList_GetImageCount(m_button.m_imageList.m_hImageList), 1);

  ASSERT_TRUE(m_button.SetBitmapResource(IDB_MOVE_FOLDERS));
  EXPECT_EQ(GetObjectType(firstBitmap), 0u);
  EXPECT_EQ(GetObjectType(firstDisabled), 0u);
  Canvas second(kWide, kHigh);
  Draw(second, 0);
  EXPECT_TRUE(PictureAt(second, IDB_MOVE_FOLDERS, 0, kPictureTop));

  // A failed load still lets go of what the button held, and leaves it without a picture.
  HBITMAP secondBitmap = m_button.m_bitmap, secondDisabled = m_button.m_hDisabledBitmap;
  HIMAGELIST secondList = m_button.m_imageList.m_hImageList;
  EXPECT_FALSE(m_button.SetBitmapResource(kMissingBitmap));
  EXPECT_EQ(GetObjectType(secondBitmap), 0u);
  EXPECT_EQ(GetObjectType(secondDisabled), 0u);
  EXPECT_EQ(ImageList_GetImageCount(secondList), 0);
  Canvas none(kWide, kHigh);
  Draw(none, 0);
  EXPECT_TRUE(none.All({3, kPictureTop, 50, kPictureTop + 50}, m_face));
}

TEST_F(ImageButtonDraw, CaptionInEachState) {
  const int wide = 160;
  MakeButton(wide, kHigh, L"Ab");
  ASSERT_TRUE(m_button.SetBitmapResource(IDB_BLOCK_AD));
  m_button.m_crText = RGB(200, 0, 0);
  Canvas normal(wide, kHigh), pushed(wide, kHigh), disabled(wide, kHigh);
  Draw(normal, 0);
  Draw(pushed, ODS_SELECTED);
  Draw(disabled, ODS_DISABLED);

  // Bounds of the pixels that pass a test, inside the focus area.
  auto bounds = [&](const Canvas& canvas, const std::function<bool(COLORREF)>& test) {
    RECT found = {wide, kHigh, 0, 0};
    for (int y = 4; y < kHigh - 4; ++y)
      for (int x = 54; x < wide - 4; ++x)
        if (test(canvas.At(x, y))) {
          found.left = std::min<LONG>(found.left, x);
          found.top = std::min<LONG>(found.top, y);
          found.right = std::max<LONG>(found.right, x + 1);
          found.bottom = std::max<LONG>(found.bottom, y + 1);
        }
    return found;
  };
  auto is = [](COLORREF colour) { return [colour](COLORREF c) { return c == colour; }; };
  auto ink = [&](COLORREF c) { return c != m_face; };

  RECT text = bounds(normal, is(RGB(200, 0, 0)));
  ASSERT_FALSE(IsRectEmpty(&text));
  RECT inside;
  EXPECT_TRUE(IntersectRect(&inside, &text, &m_button.m_rcText) && SameRect(inside, text));
  RECT moved = text;
  OffsetRect(&moved, 1, 1);
  EXPECT_TRUE(SameRect(bounds(pushed, is(RGB(200, 0, 0))), moved)) << Describe(text);
  // Disabled: grey text over a light copy one pixel down and right; the caption colour unused.
  RECT red = bounds(disabled, is(RGB(200, 0, 0)));
  RECT grey = bounds(disabled, is(GetSysColor(COLOR_GRAYTEXT)));
  RECT light = bounds(disabled, is(GetSysColor(COLOR_WINDOW)));
  EXPECT_TRUE(IsRectEmpty(&red));
  EXPECT_FALSE(IsRectEmpty(&grey));
  EXPECT_FALSE(IsRectEmpty(&light));
  RECT grown = bounds(normal, ink);
  grown.right += 1;
  grown.bottom += 1;
  EXPECT_TRUE(SameRect(bounds(disabled, ink), grown)) << Describe(bounds(disabled, ink));
}

TEST_F(ImageButtonDraw, HandCursorWhateverTheHitTest) {
  MakeButton(kWide, kHigh);
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  const struct {
    UINT hitTest, message;
  } cases[] = {{HTCLIENT, WM_MOUSEMOVE}, {HTBORDER, WM_LBUTTONDOWN}, {HTNOWHERE, 0}};
  for (const auto& c : cases) {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    LRESULT handled = SendMessageW(m_button.m_hWnd, WM_SETCURSOR,
                                   reinterpret_cast<WPARAM>(m_button.m_hWnd),
                                   MAKELPARAM(c.hitTest, c.message));
    EXPECT_EQ(handled, TRUE) << c.hitTest;
    EXPECT_EQ(GetCursor(), hand) << c.hitTest;
  }
}

}  // namespace
