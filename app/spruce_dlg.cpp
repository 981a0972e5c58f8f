#include "app/spruce_dlg.h"

#include "app/about_dlg.h"
#include "app/dpi.h"
#include "app/home_page.h"
#include "engine/engine.h"
#include "engine/rows.h"
#include "res/resource.h"
#include "res/version.h"
#include "tools/block_ad_dlg.h"
#include "tools/chat_files_dlg.h"
#include "tools/move_directory_dlg.h"

#include <wchar.h>

// The project's download page, opened by the third picture button.
const wchar_t kHomePageUrl[] = L"" SPRUCE_HOME_PAGE_URL;

// The category list's columns; widths in pixels at 96 dpi. A size column that fits the widest
// size the list shows in practice never cuts a size short ("6553...").
const struct {
  const wchar_t* heading;
  int format;
  int width;
  const wchar_t* widestText;  // or null
} kColumns[] = {{L"名称", LVCFMT_CENTER, 220, nullptr},
                {L"大小", LVCFMT_RIGHT, 60, L"99999 MB"}};
const int kColumnCount = ARRAYSIZE(kColumns);

CSpruceDlg::CSpruceDlg()
    : CDialog(IDD_SPRUCE_DIALOG),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_nDpi(kDesignDpi) {}

BEGIN_MESSAGE_MAP(CSpruceDlg, CDialog)
  ON_WM_SYSCOMMAND()
  ON_WM_PAINT()
  ON_WM_QUERYDRAGICON()
  ON_BN_CLICKED(IDC_CLEAN, OnBnClickedClean)
  ON_NOTIFY(NM_CUSTOMDRAW, IDC_CATEGORY_LIST, OnCustomDrawCategoryList)
  ON_NOTIFY(LVN_GETINFOTIPW, IDC_CATEGORY_LIST, OnGetInfoTipCategoryList)
  ON_BN_CLICKED(IDC_BLOCK_AD, OnBnClickedBlockAd)
  ON_BN_CLICKED(IDC_HOME_PAGE, OnBnClickedHomePage)
  ON_BN_CLICKED(IDC_MOVE_FOLDERS, OnBnClickedMoveFolders)
  ON_BN_CLICKED(IDC_CHAT_FILES, OnBnClickedChatFiles)
  ON_MESSAGE(WM_DPICHANGED, OnDpiChanged)
  ON_MESSAGE(WM_GETFONT, OnGetFont)
END_MESSAGE_MAP()

void CSpruceDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_CATEGORY_LIST, m_listCategories);
  DDX_Control(pDX, IDC_CLEAN, m_btnClean);
  DDX_Control(pDX, IDC_BLOCK_AD, m_btnBlockAd);
  DDX_Control(pDX, IDC_MOVE_FOLDERS, m_btnMoveFolders);
  DDX_Control(pDX, IDC_HOME_PAGE, m_btnHomePage);
  DDX_Control(pDX, IDC_CHAT_FILES, m_btnChatFiles);
}

BOOL CSpruceDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  AddAboutItem();
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  // The system made the window for its DPI; a move to a monitor of another DPI is ours to follow.
  m_nDpi = GetWindowDpi(m_hWnd);
  TakeOverDialogDpiScaling(m_hWnd);
  SetUpToolButtons();
  m_listCategories.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_CHECKBOXES |
                                    LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  InsertColumns();
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
    ScaledPicture picture;
  } tools[] = {{&m_btnBlockAd, {IDB_BLOCK_AD, IDB_BLOCK_AD_150, IDB_BLOCK_AD_200}},
               {&m_btnMoveFolders, {IDB_MOVE_FOLDERS, IDB_MOVE_FOLDERS_150, IDB_MOVE_FOLDERS_200}},
               {&m_btnHomePage, {IDB_HOME_PAGE, IDB_HOME_PAGE_150, IDB_HOME_PAGE_200}},
               {&m_btnChatFiles, {IDB_CHAT_FILES, IDB_CHAT_FILES_150, IDB_CHAT_FILES_200}}};
  for (const auto& tool : tools) {
    tool.button->m_crText = RGB(200, 0, 0);  // the buttons have no caption: never seen
    tool.button->SetPicture(tool.picture, m_nDpi);
  }
}

