// The chat-files tool on one tree per client, laid out as the clients lay theirs out, with
// month folders older and newer than the times chosen and, beside them, the File Transfer
// Assistant's chat, the databases, a cache, folders the tool does not name and a link.
#include "engine/targets/chat_files.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <map>
#include <string>
#include <vector>

#include "engine/handlers/cleanup_handlers.h"
#include "engine/places/paths.h"
#include "engine/targets/recycle_bin.h"
#include "engine/targets/recycle_sink.h"
#include "gui_support.h"
#include "res/resource.h"
#include "test_support.h"
#include "tools/chat_files_dlg.h"

namespace {

const wchar_t kFileHelper[] = L"9e20f478899dc29eb19741386f9343c8";
const wchar_t kChat[] = L"5f1e0c7a9b2d4e6f8a0b1c2d3e4f5a6b";

// The month folder months months before this one.
std::wstring MonthsBack(int months) {
  SYSTEMTIME today;
  GetLocalTime(&today);
  const int month = today.wYear * 12 + today.wMonth - 1 - months;
  wchar_t name[16];
  swprintf(name, 16, L"%04d-%02d", month / 12, month % 12 + 1);
  return name;
}

// Older than "2年前", older than "1年前" only, and this month's.
const std::wstring kOld = MonthsBack(30), kMiddle = MonthsBack(14), kNew = MonthsBack(0);

// Every file of the trees with its bytes, which differ from file to file.
typedef std::map<std::wstring, std::string> Files;

void WriteBytes(const std::wstring& path, size_t size) {
  MakeFolders(path.substr(0, path.find_last_of(L'\\')));
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((path.size() * 31 + i * 7) % 251);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError() << " " << testing::PrintToString(path);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(file);
}

void AddFiles(const std::wstring& folder, Files& files) {
  WIN32_FIND_DATAW entry;
  HANDLE listing = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = entry.cFileName, path = folder + L"\\" + name;
    if (name == L"." || name == L".." || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      AddFiles(path, files);
      continue;
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    std::string bytes(FullSize(entry), '\0');
    DWORD read = 0;
    if (file != INVALID_HANDLE_VALUE) {
      ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
      CloseHandle(file);
    }
    files[path] = bytes.substr(0, read);
  } while (FindNextFileW(listing, &entry));
  FindClose(listing);
}

// Windows has a bin on every fixed drive; Wine keeps its one in the trash of a Linux home, and
// a process that asks before the trash is there finds no bin from then on.
bool MakeRecycleBin() {
  const std::wstring trash = RecycleBinInsidePrefix();
  if (trash.empty()) return false;
  MakeFolders(trash + L"\\files");
  MakeFolders(trash + L"\\info");
  return true;
}

ULONGLONG ItemsInRecycleBin() {
  SHQUERYRBINFO info = {};
  info.cbSize = sizeof info;
  EXPECT_EQ(SHQueryRecycleBinW(nullptr, &info), S_OK);
  return static_cast<ULONGLONG>(info.i64NumItems);
}

class ChatFiles : public testing::Test {
 protected:
  void SetUp() override {
    RemoveApplicationData();
    const std::wstring four = m_documents + L"\\xwechat_files\\wxid_four";
    const std::wstring attach = four + L"\\msg\\attach\\";
    m_taken = {attach + kChat + L"\\" + kOld + L"\\Img\\a.dat",
               four + L"\\msg\\video\\" + kOld + L"\\v.mp4",
               four + L"\\msg\\file\\" + kOld + L"\\doc.pdf"};
    for (const auto& file : std::vector<std::pair<std::wstring, size_t>>{
             {m_taken[0], 100},
             {attach + kChat + L"\\" + kMiddle + L"\\Img\\b.dat", 200},
             {attach + kChat + L"\\" + kNew + L"\\Img\\c.dat", 400},
             {attach + kFileHelper + L"\\" + kOld + L"\\Img\\keep.dat", 800},
             {attach + kChat + L"\\" + kOld + L"\\thumb\\t.dat", 1600},
             {m_taken[1], 3000},
             {four + L"\\msg\\video\\" + kNew + L"\\v2.mp4", 5000},
             {m_taken[2], 7000},
             {four + L"\\msg\\video\\2019-13\\not-a-month.mp4", 9000},
             {four + L"\\msg\\video\\" + kOld + L"x\\not-a-month.mp4", 9100},
             {four + L"\\db_storage\\message\\message_0.db", 1000},
             {four + L"\\business\\" + kOld + L"\\b.dat", 11},
             {m_documents + L"\\xwechat_files\\all_users\\msg\\video\\" + kOld + L"\\z.mp4", 12}})
      WriteBytes(file.first, file.second);
    WriteBytes(m_outside + L"\\outside.dat", 13000);
    MakeFolderLink(four + L"\\msg\\video\\" + kOld + L"\\link", m_outside);

    const std::wstring three = m_documents + L"\\WeChat Files\\wxid_three\\FileStorage";
    const std::wstring chat3 = three + L"\\MsgAttach\\" + kChat;
    m_taken.insert(m_taken.end(), {three + L"\\Video\\" + kOld + L"\\v.mp4",
                                   three + L"\\File\\" + kOld + L"\\f.doc",
                                   chat3 + L"\\File\\" + kOld + L"\\g.doc"});
    for (const auto& file : std::vector<std::pair<std::wstring, size_t>>{
             {chat3 + L"\\Image\\" + kOld + L"\\i.dat", 110},
             {chat3 + L"\\Thumb\\" + kOld + L"\\t.dat", 120},
             {three + L"\\Image\\" + kMiddle + L"\\j.dat", 130},
             {m_taken[4], 140},
             {m_taken[5], 150},
             {m_taken[3], 160},
             {three + L"\\Video\\" + kNew + L"\\new.mp4", 170},
             {three + L"\\MsgAttach\\" + kFileHelper + L"\\Image\\" + kOld + L"\\keep.dat", 180},
             {m_documents + L"\\WeChat Files\\wxid_three\\Msg\\MicroMsg.db", 190},
             {three + L"\\Cache\\" + kOld + L"\\c.dat", 200},
             {m_documents + L"\\WeChat Files\\All Users\\FileStorage\\Video\\" + kOld + L"\\x",
              210}})
      WriteBytes(file.first, file.second);

    const std::wstring qq = m_documents + L"\\Tencent Files\\12345678\\nt_qq";
    for (const auto& file : std::vector<std::pair<std::wstring, size_t>>{
             {qq + L"\\nt_data\\Pic\\" + kOld + L"\\p.jpg", 310},
             {qq + L"\\nt_data\\Pic\\" + kMiddle + L"\\q.jpg", 320},
             {qq + L"\\nt_data\\Pic\\" + kNew + L"\\r.jpg", 330},
             {qq + L"\\nt_data\\Video\\" + kOld + L"\\v.mp4", 340},
             {qq + L"\\nt_db\\nt_msg.db", 350},
             {qq + L"\\nt_data\\File\\" + kOld + L"\\f.doc", 360}})
      WriteBytes(file.first, file.second);
  }
  void TearDown() override {
    RemoveApplicationData();
    RemoveTree(m_outside);
  }
  Files AllFiles() const {
    Files files;
    for (const wchar_t* root : {L"\\xwechat_files", L"\\WeChat Files", L"\\Tencent Files"})
      AddFiles(m_documents + root, files);
    AddFiles(m_outside, files);
    return files;
  }

