// Running commands hidden, the version test under the Windows versions Wine can be set to, and
// the size of the hibernation file in the prefix's drive root.
#include "test_support.h"

#include "engine/places/system_folder.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace {

// Commands run from a current folder of their own, apart from the test program's folder.
class Commands : public testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryW(MAX_PATH, m_szPrevious);
    ASSERT_TRUE(SetCurrentDirectoryW(FreshTestFolder(L"run-command").c_str()));
  }
  void TearDown() override { SetCurrentDirectoryW(m_szPrevious); }

  wchar_t m_szPrevious[MAX_PATH] = {};
};

// The lines of a probe's record.
std::vector<std::wstring> Lines(const std::wstring& record) {
  std::vector<std::wstring> lines;
  for (size_t start = 0;;) {
    const size_t end = record.find(L'\n', start);
    lines.push_back(record.substr(start, end - start));
    if (end == std::wstring::npos) return lines;
    start = end + 1;
  }
}

TEST_F(Commands, TheSystemFoldersProgramRunsHiddenAndIsWaitedFor) {
  CCommandStandIn powercfg(L"powercfg.exe");
  wchar_t commandLine[MAX_PATH] = L"powercfg -h off";

  EXPECT_NE(RunCommandLine(commandLine), 0);  // the probe's exit code 3 is no failure
  // The probe writes its record after half a second, just before it ends.
  std::wstring record = powercfg.Record();
  ASSERT_FALSE(record.empty()) << "not run, or returned before the command had ended";
  EXPECT_EQ(record.substr(0, record.find(L'\n')), L"powercfg -h off");
  // Hidden, and started in the system folder: not in ours, where a planted DLL could lie.
  const std::vector<std::wstring> lines = Lines(record);
  ASSERT_EQ(lines.size(), 7u) << record.c_str();
  EXPECT_EQ(lines[1], std::to_wstring(STARTF_USESHOWWINDOW) + L" " + std::to_wstring(SW_HIDE));
  EXPECT_EQ(lines[2], KnownFolder(CSIDL_SYSTEM));
  EXPECT_FALSE(powercfg.DecoyRan());
}

// dism unpacks and loads its DLLs from TEMP, elevated: the user's own Temp folder, or any
// variable the user set, must not reach it, only the system's variables.
TEST_F(Commands, TheCommandGetsTheSystemsVariablesAndTheWindowsTempFolder) {
  CCommandStandIn dism(L"dism.exe");
  const std::wstring userTemp = FreshTestFolder(L"user-temp");
  wchar_t savedTemp[MAX_PATH] = {}, savedTmp[MAX_PATH] = {};
  GetEnvironmentVariableW(L"TEMP", savedTemp, MAX_PATH);
  GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH);
  SetEnvironmentVariableW(L"TEMP", userTemp.c_str());
  SetEnvironmentVariableW(L"TMP", userTemp.c_str());
  SetEnvironmentVariableW(L"PROBE_MARK", L"from Spruce");
  const wchar_t kMark[] = L"from the user's settings";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Environment", L"PROBE_MARK", REG_SZ, kMark,
                            sizeof kMark),
            ERROR_SUCCESS);
  wchar_t commandLine[MAX_PATH] = L"dism /online";
  const int ran = RunCommandLine(commandLine);
  RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Environment", L"PROBE_MARK");
  SetEnvironmentVariableW(L"PROBE_MARK", nullptr);
  SetEnvironmentVariableW(L"TEMP", savedTemp);
  SetEnvironmentVariableW(L"TMP", savedTmp);

  EXPECT_NE(ran, 0);
  const std::vector<std::wstring> lines = Lines(dism.Record());
  ASSERT_EQ(lines.size(), 7u) << dism.Record().c_str();
  const std::wstring windows = KnownFolder(CSIDL_WINDOWS);
  EXPECT_EQ(lines[3], windows + L"\\Temp");  // TEMP
  EXPECT_EQ(lines[4], windows + L"\\Temp");  // TMP
  EXPECT_EQ(lines[5], windows);              // SystemRoot, which the commands need
  EXPECT_EQ(lines[6], L"");                  // nothing of Spruce's or the user's own
}

