#include "test_support.h"

#include "devtools/shell_window.h"

#include "engine/rows/categories.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

std::wstring ProjectVersionText(int parts) {
  const int numbers[4] = {SPRUCE_EXPECTED_VERSION_MAJOR, SPRUCE_EXPECTED_VERSION_MINOR,
                          SPRUCE_EXPECTED_VERSION_PATCH, 0};
  std::wstring text = std::to_wstring(numbers[0]);
  for (int part = 1; part < parts; ++part) text += L"." + std::to_wstring(numbers[part]);
  return text;
}

std::wstring BesideTestProgram(const std::wstring& name) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

namespace {

// Runs folder-link.sh, which lies beside the test program, with the given arguments.
void RunFolderLinkScript(const std::wstring& arguments) {
  std::wstring command = L"\"" + BesideTestProgram(L"folder-link.sh") + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process))
      << "cannot start folder-link.sh, error " << GetLastError();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

// Wine does not wait for a Linux process through its handle: watch for the script's effect.
bool WaitForLink(const std::wstring& link, bool present) {
  for (int tries = 0; tries < 500; ++tries) {
    DWORD attributes = GetFileAttributesW(link.c_str());
    bool isLink = attributes != INVALID_FILE_ATTRIBUTES &&
                  (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (isLink == present) return true;
    Sleep(10);
  }
  return false;
}

}  // namespace

void MakeFolders(const std::wstring& folder) {
  size_t slash = folder.find_last_of(L'\\');
  if (slash != std::wstring::npos && slash > 2) MakeFolders(folder.substr(0, slash));
  CreateDirectoryW(folder.c_str(), nullptr);
}

void RemoveTree(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW entry;
    HANDLE listing = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (listing != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
      } while (FindNextFileW(listing, &entry));
      FindClose(listing);
    }
    if (!RemoveDirectoryW(path.c_str()) && GetLastError() == ERROR_DIR_NOT_EMPTY) {
      // What is left is a link whose target went first, which Wine no longer lists.
      RunFolderLinkScript(L"prune \"" + UnixPath(path) + L"\"");
      for (int tries = 0; tries < 500 && !RemoveDirectoryW(path.c_str()); ++tries) Sleep(10);
    }
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    RunFolderLinkScript(L"remove \"" + UnixPath(path) + L"\"");
    EXPECT_TRUE(WaitForLink(path, false)) << "a test link could not be removed";
  } else {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
  }
}

std::wstring FreshTestFolder(const std::wstring& name) {
  std::wstring folder = L"C:\\spruce-tests\\" + name;
  RemoveTree(folder);
  MakeFolders(folder);
  return folder;
}

void WriteFileOfSize(const std::wstring& path, ByteCount size, DWORD attributes) {
  MakeFolders(path.substr(0, path.find_last_of(L'\\')));
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot create test file";
  std::vector<char> bytes(static_cast<size_t>(size), 'x');
  DWORD written = 0;
  if (size) WriteFile(file, bytes.data(), static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(written, size);
  if (attributes) SetFileAttributesW(path.c_str(), attributes);
}

void WriteSparseFile(const std::wstring& path, ByteCount size) {
  MakeFolders(path.substr(0, path.find_last_of(L'\\')));
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot create sparse test file";
  DWORD returned = 0;
  DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
  ASSERT_TRUE(SetEndOfFile(file));
  CloseHandle(file);
}

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsEmptyFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  HANDLE listing = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) return false;
  bool empty = true;
  do {
    std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") empty = false;
  } while (FindNextFileW(listing, &entry));
  FindClose(listing);
  return empty;
}

std::vector<std::wstring> NamesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  HANDLE listing = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(listing, &entry));
  FindClose(listing);
  std::sort(names.begin(), names.end());
  return names;
}

void MakeFolderLink(const std::wstring& link, const std::wstring& target) {
  RunFolderLinkScript(L"make \"" + UnixPath(target) + L"\" \"" + UnixPath(link) + L"\"");
  ASSERT_TRUE(WaitForLink(link, true)) << "the link is not seen as a reparse point";
}

void RemoveFileLink(const std::wstring& link) {
  RunFolderLinkScript(L"remove \"" + UnixPath(link) + L"\"");
  for (int tries = 0; tries < 500 && PathExists(link); ++tries) Sleep(10);
  EXPECT_FALSE(PathExists(link)) << "a test link could not be removed";
}

void MakeFileLink(const std::wstring& link, const std::wstring& target) {
  RunFolderLinkScript(L"make \"" + UnixPath(target) + L"\" \"" + UnixPath(link) + L"\"");
  for (int tries = 0; tries < 500 && !PathExists(link); ++tries) Sleep(10);
  ASSERT_TRUE(PathExists(link)) << "the file link was not made";
}

std::wstring KnownFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  EXPECT_EQ(GetSpecialFolder(csidl, path), 0);
  return path;
}

ByteCount BuildSampleTree(const std::wstring& folder) {
  const ByteCount big = 5368709120ull;  // 5 GiB, more than 32 bits can hold
  WriteFileOfSize(folder + L"\\a.log", 1000);
  WriteFileOfSize(folder + L"\\.hidden-name", 123, FILE_ATTRIBUTE_HIDDEN);
  WriteFileOfSize(folder + L"\\sub\\b.dat", 2048);
  WriteFileOfSize(folder + L"\\sub\\locked-down.txt", 300, FILE_ATTRIBUTE_READONLY);
  WriteFileOfSize(folder + L"\\sub\\deeper\\.dotfolder\\c.tmp", 77);
  MakeFolders(folder + L"\\empty");
  WriteSparseFile(folder + L"\\sub\\huge.bin", big);
  return 1000 + 123 + 2048 + 300 + 77 + big;
}

