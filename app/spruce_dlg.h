// The main window: the category list, the clean button and the tool buttons.
#pragma once

#include "app/image_button.h"
#include "framework/framework.h"

class CSpruceDlg : public CDialog {
 public:
  CSpruceDlg();

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnSysCommand(UINT id, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnBnClickedClean();
  void OnCustomDrawCategoryList(NMHDR* header, LRESULT* result);
  void OnGetInfoTipCategoryList(NMHDR* header, LRESULT* result);
  void OnBnClickedBlockAd();
  void OnBnClickedHomePage();
  void OnBnClickedMoveFolders();
  void OnBnClickedChatFiles();
  LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
  LRESULT OnGetFont(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  HICON m_hIcon;
  CListCtrl m_listCategories;
  CButton m_btnClean;
  CImageButton m_btnBlockAd;
  CImageButton m_btnMoveFolders;
  CImageButton m_btnHomePage;
  CImageButton m_btnChatFiles;
  UINT m_nDpi;   // what the window is laid out for
  CFont m_font;  // the window's font once rescaled; till then the dialog's own

 private:
  void AddAboutItem();
  void SetUpToolButtons();
  void InsertColumns();
  void GetColumnWidths(int widths[]) const;
  void FillCategoryList();
  void RescaleControls(UINT fromDpi, UINT toDpi);
};
