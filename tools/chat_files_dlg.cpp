#include "tools/chat_files_dlg.h"

#include <wchar.h>

#include <memory>
#include <string>

#include "app/dpi.h"
#include "engine/places.h"
#include "engine/rows.h"
#include "res/resource.h"

namespace {

const wchar_t kCaption[] = L"清理聊天文件";
const wchar_t kCounting[] = L"counting...";
const wchar_t kRunning[] = L"运行中";

// The ages to choose from, in months; "1年前" at the start.
const struct {
  const wchar_t* text;
  int months;
} kAges[] = {{L"1个月前", 1}, {L"3个月前", 3}, {L"6个月前", 6}, {L"1年前", 12}, {L"2年前", 24}};
const int kAgeAtStart = 3;

// The list's columns as in the main window; widths in pixels at 96 dpi.
const struct {
  const wchar_t* heading;
  int format;
  int width;
  const wchar_t* widestText;  // or null
} kColumns[] = {{L"名称", LVCFMT_LEFT, 280, nullptr}, {L"大小", LVCFMT_RIGHT, 70, L"99999 MB"}};
const int kColumnCount = ARRAYSIZE(kColumns);

// The workers' calls, which the dialog's thread serves.
const UINT WM_CHAT_SIZED = WM_APP + 1;
const UINT WM_CHAT_PROGRESS = WM_APP + 2;
const UINT WM_CHAT_RECYCLED = WM_APP + 3;

struct SizedRow {
  UINT sizing;
  ChatSize size;
};

// What a worker is given; it takes the copy over and frees it. It holds the dialog by window
// handle only: once the dialog is gone its calls reach nothing and answer 0.
struct SizingJob {
  HWND dialog;
  UINT sizing;
  ChatAge age;
  ChatRows rows;
  bool skip[kMaxChatRows];
};

struct RecycleJob {
  HWND dialog;
  ChatAge age;
  ChatRows rows;
};

// Each worker acts as the user on its own thread: a thread's token is its own.
DWORD WINAPI SizeRows(void* parameter) {
  std::unique_ptr<SizingJob> job(static_cast<SizingJob*>(parameter));
  CUserRights rights;
  if (!rights.Acts()) return 0;
  for (int row = 0; row < job->rows.count; ++row) {
    if (job->skip[row]) continue;
    SizedRow sized = {job->sizing, SizeChatRow(job->rows.rows[row], job->age)};
    // 0: the dialog is gone, or has asked for other sizes meanwhile.
    if (!SendMessageW(job->dialog, WM_CHAT_SIZED, row, reinterpret_cast<LPARAM>(&sized))) break;
  }
  return 0;
}

void ReportProgress(ULONG filesDone, void* dialog) {
  SendMessageW(static_cast<HWND>(dialog), WM_CHAT_PROGRESS, filesDone, 0);
}

DWORD WINAPI RecycleRows(void* parameter) {
  std::unique_ptr<RecycleJob> job(static_cast<RecycleJob*>(parameter));
  ChatRecycleReport report = {};
  bool acted = false;
  {
    CComApartment apartment;  // the shell's move reports on each file through COM
    CUserRights rights;
    acted = rights.Acts();
    if (acted)
      RecycleChatRows(job->rows, job->age, MoveToRecycleBin, ReportProgress, job->dialog, report);
  }
  SendMessageW(job->dialog, WM_CHAT_RECYCLED, acted, reinterpret_cast<LPARAM>(&report));
  return 0;
}

bool StartWorker(LPTHREAD_START_ROUTINE worker, void* job) {
  HANDLE thread = CreateThread(nullptr, 0, worker, job, 0, nullptr);
  if (!thread) return false;
  CloseHandle(thread);  // the dialog keeps no handle to its workers
  return true;
}

std::wstring SizeText(ByteCount bytes) {
  wchar_t text[64];
  FormatByteCount(bytes, text);
  return text;
}

// "N 个文件（X MB）".
std::wstring FilesText(const ChatSize& size) {
  return std::to_wstring(size.files) + L" 个文件（" + SizeText(size.bytes) + L"）";
}

}  // namespace

CChatFilesDlg::CChatFilesDlg(CWnd* parent)
    : CDialog(IDD_CHAT_FILES, parent),
      m_rows(),
      m_sizes(),
      m_bSized(),
      m_bRunning(),
      m_bActs(false),
      m_bMoving(false),
      m_nSizing(0),
      m_nFilesToMove(0) {}

BEGIN_MESSAGE_MAP(CChatFilesDlg, CDialog)
ON_CBN_SELCHANGE(IDC_CHAT_AGE, OnAgeChanged)
ON_BN_CLICKED(IDC_CHAT_RECYCLE, OnRecycle)
ON_MESSAGE(WM_CHAT_SIZED, OnRowSized)
ON_MESSAGE(WM_CHAT_PROGRESS, OnRecycleProgress)
ON_MESSAGE(WM_CHAT_RECYCLED, OnRecycled)
END_MESSAGE_MAP()

void CChatFilesDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_CHAT_AGE, m_comboAge);
  DDX_Control(pDX, IDC_CHAT_LIST, m_listRows);
  DDX_Control(pDX, IDC_CHAT_STATUS, m_textStatus);
  DDX_Control(pDX, IDC_CHAT_RECYCLE, m_btnRecycle);
  DDX_Control(pDX, IDCANCEL, m_btnClose);
}

BOOL CChatFilesDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  for (const auto& age : kAges)
    m_comboAge.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(age.text));
  m_comboAge.SendMessage(CB_SETCURSEL, kAgeAtStart);
  m_listRows.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  InsertColumns();
  for (int layout = 0; layout < kChatLayoutCount; ++layout)
    m_bRunning[layout] = IsAnyProgramRunning(ChatPrograms(static_cast<ChatLayout>(layout)));
  {
    CUserRights rights;
    m_bActs = rights.Acts();
    m_rows.count = 0;
    if (m_bActs) FindChatRows(m_rows);
  }
  FillRows();
  ShowStatus();
  m_btnRecycle.EnableWindow(m_rows.count > 0);
  StartSizing();
  return TRUE;
}

void CChatFilesDlg::InsertColumns() {
  const UINT dpi = GetWindowDpi(m_hWnd);
  int designWidths[kColumnCount], textWidths[kColumnCount], widths[kColumnCount];
  for (int column = 0; column < kColumnCount; ++column) {
    designWidths[column] = kColumns[column].width;
    const wchar_t* widest = kColumns[column].widestText;
    textWidths[column] = widest ? m_listRows.GetStringWidth(widest) : 0;
  }
  ListColumnWidths(designWidths, textWidths, kColumnCount, dpi, widths);
  RECT client = {};
  m_listRows.GetClientRect(&client);
  FitColumnsBesideScrollBar(widths, kColumnCount, client.right, VerticalScrollBarWidth(dpi));
  for (int column = 0; column < kColumnCount; ++column)
    m_listRows.InsertColumn(column, kColumns[column].heading, kColumns[column].format,
                            widths[column]);
}

void CChatFilesDlg::FillRows() {
  for (int row = 0; row < m_rows.count; ++row) {
    wchar_t label[2 * kChatAccountSize];
    ChatRowLabel(m_rows.rows[row], label, ARRAYSIZE(label));
    m_listRows.InsertItem(row, label);
    m_listRows.SetItemText(row, 1, IsRowRunning(row) ? kRunning : kCounting);
    // Received documents are often the only copy of work files: the user ticks them.
    m_listRows.SetCheck(row, m_rows.rows[row].kind != kChatFiles);
  }
}

void CChatFilesDlg::ShowStatus() {
  std::wstring text;
  if (!m_bActs) {
    text = L"无法以桌面上登录的用户的身份查看聊天文件，所以没有列出任何文件。";
  } else if (m_rows.count == 0) {
    text = L"没有找到微信或QQ的聊天文件。";
  }
  const wchar_t* running = m_bRunning[kWeChat4Layout] || m_bRunning[kWeChat3Layout]
                               ? (m_bRunning[kNewQQLayout] ? L"微信和QQ" : L"微信")
                               : (m_bRunning[kNewQQLayout] ? L"QQ" : nullptr);
  if (m_bActs && running)
    text += std::wstring(running) + L"正在运行，它的文件不会被清理。请先退出" + running +
            L"，再打开这个工具。";
  ::SetWindowTextW(m_textStatus.m_hWnd, text.c_str());
}

ChatAge CChatFilesDlg::ChosenAge() const {
  ChatAge age = {};
  GetLocalTime(&age.today);
  const LRESULT chosen = m_comboAge.SendMessage(CB_GETCURSEL);
  age.monthsAgo =
      kAges[chosen >= 0 && chosen < static_cast<LRESULT>(ARRAYSIZE(kAges)) ? chosen : kAgeAtStart]
          .months;
  return age;
}

void CChatFilesDlg::StartSizing() {
  ++m_nSizing;
  if (m_rows.count == 0) return;
  SizingJob* job = new SizingJob{m_hWnd, m_nSizing, ChosenAge(), m_rows, {}};
  for (int row = 0; row < m_rows.count; ++row) {
    m_bSized[row] = false;
    job->skip[row] = IsRowRunning(row);
    if (!IsRowRunning(row)) m_listRows.SetItemText(row, 1, kCounting);
  }
  if (!StartWorker(SizeRows, job)) delete job;
}