  const std::wstring m_documents = KnownFolder(CSIDL_PERSONAL);
  const std::wstring m_outside = FreshTestFolder(L"chat-outside");
  std::vector<std::wstring> m_taken;  // what the dialog test moves
};

const std::vector<std::wstring> kLabels = {L"微信 wxid_four 图片",  L"微信 wxid_four 视频",
                                           L"微信 wxid_four 文件",  L"微信 wxid_three 图片",
                                           L"微信 wxid_three 视频", L"微信 wxid_three 文件",
                                           L"QQ 12345678 图片",     L"QQ 12345678 视频"};

TEST_F(ChatFiles, RowsHoldTheirMonthFoldersFilesOlderThanTheAgeAndNothingBeside) {
  CTestShellWindow shell;
  ChatRows rows;
  FindChatRows(rows);
  std::vector<std::wstring> labels;
  std::vector<ByteCount> sizes[2];
  std::vector<ULONG> files;
  for (int row = 0; row < rows.count; ++row) {
    wchar_t label[256];
    ChatRowLabel(rows.rows[row], label, 256);
    labels.push_back(label);
    for (int age = 0; age < 2; ++age) {
      ChatAge chosen = {};
      GetLocalTime(&chosen.today);
      chosen.monthsAgo = age ? 24 : 12;
      const ChatSize size = SizeChatRow(rows.rows[row], chosen);
      sizes[age].push_back(size.bytes);
      if (age) files.push_back(size.files);
    }
  }
  EXPECT_EQ(labels, kLabels);
  EXPECT_EQ(sizes[0], (std::vector<ByteCount>{300, 3000, 7000, 360, 160, 290, 630, 340}));
  EXPECT_EQ(sizes[1], (std::vector<ByteCount>{100, 3000, 7000, 230, 160, 290, 310, 340}));
  EXPECT_EQ(files, (std::vector<ULONG>{1, 1, 1, 2, 1, 2, 1, 1}));
}

TEST(MonthFolders, OnlyYearDashMonthNamesAndTheirLastDayDecides) {
  int year = 0, month = 0;
  EXPECT_TRUE(ParseMonthFolder(L"2023-07", 7, &year, &month));
  EXPECT_EQ(year * 100 + month, 202307);
  for (const wchar_t* name :
       {L"2023-7", L"2023-13", L"2023-00", L"2023_07", L"2023-07x", L"２０２３-07", L"2023-0a"})
    EXPECT_FALSE(ParseMonthFolder(name, wcslen(name), &year, &month)) << name;
  SYSTEMTIME today = {};
  today.wYear = 2024;
  today.wMonth = 3;
  today.wDay = 31;
  // One month before 31 March is 29 February: February ends then, not before.
  EXPECT_FALSE(IsMonthOlder(2024, 2, today, 1));
  EXPECT_TRUE(IsMonthOlder(2024, 1, today, 1));
  today.wDay = 1;
  EXPECT_TRUE(IsMonthOlder(2024, 1, today, 1));  // ended 31 January, before 1 February
  EXPECT_FALSE(IsMonthOlder(2024, 2, today, 1));
  // Across a year: twelve months before 15 January 2024 is 15 January 2023.
  today.wMonth = 1;
  today.wDay = 15;
  EXPECT_TRUE(IsMonthOlder(2022, 12, today, 12));
  EXPECT_FALSE(IsMonthOlder(2023, 1, today, 12));
}

TEST(RecycleBinVerdict, KeepsOnlyWhereTheBinHoldsAllThatIsChosen) {
  const ByteCount mb = 1024 * 1024;
  EXPECT_EQ(JudgeRecycleBin({true, false, 100 * mb}, 100 * mb), kBinKeeps);
  EXPECT_EQ(JudgeRecycleBin({true, false, 100 * mb}, 100 * mb + 1), kBinTooSmall);
  EXPECT_EQ(JudgeRecycleBin({true, true, 100 * mb}, 1), kBinDeletesAtOnce);
  EXPECT_EQ(JudgeRecycleBin({false, false, 100 * mb}, 1), kBinMissing);
  EXPECT_EQ(JudgeRecycleBin({true, false, 0}, 1), kBinTooSmall);
}

// The shell announces each delete with its flags; only one that goes into the bin may happen,
// and each refused one is told apart by its path, whatever the letter case the shell gives.
TEST(RecycleSink, RefusesEachDeleteThatWouldNotGoIntoTheBinAndNotesWhich) {
  CComApartment apartment;
  const std::wstring folder = FreshTestFolder(L"recycle-sink");
  const std::vector<std::wstring> names = {L"a.dat", L"b.dat", L"c.dat", L"d.dat"};
  std::wstring paths;
  for (const std::wstring& name : names) {
    WriteBytes(folder + L"\\" + name, 10);
    paths += folder + L"\\" + name + L'\0';
  }
  paths += L'\0';
  bool keptBack[4] = {};
  CRecycleSink sink(paths.c_str(), keptBack);
  auto announce = [&](const std::wstring& path, DWORD flags) {
    IShellItem* item = nullptr;
    EXPECT_EQ(SHCreateItemFromParsingName(path.c_str(), nullptr, IID_PPV_ARGS(&item)), S_OK);
    const HRESULT answer = sink.PreDeleteItem(flags, item);
    if (item) item->Release();
    return answer;
  };
  EXPECT_EQ(announce(folder + L"\\a.dat", TSF_DELETE_RECYCLE_IF_POSSIBLE), S_OK);
  EXPECT_EQ(announce(folder + L"\\b.dat", TSF_DELETE_RECYCLE_IF_POSSIBLE | TSF_OVERWRITE_EXIST),
            S_OK);
  EXPECT_TRUE(FAILED(announce(folder + L"\\C.DAT", TSF_NORMAL)));
  EXPECT_TRUE(FAILED(announce(folder + L"\\d.dat", TSF_OVERWRITE_EXIST | TSF_COPY_HARD_LINK)));
  EXPECT_EQ(std::vector<bool>(keptBack, keptBack + 4),
            (std::vector<bool>{false, false, true, true}));
  EXPECT_TRUE(FAILED(sink.PreDeleteItem(TSF_NORMAL, nullptr)));  // refused though unnamed
  RemoveTree(folder);
}

// The shell keeps back the videos (their bin would not keep them) and leaves the rest (in use):
// every file stays, and the report tells the two apart.
void KeepBackVideos(const wchar_t* paths, bool* keptBack) {
  for (int i = 0; *paths; paths += wcslen(paths) + 1, ++i)
    if (wcsstr(paths, L"v.mp4")) keptBack[i] = true;
}

TEST_F(ChatFiles, FilesTheBinWouldNotKeepStayAndAreReportedApart) {
  CTestShellWindow shell;
  ASSERT_TRUE(MakeRecycleBin());
  const Files before = AllFiles();
  ChatRows rows;
  FindChatRows(rows);
  ChatAge age = {};
  GetLocalTime(&age.today);
  age.monthsAgo = 24;
  ChatRecycleReport report;
  RecycleChatRows(rows, age, KeepBackVideos, nullptr, nullptr, report);
  EXPECT_EQ(report.moved.files, 0u);
  EXPECT_EQ(report.moved.bytes, 0u);
  EXPECT_EQ(report.stayed[kStayBinRefused].files, 3u);
  EXPECT_EQ(report.stayed[kStayBinRefused].bytes, 3000u + 160 + 340);
  EXPECT_EQ(report.stayed[kStayNotMoved].files, 7u);
  EXPECT_EQ(report.stayed[kStayNotMoved].bytes, 11430u - 3500);
  EXPECT_EQ(AllFiles(), before);
}

// ---- The dialog ------------------------------------------------------------------------------

std::vector<std::wstring> Column(HWND list, int column) {
  std::vector<std::wstring> texts;
  for (int row = 0; row < ListView_GetItemCount(list); ++row)
    texts.push_back(CellText(list, row, column));
  return texts;
}

bool Sized(HWND list) {
  for (const std::wstring& text : Column(list, 1))
    if (text == L"counting...") return false;
  return true;
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

// The message box that owner shows next: its texts go into texts, then button closes it.
void AnswerMessageBox(HWND owner, int button, std::vector<std::wstring>* texts, int tries = 6000) {
  AfterModalStarts([=] {
    HWND box = nullptr;
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window && !box;
         window = GetWindow(window, GW_HWNDNEXT))
      if (GetWindow(window, GW_OWNER) == owner && IsWindowVisible(window)) box = window;
    if (!box) {
      if (tries > 0) AnswerMessageBox(owner, button, texts, tries - 1);
      return;
    }
    std::wstring shown;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      shown += TextOf(child) + L"|";
    texts->push_back(shown);
    ClickControl(box, button);
  });
}

TEST_F(ChatFiles, WithoutTheUsersRightsNothingIsListed) {
  ASSERT_EQ(GetShellWindow(), nullptr) << "a shell window that the test did not set";
  CChatFilesDlg dialog;
  int rows = -1;
  std::wstring status;
  bool recycle = true;
  RunModalWith(dialog, [&] {
    rows = ListView_GetItemCount(GetDlgItem(dialog.m_hWnd, IDC_CHAT_LIST));
    status = TextOf(GetDlgItem(dialog.m_hWnd, IDC_CHAT_STATUS));
    recycle = IsWindowEnabled(GetDlgItem(dialog.m_hWnd, IDC_CHAT_RECYCLE));
    ClickControl(dialog.m_hWnd, IDCANCEL);
  });
  EXPECT_EQ(rows, 0);
  EXPECT_NE(status.find(L"没有列出任何文件"), std::wstring::npos);
  EXPECT_FALSE(recycle);
}

// QQ runs: its rows read "运行中" and keep their files. The checked rows' files older than the
// time chosen last go into the Recycle Bin, and nothing else changes.
TEST_F(ChatFiles, TheCheckedRowsOldFilesGoIntoTheRecycleBinAndNothingElse) {
  ASSERT_TRUE(MakeRecycleBin());
  const ULONGLONG binBefore = ItemsInRecycleBin();
  std::wstring qq = PlaceCommandProbe(FreshTestFolder(L"running"), L"QQ.exe");
  SetEnvironmentVariableW(L"PROBE_WAIT_MS", L"600000");
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessW(qq.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  SetEnvironmentVariableW(L"PROBE_WAIT_MS", nullptr);
  CloseHandle(process.hThread);
  Files expected = AllFiles();
  for (const std::wstring& taken : m_taken) EXPECT_EQ(expected.erase(taken), 1u) << taken.c_str();

  CTestShellWindow shell;
  CChatFilesDlg dialog;
  std::wstring caption, age, status;
  std::vector<std::wstring> labels, sizesAtYear, sizesAtTwoYears, boxes;
  std::vector<bool> checks;
  INT_PTR result = RunModalWith(dialog, [&] {
    HWND window = dialog.m_hWnd, list = GetDlgItem(window, IDC_CHAT_LIST);
    HWND combo = GetDlgItem(window, IDC_CHAT_AGE);
    caption = TextOf(window);
    age = TextOf(combo);
    labels = Column(list, 0);
    for (int row = 0; row < ListView_GetItemCount(list); ++row)
      checks.push_back(ListView_GetCheckState(list, row) != 0);
    status = TextOf(GetDlgItem(window, IDC_CHAT_STATUS));
    ASSERT_TRUE(PumpUntil([&] { return Sized(list); }));
    sizesAtYear = Column(list, 1);
    SendMessageW(combo, CB_SETCURSEL, 4, 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CHAT_AGE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    ASSERT_TRUE(PumpUntil([&] { return Sized(list); }));
    sizesAtTwoYears = Column(list, 1);
    ListView_SetCheckState(list, 2, TRUE);   // wxid_four's files
    ListView_SetCheckState(list, 3, FALSE);  // wxid_three's pictures
    ListView_SetCheckState(list, 5, TRUE);   // wxid_three's files
    AnswerMessageBox(window, IDOK, &boxes);  // the question
    ClickControl(window, IDC_CHAT_RECYCLE);
    AnswerMessageBox(window, IDOK, &boxes);  // the report
  });
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hProcess);

  EXPECT_EQ(caption, L"清理聊天文件");
  EXPECT_EQ(age, L"1年前");
  EXPECT_EQ(labels, kLabels);
  EXPECT_EQ(checks, (std::vector<bool>{true, true, false, true, true, false, true, true}));
  EXPECT_NE(status.find(L"请先退出QQ"), std::wstring::npos) << status.c_str();
  EXPECT_EQ(sizesAtYear, (std::vector<std::wstring>{L"300 B", L"2 KB", L"6 KB", L"360 B", L"160 B",
                                                    L"290 B", L"运行中", L"运行中"}));
  EXPECT_EQ(sizesAtTwoYears, (std::vector<std::wstring>{L"100 B", L"2 KB", L"6 KB", L"230 B",
                                                        L"160 B", L"290 B", L"运行中", L"运行中"}));
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find(L"6 个文件（10 KB）"), std::wstring::npos) << boxes[0].c_str();
  EXPECT_NE(boxes[0].find(L"可能无法再从服务器下载"), std::wstring::npos);
  EXPECT_NE(boxes[1].find(L"已移到回收站：10 KB（6 个文件）"), std::wstring::npos)
      << boxes[1].c_str();
  EXPECT_EQ(AllFiles(), expected);
  EXPECT_EQ(ItemsInRecycleBin(), binBefore + m_taken.size());
  // The month folders it emptied are gone; one with something else left in it stays.
  const std::wstring three = m_documents + L"\\WeChat Files\\wxid_three\\FileStorage";
  EXPECT_FALSE(PathExists(three + L"\\Video\\" + kOld));
  EXPECT_FALSE(PathExists(three + L"\\File\\" + kOld));
  const std::wstring month =
      m_documents + L"\\xwechat_files\\wxid_four\\msg\\attach\\" + kChat + L"\\" + kOld;
  EXPECT_FALSE(PathExists(month + L"\\Img"));
  EXPECT_TRUE(PathExists(month + L"\\thumb"));
  EXPECT_TRUE(
      PathExists(m_documents + L"\\xwechat_files\\wxid_four\\msg\\video\\" + kOld + L"\\link"));
}

}  // namespace
