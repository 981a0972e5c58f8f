#include "app/spruce_dlg.h"

#include "app/about_dlg.h"
#include "app/home_page.h"
#include "engine/categories.h"
#include "engine/engine.h"
#include "res/resource.h"
#include "res/version.h"
#include "tools/block_ad_dlg.h"
#include "tools/move_directory_dlg.h"

#include <wchar.h>

// The project's download page, opened by the third picture button.
const wchar_t kHomePageUrl[] = L"" SPRUCE_HOME_PAGE_URL;

CSpruceDlg::CSpruceDlg()
    : CDialog(IDD_SPRUCE_DIALOG),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

BEGIN_MESSAGE_MAP(CSpruceDlg, CDialog)
  ON_WM_SYSCOMMAND()
  ON_WM_PAINT()
  ON_WM_QUERYDRAGICON()
  ON_BN_CLICKED(IDC_CLEAN, OnBnClickedClean)
  ON_NOTIFY(NM_CUSTOMDRAW, IDC_CATEGORY_LIST, OnCustomDrawCategoryList)
  ON_BN_CLICKED(IDC_BLOCK_AD, OnBnClickedBlockAd)
  ON_BN_CLICKED(IDC_HOME_PAGE, OnBnClickedHomePage)
  ON_BN_CLICKED(IDC_MOVE_FOLDERS, OnBnClickedMoveFolders)
END_MESSAGE_MAP()

void CSpruceDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_CATEGORY_LIST, m_listCategories);
  DDX_Control(pDX, IDC_CLEAN, m_btnClean);
  DDX_Control(pDX, IDC_BLOCK_AD, m_btnBlockAd);
  DDX_Control(pDX, IDC_MOVE_FOLDERS, m_btnMoveFolders);
  DDX_Control(pDX, IDC_HOME_PAGE, m_btnHomePage);
}

BOOL CSpruceDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  AddAboutItem();
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  SetUpToolButtons();
  m_listCategories.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_CHECKBOXES |
                                    LVS_EX_FULLROWSELECT);
  m_listCategories.InsertColumn(0, L"名称", LVCFMT_CENTER, 220);
  m_listCategories.InsertColumn(1, L"大小", LVCFMT_RIGHT, 60);
  FillCategoryList();
  StartCategoryWorker(SurveyThreadProc, m_listCategories.m_hWnd, m_btnClean.m_hWnd);
  return TRUE;
}

void CSpruceDlg::AddAboutItem() {
  CMenu* systemMenu = GetSystemMenu(FALSE);
  if (!systemMenu) return;
  CString about;
  about.LoadString(IDS_ABOUTBOX);
  if (about.IsEmpty()) return;
  systemMenu->AppendMenu(MF_SEPARATOR);
  systemMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
}

void CSpruceDlg::SetUpToolButtons() {
  const struct {
    CImageButton* button;
    UINT bitmap;
  } tools[] = {{&m_btnBlockAd, IDB_BLOCK_AD},
               {&m_btnMoveFolders, IDB_MOVE_FOLDERS},
               {&m_btnHomePage, IDB_HOME_PAGE}};
  for (const auto& tool : tools) {
    tool.button->m_crText = RGB(200, 0, 0);  // the buttons have no caption: never seen
    tool.button->SetBitmapResource(tool.bitmap);
  }
}

void CSpruceDlg::FillCategoryList() {
  for (int row = 0; row < kCategoryCount; ++row) {
    m_listCategories.InsertItem(row, kCategoryRows[row].label);
    m_listCategories.SetItemText(row, 1, L"counting...");
    m_listCategories.SetCheck(row, IsCheckedAtStart(row));
  }
}

void CSpruceDlg::OnSysCommand(UINT id, LPARAM lParam) {
  if ((id & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.DoModal();
  } else {
    CDialog::OnSysCommand(id, lParam);
  }
}

void CSpruceDlg::OnPaint() {
  if (!IsIconic()) {
    CDialog::OnPaint();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
  int iconWidth = GetSystemMetrics(SM_CXICON);
  int iconHeight = GetSystemMetrics(SM_CYICON);
  RECT client;
  GetClientRect(&client);
  int x = (client.right - client.left - iconWidth + 1) / 2;
  int y = (client.bottom - client.top - iconHeight + 1) / 2;
  DrawIcon(dc.m_hDC, x, y, m_hIcon);
}

HCURSOR CSpruceDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CSpruceDlg::OnBnClickedClean() {
  // Disabled here already, so that a second click cannot start a second run before the
  // worker has disabled the button itself.
  m_btnClean.EnableWindow(FALSE);
  if (!StartCategoryWorker(CleanThreadProc, m_listCategories.m_hWnd, m_btnClean.m_hWnd))
    m_btnClean.EnableWindow(TRUE);
}

void CSpruceDlg::OnCustomDrawCategoryList(NMHDR* header, LRESULT* result) {
  NMLVCUSTOMDRAW* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
  *result = CDRF_DODEFAULT;
  DWORD stage = draw->nmcd.dwDrawStage;
  if (stage == CDDS_PREPAINT || stage == CDDS_ITEMPREPAINT) {
    *result = CDRF_NOTIFYITEMDRAW;  // report every item and sub-item before drawing it
  } else if (stage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
    // Rows the clean run has marked "OK" stand out, both cells, blue on white.
    wchar_t size[64];
    wmemset(size, L'\0', 64);
    m_listCategories.GetItemText(static_cast<int>(draw->nmcd.dwItemSpec), 1, size, 64);
    if (_wcsnicmp(size, L"OK", 2) == 0) {
      draw->clrText = RGB(0, 0, 255);
      draw->clrTextBk = RGB(255, 255, 255);
    }
  }
}

void CSpruceDlg::OnBnClickedBlockAd() {
  CBlockADDlg blockAd;
  blockAd.DoModal();
}

void CSpruceDlg::OnBnClickedHomePage() {
  OpenHomePage(m_hWnd, kHomePageUrl, OpenThroughDesktopShell);
}

void CSpruceDlg::OnBnClickedMoveFolders() {
  CMoveDirectoryDlg moveFolders;
  moveFolders.DoModal();
}