TEST_F(Commands, NothingButABareNameOfTheSystemFolderStarts) {
  // Programs beside the test program and in the current folder are never searched for.
  CPlacedProbe besideProgram(BesideTestProgram(L"spruce-decoy.exe"));
  CPlacedProbe currentFolder(InCurrentFolder(L"spruce-decoy.exe"));
  wchar_t byName[MAX_PATH] = L"spruce-decoy /x";
  EXPECT_EQ(RunCommandLine(byName), 0);

  // A path is refused, even one into the system folder.
  CPlacedProbe system(KnownFolder(CSIDL_SYSTEM) + L"\\spruce-decoy.exe");
  std::wstring byPath = L"\"" + system.Path() + L"\" /x";
  wchar_t byPathLine[MAX_PATH] = {};
  byPath.copy(byPathLine, MAX_PATH - 1);
  EXPECT_EQ(RunCommandLine(byPathLine), 0);

  // The counter-check: by its bare name the system folder's copy runs, and only that one.
  EXPECT_NE(RunCommandLine(byName), 0);
  EXPECT_EQ(system.Record().substr(0, 15), L"spruce-decoy /x");
  EXPECT_EQ(besideProgram.Record(), L"");
  EXPECT_EQ(currentFolder.Record(), L"");
}

// Decides where a command's program is looked for, whatever the system the tests run on.
TEST(SystemCommandPath, OnlyABareNameIsLookedForAndExeIsAddedWithoutExtension) {
  const wchar_t* const kSystem = L"C:\\Windows\\Sysnative";
  struct Found {
    const wchar_t* commandLine;
    const wchar_t* program;
  };
  const Found found[] = {
      {L"dism /online /cleanup-image /startcomponentcleanup", L"C:\\Windows\\Sysnative\\dism.exe"},
      {L"powercfg -h off", L"C:\\Windows\\Sysnative\\powercfg.exe"},
      {L"powercfg", L"C:\\Windows\\Sysnative\\powercfg.exe"},
      {L"tool.com\t/x", L"C:\\Windows\\Sysnative\\tool.com"},
  };
  for (const Found& f : found) {
    wchar_t program[MAX_PATH];
    ASSERT_TRUE(SystemCommandPath(f.commandLine, kSystem, program)) << f.commandLine;
    EXPECT_STREQ(program, f.program);
  }
  const std::wstring tooLong(MAX_PATH - wcslen(kSystem) - 4, L'x');
  const std::wstring refused[] = {L"",
                                  L" dism /online",
                                  L"\"dism\" /online",
                                  L"..\\dism.exe /online",
                                  L"sub/dism /online",
                                  L"C:dism /online",
                                  L"\\\\server\\share\\dism.exe",
                                  tooLong + L" /x"};
  for (const std::wstring& commandLine : refused) {
    wchar_t program[MAX_PATH];
    EXPECT_FALSE(SystemCommandPath(commandLine.c_str(), kSystem, program)) << commandLine.c_str();
  }
}

// The 32-bit build under WOW64 reaches the 64-bit system folder through Sysnative.
TEST(NativeSystemFolder, FollowsTheWow64Answer) {
  wchar_t folder[MAX_PATH];
  ASSERT_TRUE(NativeSystemFolder(FALSE, L"C:\\Windows", L"C:\\Windows\\system32", folder));
  EXPECT_STREQ(folder, L"C:\\Windows\\system32");
  ASSERT_TRUE(NativeSystemFolder(TRUE, L"D:\\WINNT", L"D:\\WINNT\\system32", folder));
  EXPECT_STREQ(folder, L"D:\\WINNT\\Sysnative");
  const std::wstring deep = L"C:\\" + std::wstring(MAX_PATH - 10, L'w');
  EXPECT_FALSE(NativeSystemFolder(TRUE, deep.c_str(), L"C:\\Windows\\system32", folder));
  // The 64-bit build asks nothing and keeps the shell's system folder.
  EXPECT_EQ(KnownFolder(CSIDL_SYSTEM), L"C:\\windows\\system32");
}