LRESULT CChatFilesDlg::OnRowSized(WPARAM wParam, LPARAM lParam) {
  const SizedRow& sized = *reinterpret_cast<const SizedRow*>(lParam);
  const int row = static_cast<int>(wParam);
  if (sized.sizing != m_nSizing || row < 0 || row >= m_rows.count) return 0;
  m_sizes[row] = sized.size;
  m_bSized[row] = true;
  m_listRows.SetItemText(row, 1, SizeText(sized.size.bytes).c_str());
  return 1;
}

void CChatFilesDlg::OnAgeChanged() {
  if (!m_bMoving) StartSizing();
}

void CChatFilesDlg::OnRecycle() {
  if (m_bMoving) return;
  RecycleJob* job = new RecycleJob{m_hWnd, ChosenAge(), {}};
  ChatSize chosen = {};
  for (int row = 0; row < m_rows.count; ++row) {
    if (IsRowRunning(row) || !m_listRows.GetCheck(row)) continue;
    if (!m_bSized[row]) {
      delete job;
      MessageBox(L"还在计算选中各项的大小，请稍候再试。", kCaption, MB_OK | MB_ICONINFORMATION);
      return;
    }
    chosen.bytes += m_sizes[row].bytes;
    chosen.files += m_sizes[row].files;
    job->rows.rows[job->rows.count++] = m_rows.rows[row];
  }
  if (chosen.files == 0) {
    delete job;
    MessageBox(L"选中的各项中没有这个时间以前的文件。", kCaption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  const std::wstring question = L"要把 " + FilesText(chosen) +
                                L"移到回收站吗？\n\n聊天中的图片、视频和文件删除后，"
                                L"可能无法再从服务器下载。";
  if (MessageBox(question.c_str(), kCaption, MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) !=
      IDOK) {
    delete job;
    return;
  }
  // Sizes still coming in belong to the rows as they were.
  ++m_nSizing;
  m_bMoving = true;
  m_nFilesToMove = chosen.files;
  for (CWnd* control : {static_cast<CWnd*>(&m_btnRecycle), static_cast<CWnd*>(&m_btnClose),
                        &m_comboAge, static_cast<CWnd*>(&m_listRows)})
    control->EnableWindow(FALSE);
  OnRecycleProgress(0, 0);
  if (!StartWorker(RecycleRows, job)) {
    delete job;
    m_bMoving = false;
    for (CWnd* control : {static_cast<CWnd*>(&m_btnRecycle), static_cast<CWnd*>(&m_btnClose),
                          &m_comboAge, static_cast<CWnd*>(&m_listRows)})
      control->EnableWindow(TRUE);
    ShowStatus();
  }
}

LRESULT CChatFilesDlg::OnRecycleProgress(WPARAM wParam, LPARAM) {
  const std::wstring text = L"正在移到回收站：" + std::to_wstring(wParam) + L" / " +
                            std::to_wstring(m_nFilesToMove) + L" 个文件";
  ::SetWindowTextW(m_textStatus.m_hWnd, text.c_str());
  return 0;
}

LRESULT CChatFilesDlg::OnRecycled(WPARAM wParam, LPARAM lParam) {
  const ChatRecycleReport& report = *reinterpret_cast<const ChatRecycleReport*>(lParam);
  std::wstring text = L"已移到回收站：" + SizeText(report.moved.bytes) + L"（" +
                      std::to_wstring(report.moved.files) +
                      L" 个文件）。\n清空回收站后（主窗口中的“回收站”一项）才会腾出这些空间。";
  const wchar_t* const why[kChatStayCount] = {
      L"没能移走：它们可能正被使用，或这个用户无权删除它们。",
      L"留在原处：它们所在的磁盘没有回收站，放不进回收站的文件会被直接删除。",
      L"留在原处：回收站设置为直接删除文件，不放进回收站。",
      L"留在原处：回收站放不下这么多，放不下的文件会被直接删除。",
      L"留在原处：回收站装不下它们或被设为直接删除，所以没有移动它们。",
      L"留在原处：微信或QQ正在运行。",
  };
  for (int stay = 0; stay < kChatStayCount; ++stay)
    if (report.stayed[stay].files) text += L"\n\n" + FilesText(report.stayed[stay]) + why[stay];
  if (!wParam) text = L"无法以桌面上登录的用户的身份移动文件，所以没有移动任何文件。";
  MessageBox(text.c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
  m_bMoving = false;
  EndDialog(IDOK);
  return 0;
}

// Enter, Esc and the close box close the dialog, except while files are moving.
void CChatFilesDlg::OnOK() { OnCancel(); }

void CChatFilesDlg::OnCancel() {
  if (!m_bMoving) EndDialog(IDCANCEL);
}
