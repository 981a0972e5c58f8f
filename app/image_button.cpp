#include "app/image_button.h"

#include "framework/dll_export.h"

#include <algorithm>
#include <string>

namespace {

// Pixels of this colour are transparent in the picture.
const COLORREF TRANSPARENT_COLOR = RGB(255, 0, 255);

// Margins at 96 dpi, scaled to the button's.
const int kCaptionMargin = 6;  // caption from the edges and the image; image from right/bottom
const int kFocusMargin = 4;    // focus rectangle from the edges; least room around a centred image

typedef int(WINAPI* ImageListAddMaskedProc)(HIMAGELIST list, HBITMAP image, COLORREF mask);

// Adds image to list with every pixel of colour mask made transparent. The entry point comes
// from the common controls this thread already uses: the program's manifest asks for version 6,
// and on the window's thread the program's own activation context is the active one, so the
// lookup finds the same library whose image lists the button creates.
int AddMaskedImage(HIMAGELIST list, HBITMAP image, COLORREF mask) {
  HMODULE controls = GetModuleHandleW(L"comctl32.dll");
  if (!controls) controls = LoadLibraryW(L"comctl32.dll");
  auto addMasked = FindExport<ImageListAddMaskedProc>(controls, "ImageList_AddMasked");
  return addMasked ? addMasked(list, image, mask) : -1;
}

}  // namespace

ImageButtonLayout ComputeImageButtonLayout(int clientWidth, int clientHeight, int imageWidth,
                                           int imageHeight, UINT flags, UINT dpi) {
  const int captionMargin = ScaleToDpi(kCaptionMargin, dpi);
  const int focusMargin = ScaleToDpi(kFocusMargin, dpi);
  ImageButtonLayout layout;
  RECT& image = layout.rcImage;
  SetRect(&image, 0, 0, imageWidth, imageHeight);
  SetRectEmpty(&layout.rcText);
  SetRectEmpty(&layout.rcFocus);

  if (flags & BIL_IMAGERIGHT) {
    image.left = clientWidth - imageWidth - captionMargin;
    image.right = clientWidth - captionMargin;
  }
  if (flags & BIL_VCENTER) {
    int spare = clientHeight - imageHeight;
    if (spare > 0) {
      image.top = std::max(spare / 2, focusMargin);
      image.bottom = image.top + imageHeight;
    }
  } else if (flags & BIL_BOTTOM) {
    image.top = std::max(clientHeight - imageHeight - captionMargin, captionMargin);
    image.bottom = image.top + imageHeight;
  }
  if (flags & BIL_HCENTER) {
    int spare = clientWidth - imageWidth;
    if (spare > 0) {
      image.left = std::max(spare / 2, focusMargin);
      image.right = image.left + imageWidth;
    }
  }
  if (!(flags & BIL_SHOWTEXT)) return layout;

  // The caption takes the room beside, above or below the image, less its margin; the focus
  // rectangle encloses it by the difference of the two margins.
  RECT& text = layout.rcText;
  if (flags & BIL_VCENTER) {
    text.top = captionMargin;
    text.bottom = clientHeight - captionMargin;
  } else if (flags & BIL_BOTTOM) {
    text.top = captionMargin;
    text.bottom = image.top - captionMargin;
  } else {
    text.top = image.bottom + captionMargin;
    text.bottom = clientHeight - captionMargin;
  }
  if (!(flags & BIL_VCENTER)) {
    text.left = captionMargin;
    text.right = clientWidth - captionMargin;
  } else if (flags & BIL_IMAGERIGHT) {
    text.left = captionMargin;
    text.right = image.left - captionMargin;
  } else {
    text.left = image.right + captionMargin;
    text.right = clientWidth - captionMargin;
  }
  layout.rcFocus = text;
  InflateRect(&layout.rcFocus, captionMargin - focusMargin, captionMargin - focusMargin);
  return layout;
}

UINT PictureForDpi(const ScaledPicture& picture, UINT dpi) {
  if (dpi >= 2 * kDesignDpi) return picture.at200;
  if (2 * dpi >= 3 * kDesignDpi) return picture.at150;
  return picture.at100;
}

CImageButton::CImageButton()
    : m_bitmapInfo(),
      m_hDisabledBitmap(nullptr),
      m_bLoaded(FALSE),
      m_layoutFlags(BIL_SHOWTEXT | BIL_VCENTER | BIL_FOCUSTEXT),
      m_nDpi(kDesignDpi),
      m_crText(GetSysColor(COLOR_WINDOWTEXT)) {
  SetRectEmpty(&m_rcImage);
  SetRectEmpty(&m_rcText);
  SetRectEmpty(&m_rcFocus);
}

// The image list and the bitmap go with their members, in that order, after this.
CImageButton::~CImageButton() {
  if (m_bLoaded) {
    ::DeleteObject(m_hDisabledBitmap);
    m_hDisabledBitmap = nullptr;
    m_bLoaded = FALSE;
  }
}

BEGIN_MESSAGE_MAP(CImageButton, CButton)
  ON_WM_SETFOCUS()
  ON_WM_SYSCOLORCHANGE()
  ON_WM_SIZE()
  ON_WM_ENABLE()
  ON_WM_SETCURSOR()
END_MESSAGE_MAP()