TEST(RunCommandLine, ProgramThatDoesNotExistGivesZero) {
  std::wstring folder = FreshTestFolder(L"run-missing");
  wchar_t byName[MAX_PATH] = L"spruce-no-such-command -h off";
  EXPECT_EQ(RunCommandLine(byName), 0);
  std::wstring missing = L"\"" + folder + L"\\missing.exe\" /x";
  wchar_t byPath[MAX_PATH] = {};
  missing.copy(byPath, missing.size());
  EXPECT_EQ(RunCommandLine(byPath), 0);
}

struct VersionReport {
  bool atLeast;
  bool row13Checked;
  bool componentStore;  // row 13 cleans the component store
  int major, minor, servicePack;
};

// Starts version_probe.exe, which lies beside the test program, and decodes its exit code.
VersionReport RunVersionProbe() {
  std::wstring command = L"\"" + BesideTestProgram(L"version_probe.exe") + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  DWORD code = 0;
  EXPECT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, L"C:\\",
                             &startup, &process))
      << "cannot start version_probe.exe, error " << GetLastError();
  if (process.hProcess) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  return {(code & 1) != 0, (code & 2) != 0, (code & 4) != 0, static_cast<int>(code >> 16 & 0xFF),
          static_cast<int>(code >> 8 & 0xFF), static_cast<int>(code >> 4 & 0xF)};
}

// The Windows version Wine reports to version_probe.exe alone, as winecfg sets it per
// program; in force from the program's next start until the object goes.
class CProbeVersion {
 public:
  explicit CProbeVersion(const std::wstring& version) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &m_hKey,
                    nullptr);
    RegSetValueExW(m_hKey, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                   static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
  }
  ~CProbeVersion() {
    RegCloseKey(m_hKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
  }

 private:
  static constexpr const wchar_t* kKey = L"Software\\Wine\\AppDefaults\\version_probe.exe";
  HKEY m_hKey = nullptr;
};

// Wine's version names give Windows 7 only with Service Pack 1. A program without a version
// of its own is shown the prefix's registry values instead, where the service pack number can
// be chosen; the prefix's own number is put back when the object goes.
class CPrefixServicePack {
 public:
  explicit CPrefixServicePack(DWORD servicePack) {
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Windows", 0,
                  KEY_QUERY_VALUE | KEY_SET_VALUE, &m_hKey);
    DWORD size = sizeof m_dwSaved;
    m_bSaved = RegQueryValueExW(m_hKey, L"CSDVersion", nullptr, nullptr,
                                reinterpret_cast<BYTE*>(&m_dwSaved), &size) == ERROR_SUCCESS;
    EXPECT_TRUE(m_bSaved) << "the prefix holds no service pack number";
    if (m_bSaved) Write(servicePack << 8);  // major number in the high byte
  }
  ~CPrefixServicePack() {
    if (m_bSaved) Write(m_dwSaved);
    RegCloseKey(m_hKey);
  }

 private:
  void Write(DWORD value) {
    RegSetValueExW(m_hKey, L"CSDVersion", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
  }

  HKEY m_hKey = nullptr;
  bool m_bSaved = false;
  DWORD m_dwSaved = 0;
};

// The probe has no manifest, so Windows 8.1 and 10 would show it 6.2 through GetVersionExW;
// the engine must find the true version all the same.
TEST(IsWindowsVersionAtLeast, HoldsFromWindows7WithServicePack1On) {
  struct Case {
    const wchar_t* wineVersion;
    int major, minor, servicePack;
    bool atLeast, componentStore;
  };
  const Case cases[] = {{L"winxp", 5, 1, 3, false, false}, {L"vista", 6, 0, 2, false, false},
                        {L"win7", 6, 1, 1, true, false},   {L"win8", 6, 2, 0, true, true},
                        {L"win81", 6, 3, 0, true, true},   {L"win10", 10, 0, 0, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "Wine version " << c.wineVersion);
    CProbeVersion setting(c.wineVersion);
    VersionReport report = RunVersionProbe();
    ASSERT_EQ(report.major, c.major);
    ASSERT_EQ(report.minor, c.minor);
    ASSERT_EQ(report.servicePack, c.servicePack);
    EXPECT_EQ(report.atLeast, c.atLeast);
    // Checked on Windows 7 only: from Windows 8 on, Windows cleans the component store itself.
    EXPECT_EQ(report.row13Checked, c.atLeast && !c.componentStore);
    EXPECT_EQ(report.componentStore, c.componentStore);
  }
}