std::wstring PlaceCommandProbe(const std::wstring& folder, const std::wstring& name) {
  std::wstring probe = BesideTestProgram(L"command_probe.exe");
  std::wstring placed = folder + L"\\" + name;
  EXPECT_TRUE(CopyFileW(probe.c_str(), placed.c_str(), FALSE)) << "cannot copy command_probe.exe";
  DeleteFileW((placed + L".ran").c_str());
  DeleteFileW((placed + L".wait").c_str());
  return placed;
}

void SetProbeWait(const std::wstring& probe, DWORD milliseconds) {
  const std::string text = std::to_string(milliseconds);
  HANDLE file = CreateFileW((probe + L".wait").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            0, nullptr);
  DWORD written = 0;
  EXPECT_TRUE(file != INVALID_HANDLE_VALUE &&
              WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
      << "cannot set the probe's wait";
  CloseHandle(file);
}

std::wstring ReadProbeRecord(const std::wstring& probe) {
  HANDLE file = CreateFileW((probe + L".ran").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return L"";
  wchar_t text[1024] = {};
  DWORD read = 0;
  ReadFile(file, text, sizeof text - sizeof(wchar_t), &read, nullptr);
  CloseHandle(file);
  return text;
}

CPlacedProbe::CPlacedProbe(const std::wstring& path) : m_strPath(path) {
  m_bMovedAside = MoveFileExW(path.c_str(), (path + L".saved").c_str(), MOVEFILE_REPLACE_EXISTING);
  size_t slash = path.find_last_of(L'\\');
  PlaceCommandProbe(path.substr(0, slash), path.substr(slash + 1));
}

CPlacedProbe::~CPlacedProbe() {
  DeleteFileW(m_strPath.c_str());
  DeleteFileW((m_strPath + L".ran").c_str());
  DeleteFileW((m_strPath + L".wait").c_str());
  if (m_bMovedAside) MoveFileW((m_strPath + L".saved").c_str(), m_strPath.c_str());
}

std::wstring InCurrentFolder(const std::wstring& name) {
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  std::wstring path = folder;
  if (path.back() != L'\\') path += L'\\';
  return path + name;
}

CCommandStandIn::CCommandStandIn(const std::wstring& name)
    : m_system(KnownFolder(CSIDL_SYSTEM) + L"\\" + name),
      m_besideProgram(BesideTestProgram(name)),
      m_currentFolder(InCurrentFolder(name)) {
  EXPECT_NE(_wcsicmp(m_besideProgram.Path().c_str(), m_currentFolder.Path().c_str()), 0)
      << "the current folder is the test program's own";
}

bool CCommandStandIn::DecoyRan() const {
  return !m_besideProgram.Record().empty() || !m_currentFolder.Record().empty();
}

ByteCount Measured(int row) {
  testing::internal::CaptureStdout();
  ByteCount size = kCategoryRows[row].measure();
  testing::internal::GetCapturedStdout();
  return size;
}

void Cleaned(int row) {
  testing::internal::CaptureStdout();
  kCategoryRows[row].clean();
  testing::internal::GetCapturedStdout();
}

void RemoveApplicationData() {
  const std::wstring local = KnownFolder(CSIDL_LOCAL_APPDATA);
  const std::wstring roaming = KnownFolder(CSIDL_APPDATA);
  const std::wstring documents = KnownFolder(CSIDL_PERSONAL);
  for (const std::wstring& tree :
       {local + L"\\Microsoft\\Edge", local + L"\\Google", local + L"\\Tencent",
        roaming + L"\\360se6", local + L"\\Mozilla", local + L"\\CrashDumps",
        roaming + L"\\Tencent", roaming + L"\\QQ", documents + L"\\xwechat_files",
        documents + L"\\WeChat Files", KnownFolder(kQQProgramFiles) + L"\\Tencent",
        documents + L"\\Tencent Files", KnownFolder(CSIDL_COMMON_DOCUMENTS) + L"\\Tencent",
        std::wstring(L"D:\\WeChat Files"), std::wstring(L"C:\\NVIDIA"),
        std::wstring(L"C:\\AMD"), local + L"\\Quark", local + L"\\2345Explorer",
        local + L"\\360Chrome", roaming + L"\\DingTalk", local + L"\\NetEase",
        local + L"\\NVIDIA", local + L"\\AMD",
        KnownFolder(CSIDL_PROFILE) + L"\\AppData\\LocalLow\\NVIDIA",
        KnownFolder(CSIDL_WINDOWS) + L"\\Logs\\CBS", roaming + L"\\Code",
        local + L"\\npm-cache", local + L"\\pip", local + L"\\Steam",
        KnownFolder(kQQProgramFiles) + L"\\Steam"})
    RemoveTree(tree);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tencent");
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Valve");
}

CTestShellWindow::CTestShellWindow() : m_hWnd(MakeShellWindow()) {}

CTestShellWindow::~CTestShellWindow() {
  if (m_hWnd) DestroyWindow(m_hWnd);
}