BOOL CImageButton::SetBitmapResource(UINT id) {
  if (m_bLoaded) {
    ::DeleteObject(m_hDisabledBitmap);
    m_hDisabledBitmap = nullptr;
    m_imageList.DeleteImageList();
    m_bitmap.DeleteObject();
    m_bLoaded = FALSE;
  }
  HINSTANCE module = GetModuleHandleW(nullptr);
  if (!m_bitmap.Attach(LoadBitmapW(module, MAKEINTRESOURCEW(id)))) return FALSE;
  m_bitmap.GetBitmap(&m_bitmapInfo);
  if (!m_imageList.Create(m_bitmapInfo.bmWidth, m_bitmapInfo.bmHeight, ILC_COLORDDB | ILC_MASK, 1,
                          1)) {
    m_bitmap.DeleteObject();
    return FALSE;
  }
  AddMaskedImage(m_imageList.m_hImageList, m_bitmap, TRANSPARENT_COLOR);
  m_bLoaded = TRUE;

  // The disabled look is drawn from a copy whose transparent colour is white; without the copy
  // the disabled button just shows no picture.
  COLORMAP transparentToWhite = {TRANSPARENT_COLOR, RGB(255, 255, 255)};
  HBITMAP mapped = CreateMappedBitmap(module, id, 0, &transparentToWhite, 1);
  m_hDisabledBitmap = static_cast<HBITMAP>(CopyImage(
      mapped, IMAGE_BITMAP, m_bitmapInfo.bmWidth, m_bitmapInfo.bmHeight, LR_COPYDELETEORG));

  ComputeLayout();
  Invalidate(TRUE);
  return TRUE;
}

BOOL CImageButton::SetPicture(const ScaledPicture& picture, UINT dpi) {
  m_nDpi = dpi;
  return SetBitmapResource(PictureForDpi(picture, dpi));
}

void CImageButton::ComputeLayout() {
  RECT client = {};
  GetClientRect(&client);
  ImageButtonLayout layout =
      ComputeImageButtonLayout(client.right - client.left, client.bottom - client.top,
                               m_bitmapInfo.bmWidth, m_bitmapInfo.bmHeight, m_layoutFlags, m_nDpi);
  m_rcImage = layout.rcImage;
  m_rcText = layout.rcText;
  m_rcFocus = layout.rcFocus;
}

void CImageButton::DrawItem(DRAWITEMSTRUCT* drawItem) {
  if (drawItem->CtlType != ODT_BUTTON) return;
  HDC dc = drawItem->hDC;
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(GetParent(), WM_GETFONT, 0, 0));
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  const bool pushed = drawItem->itemState & ODS_SELECTED;
  const bool disabled = drawItem->itemState & ODS_DISABLED;
  const bool focused = drawItem->itemState & ODS_FOCUS;

  RECT outer = drawItem->rcItem;
  RECT frame = outer;
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  FillRect(dc, &outer, face);
  ::DeleteObject(face);
  // Focus puts a black line around the raised frame.
  if (focused) InflateRect(&frame, -1, -1);
  RECT insideFrame = frame;
  InflateRect(&insideFrame, -3, -3);

  int offset = 0;
  if (pushed)
    offset = 1;
  else
    DrawFrameControl(dc, &frame, DFC_BUTTON, DFCS_BUTTONPUSH);
  if (!disabled) {
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    if (focused) FrameRect(dc, &outer, black);
    if (pushed) FrameRect(dc, &frame, black);
  }
  // The face was just repainted, so one draw shows the (XOR-drawn) focus rectangle.
  if (focused) DrawFocusRect(dc, (m_layoutFlags & BIL_FOCUSTEXT) ? &m_rcFocus : &insideFrame);

  if (m_bLoaded) {
    int x = m_rcImage.left + offset, y = m_rcImage.top + offset;
    if (!disabled) {
      IMAGELISTDRAWPARAMS params = {};
      params.cbSize = sizeof(params);
      params.i = 0;
      params.hdcDst = dc;
      params.x = x;
      params.y = y;
      params.cx = m_bitmapInfo.bmWidth;
      params.cy = m_bitmapInfo.bmHeight;
      params.rgbBk = CLR_DEFAULT;
      params.rgbFg = CLR_DEFAULT;
      params.fStyle = ILD_NORMAL;
      params.dwRop = SRCCOPY;
      params.fState = ILS_NORMAL;
      params.crEffect = CLR_DEFAULT;
      m_imageList.DrawIndirect(&params);
    } else {
      DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(m_hDisabledBitmap), 0, x, y,
                 m_bitmapInfo.bmWidth, m_bitmapInfo.bmHeight, DST_BITMAP | DSS_DISABLED);
    }
  }

  SelectObject(dc, font);
  std::wstring caption(GetWindowTextLengthW(m_hWnd) + 1, L'\0');
  caption.resize(GetWindowTextW(m_hWnd, &caption[0], static_cast<int>(caption.size())));
  SetBkMode(dc, TRANSPARENT);
  RECT captionRect = m_rcText;
  if (pushed) OffsetRect(&captionRect, 1, 1);
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  const int length = static_cast<int>(caption.size());
  if (disabled) {
    // Engraved: a light copy one pixel down and right under the grey text.
    OffsetRect(&captionRect, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_WINDOW));
    DrawTextW(dc, caption.c_str(), length, &captionRect, format);
    OffsetRect(&captionRect, -1, -1);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  } else {
    SetTextColor(dc, m_crText);
  }
  DrawTextW(dc, caption.c_str(), length, &captionRect, format);
}

void CImageButton::OnSetFocus(HWND) {
  Default();
  Invalidate(TRUE);
}

void CImageButton::OnSysColorChange() {
  // The base handling of the button: the window's own procedure.
  Default();
  Invalidate(TRUE);
}

void CImageButton::OnSize(UINT, int, int) {
  Default();
  ComputeLayout();
  Invalidate(TRUE);
}

void CImageButton::OnEnable(BOOL) { Default(); }

BOOL CImageButton::OnSetCursor(HWND, UINT, UINT) {
  ::SetCursor(LoadCursorW(nullptr, IDC_HAND));
  return TRUE;
}
