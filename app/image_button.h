// CImageButton: an owner-drawn push button showing a bitmap resource, with an optional caption
// beside, above or below it. It draws the normal, pushed, focused and disabled looks itself and
// shows the hand cursor; the owner binds it to an existing BS_OWNERDRAW control.
#pragma once

#include "app/dpi.h"
#include "framework/framework.h"

// Placement of image, caption and focus rectangle.
enum : UINT {
  BIL_SHOWTEXT = 0x01,    // compute the caption and focus rectangles
  BIL_IMAGERIGHT = 0x02,  // image 6 pixels from the right edge
  BIL_VCENTER = 0x04,     // image centred vertically, caption beside it
  BIL_BOTTOM = 0x08,      // (without BIL_VCENTER) image 6 pixels above the bottom, caption above
  BIL_HCENTER = 0x10,     // image centred horizontally
  BIL_FOCUSTEXT = 0x20,   // focus rectangle around the caption instead of inside the frame
};

struct ImageButtonLayout {
  RECT rcImage;
  RECT rcText;
  RECT rcFocus;
};

// Where a button of the given client size puts an image of the given size, its caption and its
// focus rectangle, with margins scaled to dpi. Nothing is clamped: a button too small for image
// and margins gets empty or inverted caption and focus rectangles.
ImageButtonLayout ComputeImageButtonLayout(int clientWidth, int clientHeight, int imageWidth,
                                           int imageHeight, UINT flags, UINT dpi = kDesignDpi);

// One picture drawn at 100, 150 and 200 % of its size (bitmap resource ids).
struct ScaledPicture {
  UINT at100;
  UINT at150;
  UINT at200;
};
// The drawing to show at dpi: the largest no larger than the picture scaled to dpi, so that it
// is shown pixel for pixel, never stretched, and outgrows its button no more than at 100 %.
UINT PictureForDpi(const ScaledPicture& picture, UINT dpi);

class CImageButton : public CButton {
 public:
  CImageButton();
  ~CImageButton() override;

  // Makes bitmap resource id the button's picture; FALSE when it cannot be loaded or its image
  // list cannot be made, and then the button shows no picture.
  BOOL SetBitmapResource(UINT id);
  // Shows the drawing of picture that fits dpi, laid out with margins for dpi.
  BOOL SetPicture(const ScaledPicture& picture, UINT dpi);
  void DrawItem(DRAWITEMSTRUCT* drawItem) override;

 protected:
  void ComputeLayout();
  void OnSetFocus(HWND previous);
  void OnSysColorChange();
  void OnSize(UINT type, int cx, int cy);
  void OnEnable(BOOL enable);
  BOOL OnSetCursor(HWND window, UINT hitTest, UINT message);
  DECLARE_MESSAGE_MAP()

  CBitmap m_bitmap;
  BITMAP m_bitmapInfo;
  HBITMAP m_hDisabledBitmap;  // greyed-look source, owned
  CImageList m_imageList;     // the picture with its mask, drawn when enabled
  BOOL m_bLoaded;
  UINT m_layoutFlags;
  RECT m_rcImage;
  RECT m_rcText;
  RECT m_rcFocus;
  UINT m_nDpi;

 public:
  COLORREF m_crText;  // caption colour when enabled
};
