// The main window: the category list, the clean button and the tool buttons.
#pragma once

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
  DECLARE_MESSAGE_MAP()

  HICON m_hIcon;
  CListCtrl m_listCategories;
  CButton m_btnClean;

 private:
  void AddAboutItem();
  void FillCategoryList();
};