TEST(ComponentCleanupCommand, ServicePackBackupsUpToWindows7AndTheComponentStoreFrom8On) {
  const wchar_t kServicePack[] = L"dism /online /cleanup-image /spsuperseded /hidesp";
  const wchar_t kComponentStore[] = L"dism /online /cleanup-image /startcomponentcleanup";
  EXPECT_STREQ(ComponentCleanupCommandFor(6, 0), kServicePack);
  EXPECT_STREQ(ComponentCleanupCommandFor(6, 1), kServicePack);
  EXPECT_STREQ(ComponentCleanupCommandFor(6, 2), kComponentStore);
  EXPECT_STREQ(ComponentCleanupCommandFor(6, 3), kComponentStore);
  EXPECT_STREQ(ComponentCleanupCommandFor(10, 0), kComponentStore);
  EXPECT_STREQ(ComponentCleanupCommandFor(0, 0), kServicePack);  // version unknown
}

TEST(IsWindowsVersionAtLeast, Windows7WithoutServicePackFails) {
  for (DWORD servicePack : {0u, 1u}) {
    SCOPED_TRACE(testing::Message() << "service pack " << servicePack);
    CPrefixServicePack setting(servicePack);
    VersionReport report = RunVersionProbe();
    ASSERT_EQ(report.major, 6);
    ASSERT_EQ(report.minor, 1);
    ASSERT_EQ(report.servicePack, static_cast<int>(servicePack));
    EXPECT_EQ(report.atLeast, servicePack == 1);
    EXPECT_EQ(report.row13Checked, servicePack == 1);
  }
}

// The hibernation file lies in the root of the Windows drive, C:\ in the prefix.
class HibernationFile : public testing::Test {
 protected:
  void SetUp() override { RemoveFiles(); }
  void TearDown() override { RemoveFiles(); }
  static void RemoveFiles() {
    RemoveTree(L"C:\\hiberfil.sys");  // whatever its letter case
    RemoveTree(L"C:\\hiberfil.sys.bak");
  }
};

TEST_F(HibernationFile, NoneLeavesTheCountAsItWas) {
  ByteCount size = 0;
  EXPECT_EQ(GetHibernationFileSize(&size), -1);
  EXPECT_EQ(size, 0u);

  // A name that only begins with the hibernation file's is another file; a folder of that
  // name is no file at all.
  WriteFileOfSize(L"C:\\hiberfil.sys.bak", 777);
  WriteFileOfSize(L"C:\\HIBERFIL.SYS\\inside.bin", 888);
  size = 55;
  EXPECT_EQ(GetHibernationFileSize(&size), -1);
  EXPECT_EQ(size, 55u);
}

TEST_F(HibernationFile, SizeComesFromTheListingEvenWhileTheFileIsLocked) {
  WriteFileOfSize(L"C:\\hiberfil.sys.bak", 777);
  WriteSparseFile(L"C:\\hiberfil.sys", 6442450944ull);  // 6 GiB
  // Windows keeps the real file open for itself.
  HANDLE holder = CreateFileW(L"C:\\hiberfil.sys", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  ByteCount size = 0;
  EXPECT_EQ(GetHibernationFileSize(&size), 0);
  CloseHandle(holder);
  EXPECT_EQ(size, 6442450944ull);
}

TEST_F(HibernationFile, NameInCapitalsIsFound) {
  WriteFileOfSize(L"C:\\HIBERFIL.SYS", 4096);
  WIN32_FIND_DATAW entry;
  HANDLE listing = FindFirstFileW(L"C:\\hiberfil.sys", &entry);
  ASSERT_NE(listing, INVALID_HANDLE_VALUE);
  FindClose(listing);
  ASSERT_STREQ(entry.cFileName, L"HIBERFIL.SYS");
  ByteCount size = 0;
  EXPECT_EQ(GetHibernationFileSize(&size), 0);
  EXPECT_EQ(size, 4096u);
}

}  // namespace
