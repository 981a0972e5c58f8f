// Spruce.exe itself, closed while its clean run waits on a long system command: the program
// ends at once, cleanly, and the rows after the abandoned one are left alone.
#include "test_support.h"

#include "devtools/remote_list.h"
#include "res/resource.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <string>

namespace {

// The stand-in for dism runs this long, so the clean run is still waiting when the window
// closes; it then ends by itself (a killed console program can leave Wine's console host
// behind).
const DWORD kCommandWait = 5000;

DWORD FindProcess(const wchar_t* name) {
  DWORD found = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
       more = Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, name) == 0) found = entry.th32ProcessID;
  }
  CloseHandle(snapshot);
  return found;
}

TEST(Closing, DuringACleanRunEndsTheProgramWithinASecond) {
  // Spruce runs the stand-in for dism in the system folder, not the decoys beside it and in
  // its current folder, which is the test's too.
  const std::wstring folder = FreshTestFolder(L"closing");
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
  CCommandStandIn dism(L"dism.exe");
  SetCurrentDirectoryW(previous);
  const std::wstring thumbnails =
      KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\Microsoft\\Windows\\Explorer\\thumbcache_32.db";
  WriteFileOfSize(thumbnails, 4096);  // row 16, after the abandoned row 13

  dism.SetWait(kCommandWait);
  PROCESS_INFORMATION spruce = {};
  ASSERT_TRUE(StartProgram(BesideTestProgram(L"Spruce.exe"), folder.c_str(), &spruce));

  HWND window = WaitForSpruceWindow(spruce.dwProcessId, 30000);
  ASSERT_NE(window, nullptr);
  {
    CRemoteList list(GetDlgItem(window, IDC_CATEGORY_LIST), spruce.hProcess);
    ASSERT_TRUE(WaitFor([&] { return list.Text(17, 1) != L"counting..."; }, 30000));
    ASSERT_TRUE(list.Checked(13)) << "this Wine does not report Windows 7 SP1 or later";
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CLEAN, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_CLEAN)));
    ASSERT_TRUE(WaitFor([&] { return list.Text(11, 1) == L"OK"; }, 30000));
    ASSERT_TRUE(WaitFor([&] { return FindProcess(L"dism.exe") != 0; }, 10000));
  }

  DWORD closedAt = GetTickCount();
  DWORD exitCode = 0;
  bool ended = CloseAndWait(window, spruce.hProcess, 1000, &exitCode);
  DWORD took = GetTickCount() - closedAt;
  CloseHandle(spruce.hThread);
  CloseHandle(spruce.hProcess);
  // A started command runs on as its own process, and ends in its own time.
  EXPECT_TRUE(WaitFor([] { return FindProcess(L"dism.exe") == 0; }, 20000));

  EXPECT_TRUE(ended) << "still running " << took << " ms after the close";
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(PathExists(thumbnails));
  EXPECT_NE(dism.Record(), L"");
  EXPECT_FALSE(dism.DecoyRan());
}

}  // namespace