void CSpruceDlg::InsertColumns() {
  int widths[kColumnCount];
  GetColumnWidths(widths);
  for (int column = 0; column < kColumnCount; ++column)
    m_listCategories.InsertColumn(column, kColumns[column].heading, kColumns[column].format,
                                  widths[column]);
}

// For the window's DPI and the list's font.
void CSpruceDlg::GetColumnWidths(int widths[]) const {
  int designWidths[kColumnCount], textWidths[kColumnCount];
  for (int column = 0; column < kColumnCount; ++column) {
    designWidths[column] = kColumns[column].width;
    const wchar_t* widest = kColumns[column].widestText;
    textWidths[column] = widest ? m_listCategories.GetStringWidth(widest) : 0;
  }
  ListColumnWidths(designWidths, textWidths, kColumnCount, m_nDpi, widths);
  // The rows after the written ones can outgrow the list: room for its scroll bar.
  RECT client = {};
  ::GetClientRect(m_listCategories.m_hWnd, &client);
  const int scrollBar = VerticalScrollBarWidth(m_nDpi);
  if (::GetWindowLongW(m_listCategories.m_hWnd, GWL_STYLE) & WS_VSCROLL) client.right += scrollBar;
  FitColumnsBesideScrollBar(widths, kColumnCount, client.right, scrollBar);
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

// The rows of Windows' own cleanup handlers show the handler's description, for some the only
// word of what ticking them takes away; the written rows have none.
void CSpruceDlg::OnGetInfoTipCategoryList(NMHDR* header, LRESULT* result) {
  NMLVGETINFOTIPW* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
  *result = 0;
  wchar_t description[kDescriptionLength];
  if (tip->cchTextMax < 1 ||
      !RememberedHandlerDescription(m_listCategories.GetItemData(tip->iItem), description))
    return;
  // A label cut short in its column comes in the buffer, to be shown whole above.
  const int kept = (tip->dwFlags & LVGIT_UNFOLDED) ? 0 : lstrlenW(tip->pszText);
  if (kept > 0 && kept + 2 < tip->cchTextMax) {
    lstrcpynW(tip->pszText + kept, L"\r\n", 3);
    lstrcpynW(tip->pszText + kept + 2, description, tip->cchTextMax - kept - 2);
  } else if (kept == 0) {
    lstrcpynW(tip->pszText, description, tip->cchTextMax);
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

void CSpruceDlg::OnBnClickedChatFiles() {
  CChatFilesDlg chatFiles;
  chatFiles.DoModal();
}

// The window has moved to a monitor of another DPI: it takes the size the system suggests and
// lays out, letters and pictures itself anew for that DPI.
LRESULT CSpruceDlg::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
  const UINT dpi = LOWORD(wParam);
  const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
  ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  RescaleControls(m_nDpi, dpi);
  m_nDpi = dpi;
  SetUpToolButtons();
  int widths[kColumnCount];
  GetColumnWidths(widths);
  for (int column = 0; column < kColumnCount; ++column)
    m_listCategories.SetColumnWidth(column, widths[column]);
  return 0;
}

// Moves and sizes every control and scales the font, as the dialog manager laid them out for
// fromDpi, to toDpi.
void CSpruceDlg::RescaleControls(UINT fromDpi, UINT toDpi) {
  LOGFONTW letters = {};
  GetObjectW(reinterpret_cast<HFONT>(m_listCategories.SendMessage(WM_GETFONT)), sizeof letters,
             &letters);
  letters.lfHeight = MulDiv(letters.lfHeight, static_cast<int>(toDpi), static_cast<int>(fromDpi));
  HFONT font = CreateFontIndirectW(&letters);
  for (HWND control = ::GetWindow(m_hWnd, GW_CHILD); control;
       control = ::GetWindow(control, GW_HWNDNEXT)) {
    RECT place;
    ::GetWindowRect(control, &place);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&place), 2);
    place = RescaleRect(place, fromDpi, toDpi);
    ::SetWindowPos(control, nullptr, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  m_font.Attach(font);  // the controls have let go of the previous one
}

// The dialog manager answers with the font it made for the template, which no longer fits once
// the window has been rescaled; the picture buttons draw their captions in this font.
LRESULT CSpruceDlg::OnGetFont(WPARAM, LPARAM) {
  return m_font.m_hObject ? reinterpret_cast<LRESULT>(m_font.m_hObject) : Default();
}
