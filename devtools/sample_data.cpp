#include "devtools/sample_data.h"

#include "devtools/disposable_prefix.h"
#include "engine/places.h"

#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include <winioctl.h>

#include <string>

namespace {

const int kEdgeRow = kFirstAppCacheRow;

}  // namespace

// Rows land on every unit the list shows: 0 and 14 in bytes, 2, 6 and 8 in KB, the rest in MB.
const SampleItem kSampleItems[] = {
    {0, CSIDL_WINDOWS, L"\\Downloaded Program Files\\desktop.ini", 65, false},
    {0, CSIDL_WINDOWS, L"\\Downloaded Program Files\\WUWebControl.inf", 598, false},

    {1, CSIDL_INTERNET_CACHE, L"\\Content.IE5\\8J2KX1Q9\\logo[1].png", 48213, false},
    {1, CSIDL_INTERNET_CACHE, L"\\Content.IE5\\8J2KX1Q9\\jquery.min[1].js", 95786, false},
    {1, CSIDL_INTERNET_CACHE, L"\\Content.IE5\\Q0W7ZP3E\\index[2].htm", 31544, false},
    {1, CSIDL_INTERNET_CACHE, L"\\Content.IE5\\Q0W7ZP3E\\player[1].swf", 5767168, true},

    {2, CSIDL_WINDOWS, L"\\Offline Web Pages\\news.mht", 18944, false},
    {2, CSIDL_WINDOWS, L"\\Offline Web Pages\\desktop.ini", 340, false},

    {kRecycleBinRow, CSIDL_PERSONAL, L"\\budget-2023.xlsx", 48128, false},
    {kRecycleBinRow, CSIDL_PERSONAL, L"\\old notes.txt", 2150, false},
    {kRecycleBinRow, CSIDL_PERSONAL, L"\\holiday.mp4", 73400320, true},

    {4, CSIDL_WINDOWS, L"\\Minidump\\031524-10281-01.dmp", 262144, false},
    {4, CSIDL_WINDOWS, L"\\Minidump\\040224-9953-01.dmp", 287312, false},
    {4, CSIDL_WINDOWS, L"\\memory.dmp", 851443712, true},

    {5, CSIDL_WINDOWS, L"\\Temp\\MpCmdRun.log", 88412, false},
    {5, CSIDL_WINDOWS, L"\\Temp\\vminst.log", 12288, false},
    {5, CSIDL_LOCAL_APPDATA, L"\\Temp\\chrome_installer.log", 31457, false},
    {5, CSIDL_LOCAL_APPDATA, L"\\Temp\\~DF3A1B7C.TMP", 16384, false},
    {5, CSIDL_LOCAL_APPDATA, L"\\Temp\\{5A3F9C1E-2B7D-4E8A-9F61-0C4D2E7B8A19}\\setup.exe",
     49283072, true},

    {6, CSIDL_WINDOWS, L"\\HELP\\mui\\0804\\mmc.CHM", 61440, false},
    {6, CSIDL_WINDOWS, L"\\HELP\\mui\\0804\\cliconf.chm", 130048, false},

    {7, CSIDL_WINDOWS,
     L"\\SoftwareDistribution\\Download\\8c4fb1b55b4b8a3e2a7d0e1f4c9b6a52\\"
     L"windows10.0-kb5034441-x64.cab",
     281018368, true},
    {7, CSIDL_WINDOWS,
     L"\\SoftwareDistribution\\Download\\8c4fb1b55b4b8a3e2a7d0e1f4c9b6a52\\_manifest_.cix.xml",
     74812, false},

    {8, CSIDL_WINDOWS, L"\\prefetch\\CHROME.EXE-A4C3D1F2.pf", 61204, false},
    {8, CSIDL_WINDOWS, L"\\prefetch\\EXPLORER.EXE-D5E97654.pf", 143626, false},
    {8, CSIDL_WINDOWS, L"\\prefetch\\SVCHOST.EXE-2A8B4C91.pf", 12858, false},
    {8, CSIDL_WINDOWS, L"\\prefetch\\Layout.ini", 419840, false},

    {9, CSIDL_WINDOWS, L"\\LiveKernelReports\\WATCHDOG\\WATCHDOG-20240315-1022.dmp", 307232768,
     true},
    {9, CSIDL_LOCAL_APPDATA,
     L"\\Microsoft\\Windows\\WER\\ReportArchive\\AppCrash_QQ.exe_3f9a1c2e\\Report.wer", 9416,
     false},
    {9, CSIDL_LOCAL_APPDATA,
     L"\\Microsoft\\Windows\\WER\\ReportQueue\\AppHang_explorer.exe_5b2d\\"
     L"WERInternalMetadata.xml",
     5212, false},

    {10, CSIDL_COMMON_APPDATA, L"\\Microsoft\\Search\\Data\\Applications\\Windows\\Windows.edb",
     37748736, true},
    {10, CSIDL_COMMON_APPDATA, L"\\Microsoft\\Search\\Data\\Applications\\Windows\\MSS.log",
     1048576, true},

    {11, CSIDL_SYSTEM, L"\\FNTCACHE.DAT", 421888, false},
    {11, CSIDL_LOCAL_APPDATA, L"\\GDIPFONTCACHEV1.DAT", 97284, false},
    {11, CSIDL_WINDOWS, L"\\ServiceProfiles\\LocalService\\AppData\\Local\\FontCache-System.dat",
     3145728, true},
    {11, CSIDL_WINDOWS,
     L"\\ServiceProfiles\\LocalService\\AppData\\Local\\"
     L"FontCache-S-1-5-21-3623811015-3361044348-30300820-1013-8192.dat",
     8388608, true},

    {12, kWindowsDriveRoot, L"\\hiberfil.sys", 6871947264ull, true},

    {14, CSIDL_COMMON_APPDATA,
     L"\\Microsoft\\Windows Defender\\Scans\\History\\Results\\Resource\\"
     L"{3F2A8C1D-7E4B-4D9A-B6C5-1A0E9F8D7C2B}",
     412, false},
    {14, CSIDL_COMMON_APPDATA,
     L"\\Microsoft\\Windows Defender\\Scans\\History\\Results\\Quick\\"
     L"{9B7E5D3C-1A2F-4E8B-9C6D-5F4A3B2E1D0C}",
     356, false},

    {15, CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Terminal Server Client\\Cache\\bcache24.bmc",
     26214400, true},
    {15, CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Terminal Server Client\\Cache\\Cache0000.bin",
     10485760, true},
    {15, CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Terminal Server Client\\Cache\\Cache0001.bin", 65536,
     false},

    {16, CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Windows\\Explorer\\thumbcache_256.db", 1283457024,
     true},
    {16, CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Windows\\Explorer\\thumbcache_96.db", 37748736,
     true},
    {16, CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Windows\\Explorer\\thumbcache_32.db", 262144, false},
    {16, CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Windows\\Explorer\\iconcache_32.db", 524288, true},

    // QQ is a 32-bit program: on 64-bit Windows it is installed under "Program Files (x86)".
    {17, CSIDL_APPDATA, L"\\Tencent\\QQMusic\\cache\\song_003aQYLo3s.tmp", 4823449, true},
    {17, CSIDL_APPDATA, L"\\Tencent\\QQMusic\\WhirlCache\\whirl_0001.dat", 131072, false},
    {17, CSIDL_APPDATA, L"\\Tencent\\QQMusic\\QQMusicPicture\\album_004Z8Ihr0JIu5s.jpg", 184320,
     false},
    {17, CSIDL_APPDATA, L"\\Tencent\\QQMusic\\QQMusic_20240312_1422.dmp", 1572864, true},
    {17, CSIDL_PROGRAM_FILESX86,
     L"\\Tencent\\QQ\\Plugin\\Com.Tencent.QQMusic\\bin\\QQMusic\\cache\\lyric_0011.qrc", 12406,
     false},
    {17, CSIDL_APPDATA, L"\\Tencent\\QQ\\Temp\\~qq_upload_7f3a.tmp", 65536, false},
    {17, CSIDL_APPDATA, L"\\Tencent\\QQ\\webkit_cache\\data_1", 2097152, true},
    {17, CSIDL_PERSONAL,
     L"\\Tencent Files\\All Users\\QQ\\Misc\\com.tencent.qqshow\\show_1001.swf", 43008, false},
    {17, CSIDL_APPDATA, L"\\Tencent\\Logs\\QQ\\QQ_20240315.log", 348160, false},
    {17, CSIDL_APPDATA,
     L"\\Tencent\\Users\\123456789\\QQ\\WinTemp\\com.tencent.qqshow\\avatar_3.dat", 40960, false},

    // The application cache rows, in kAppCacheRows order after the written rows.
    {kEdgeRow, CSIDL_LOCAL_APPDATA,
     L"\\Microsoft\\Edge\\User Data\\Default\\Cache\\Cache_Data\\data_1", 47185920, true},
    {kEdgeRow, CSIDL_LOCAL_APPDATA,
     L"\\Microsoft\\Edge\\User Data\\Default\\Code Cache\\js\\index-dir\\the-real-index", 1392,
     false},
    {kEdgeRow, CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Edge\\User Data\\ShaderCache\\data_0", 8192,
     false},
    {kEdgeRow + 1, CSIDL_LOCAL_APPDATA,
     L"\\Google\\Chrome\\User Data\\Default\\Cache\\Cache_Data\\f_00a1b2", 318767104, true},
    {kEdgeRow + 1, CSIDL_LOCAL_APPDATA,
     L"\\Google\\Chrome\\User Data\\Profile 1\\GPUCache\\data_1", 270336, false},
    {kEdgeRow + 2, CSIDL_LOCAL_APPDATA,
     L"\\Tencent\\QQBrowser\\User Data\\Default\\Cache\\Cache_Data\\data_2", 25165824, true},
    {kEdgeRow + 3, CSIDL_APPDATA,
     L"\\360se6\\User Data\\Default\\Cache\\Cache_Data\\data_3", 62914560, true},
    {kEdgeRow + 4, CSIDL_LOCAL_APPDATA,
     L"\\Mozilla\\Firefox\\Profiles\\x7k2m9qa.default-release\\cache2\\entries\\"
     L"3F2A8C1D7E4B4D9AB6C51A0E9F8D7C2B5A1E0D3C",
     104857600, true},
    {kEdgeRow + 5, CSIDL_LOCAL_APPDATA, L"\\Quark\\User Data\\Default\\Cache\\Cache_Data\\data_1",
     41943040, true},
    {kEdgeRow + 6, CSIDL_LOCAL_APPDATA,
     L"\\2345Explorer\\User Data\\Default\\Cache\\Cache_Data\\data_2", 15728640, true},
    {kEdgeRow + 7, CSIDL_LOCAL_APPDATA,
     L"\\360Chrome\\Chrome\\User Data\\Default\\Cache\\Cache_Data\\f_000a3c", 88080384, true},
    {kEdgeRow + 7, CSIDL_LOCAL_APPDATA,
     L"\\360Chrome\\Chrome\\User Data\\Default\\Code Cache\\js\\index-dir\\the-real-index", 2064,
     false},
    {kEdgeRow + 8, CSIDL_PERSONAL,
     L"\\WeChat Files\\wxid_5k2m8q1r9z22\\FileStorage\\Cache\\2024-05\\"
     L"a1b2c3d4e5f60718293a4b5c6d7e8f90.jpg",
     734003200, true},
    {kEdgeRow + 8, CSIDL_APPDATA, L"\\Tencent\\WeChat\\log\\WeChat_20240515.xlog", 262144, false},
    {kEdgeRow + 9, CSIDL_PERSONAL,
     L"\\Tencent Files\\123456789\\nt_qq\\nt_temp\\upload_7f3a9c.tmp", 5242880, true},
    {kEdgeRow + 9, CSIDL_APPDATA, L"\\QQ\\Cache\\Cache_Data\\data_1", 12582912, true},
    {kEdgeRow + 10, CSIDL_APPDATA,
     L"\\DingTalk\\183472916_v2\\resource_cache\\image\\5f\\a8c3e1d2f4b6.jpg", 3145728, true},
    {kEdgeRow + 11, CSIDL_APPDATA,
     L"\\Tencent\\QQMusic\\QQMusicCache\\WhirlCache\\M500003aQYLo3s.mqcache", 9437184, true},
    {kEdgeRow + 12, CSIDL_LOCAL_APPDATA,
     L"\\NetEase\\CloudMusic\\Cache\\Cache\\1392990601-320-7f3a9c.uc!", 10485760, true},
    {kEdgeRow + 13, kWindowsDriveRoot,
     L"\\NVIDIA\\DisplayDriver\\552.22\\Win11_Win10-DCH_64\\International\\setup.exe",
     681574400, true},
    {kEdgeRow + 13, kWindowsDriveRoot, L"\\AMD\\Chipset_Software\\Binaries\\AMD_Chipset.msi",
     52428800, true},
    {kEdgeRow + 14, CSIDL_LOCAL_APPDATA, L"\\CrashDumps\\explorer.exe.5124.dmp", 786432, false},
    {kEdgeRow + 15, CSIDL_LOCAL_APPDATA, L"\\NVIDIA\\DXCache\\4a8b2c1d_0_0_3e7f.nvph",
     134217728, true},
    {kEdgeRow + 15, CSIDL_LOCAL_APPDATA, L"\\NVIDIA\\GLCache\\8e1f\\27ab\\5c3d9e0f.bin", 786432,
     false},
    {kEdgeRow + 15, CSIDL_PROFILE,
     L"\\AppData\\LocalLow\\NVIDIA\\PerDriverVersion\\DXCache\\2f9c7a1e_1_0.nvph", 25165824,
     true},
    {kEdgeRow + 15, CSIDL_LOCAL_APPDATA, L"\\AMD\\DxCache\\b3c4d5e6f7a8.parc", 41943040, true},
    {kEdgeRow + 16, CSIDL_WINDOWS, L"\\Logs\\CBS\\CbsPersist_20240515103012.log", 33554432,
     true},
    {kEdgeRow + 16, CSIDL_WINDOWS, L"\\Logs\\CBS\\CbsPersist_20240301081544.cab", 5242880, true},
    {kEdgeRow + 17, CSIDL_APPDATA,
     L"\\Code\\CachedData\\8b3775030ed1a69b13e4f4c628c612102e30a681\\chrome\\js\\index", 4194304,
     true},
    {kEdgeRow + 17, CSIDL_APPDATA, L"\\Code\\logs\\20240515T103012\\window1\\renderer.log",
     131072, false},
    {kEdgeRow + 18, CSIDL_LOCAL_APPDATA,
     L"\\npm-cache\\_cacache\\content-v2\\sha512\\3a\\7f\\"
     L"c2e9b1d04f6a8e5c7b3d2f1a0e9c8b7a6d5e4f3c2b1a09f8e7d6c5b4a3f2e1d0",
     2097152, false},
    {kEdgeRow + 18, CSIDL_LOCAL_APPDATA,
     L"\\pip\\Cache\\http-v2\\a\\3\\f\\9\\c\\a3f9c1e2b4d6f8a0c2e4b6d8f0a2c4e6b8d0f2a4c6e8b0d2f4a6",
     8388608, true},
    // Steam is a 32-bit program: on 64-bit Windows it is installed under "Program Files (x86)".
    {kEdgeRow + 19, CSIDL_PROGRAM_FILESX86, L"\\Steam\\appcache\\httpcache\\3f\\a1b2c3d4e5f60718",
     1048576, false},
    {kEdgeRow + 19, CSIDL_PROGRAM_FILESX86,
     L"\\Steam\\steamapps\\shadercache\\730\\fozpipelinesv6\\steamapp.foz", 268435456, true},
    {kEdgeRow + 19, CSIDL_LOCAL_APPDATA, L"\\Steam\\htmlcache\\Cache\\Cache_Data\\data_1",
     16777216, true},
    {kEdgeRow + 20, CSIDL_PROGRAM_FILESX86,
     L"\\Tencent\\QQ\\Users\\123456789\\Image\\{A1B2C3D4-E5F6-7A8B-9C0D-E1F2A3B4C5D6}.png",
     235520, false},
    {kEdgeRow + 20, CSIDL_PERSONAL,
     L"\\Tencent Files\\123456789\\Image\\Group2\\AB\\CD\\"
     L"{7F3E2A1B-9C8D-4E5F-A6B7-C8D9E0F1A2B3}.jpg",
     1153434, true},
    {kEdgeRow + 20, CSIDL_PERSONAL,
     L"\\Tencent Files\\987654321\\Image\\C2C\\{0A1B2C3D-4E5F-6A7B-8C9D-0E1F2A3B4C5D}.png", 96256,
     false},
};
const int kSampleItemCount = sizeof kSampleItems / sizeof kSampleItems[0];

namespace {

// Creates folder and every folder above it; CreateDirectoryW fails harmlessly on those that
// exist and on the parts of a \\?\ prefix.
void CreateFolders(const wchar_t* folder) {
  wchar_t path[MAX_PATH];
  wmemset(path, L'\0', MAX_PATH);
  if (!AppendPath(path, folder)) return;
  for (wchar_t* c = path + 3; *c; ++c) {
    if (*c != L'\\') continue;
    *c = L'\0';
    CreateDirectoryW(path, nullptr);
    *c = L'\\';
  }
  CreateDirectoryW(path, nullptr);
}

bool WriteItem(const SampleItem& item, const wchar_t* path) {
  std::wstring folder(path);
  CreateFolders(folder.substr(0, folder.find_last_of(L'\\')).c_str());
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool written = true;
  if (item.sparse) {
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(item.size);
    written = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  } else {
    static char chunk[65536];
    memset(chunk, 'x', sizeof chunk);
    for (ByteCount left = item.size; left > 0 && written;) {
      DWORD part = left < sizeof chunk ? static_cast<DWORD>(left) : sizeof chunk;
      DWORD done = 0;
      written = WriteFile(file, chunk, part, &done, nullptr) && done == part;
      left -= part;
    }
  }
  CloseHandle(file);
  return written;
}

// Wine looks for its trash once per process and, finding none, keeps without one: the bin's
// folders must stand before the first deletion to it.
bool PrepareRecycleBin() {
  std::wstring trash = RecycleBinInsidePrefix();
  if (trash.empty()) return false;
  CreateFolders((trash + L"\\files").c_str());
  CreateFolders((trash + L"\\info").c_str());
  return true;
}

// The chat-files tool's sample: a WeChat 4 and a new QQ account's month folders of two years
// ago, of last year and of this month, so that the tool shows rows. No row of the list takes
// them: the path's %ls is the month, monthsAgo months before this one.
const struct {
  const wchar_t* subPath;  // below Documents
  int monthsAgo;
  ByteCount size;
  bool sparse;
} kChatSample[] = {
    {L"\\xwechat_files\\wxid_5k2m8q1r9z22\\db_storage\\message\\message_0.db", 0, 8388608, true},
    {L"\\xwechat_files\\wxid_5k2m8q1r9z22\\msg\\attach\\3f8e2a1b9c7d4e6f0a1b2c3d4e5f6a7b\\%ls\\Img\\"
     L"b1c2d3e4f5a6.dat",
     26, 1258291, true},
    {L"\\xwechat_files\\wxid_5k2m8q1r9z22\\msg\\attach\\3f8e2a1b9c7d4e6f0a1b2c3d4e5f6a7b\\%ls\\Img\\"
     L"c7d8e9f0a1b2.dat",
     14, 734003, true},
    {L"\\xwechat_files\\wxid_5k2m8q1r9z22\\msg\\attach\\3f8e2a1b9c7d4e6f0a1b2c3d4e5f6a7b\\%ls\\Img\\"
     L"d4e5f6a7b8c9.dat",
     0, 524288, true},
    {L"\\xwechat_files\\wxid_5k2m8q1r9z22\\msg\\video\\%ls\\8a7b6c5d4e3f.mp4", 26, 50331648, true},
    {L"\\xwechat_files\\wxid_5k2m8q1r9z22\\msg\\video\\%ls\\1f2e3d4c5b6a.mp4", 0, 20971520, true},
    {L"\\xwechat_files\\wxid_5k2m8q1r9z22\\msg\\file\\%ls\\报价单.pdf", 14, 358400, false},
    {L"\\Tencent Files\\123456789\\nt_qq\\nt_data\\Pic\\%ls\\Ori\\5a6b7c8d.jpg", 26, 2097152, true},
    {L"\\Tencent Files\\123456789\\nt_qq\\nt_data\\Pic\\%ls\\Ori\\9e8d7c6b.jpg", 0, 1048576, true},
    {L"\\Tencent Files\\123456789\\nt_qq\\nt_data\\Video\\%ls\\Ori\\0f1e2d3c.mp4", 14, 26214400,
     true},
};

bool MakeChatSample() {
  SYSTEMTIME today;
  GetLocalTime(&today);
  bool complete = true;
  for (const auto& chat : kChatSample) {
    const int month = today.wYear * 12 + today.wMonth - 1 - chat.monthsAgo;
    wchar_t name[16], subPath[MAX_PATH], path[MAX_PATH];
    swprintf(name, 16, L"%04d-%02d", month / 12, month % 12 + 1);
    swprintf(subPath, MAX_PATH, chat.subPath, name);
    const SampleItem item = {-1, CSIDL_PERSONAL, subPath, chat.size, chat.sparse};
    if (!SampleItemPath(item, path) || !WriteItem(item, path)) {
      fprintf(stderr, "cannot write the sample item %ls\n", subPath);
      complete = false;
    }
  }
  return complete;
}

bool Recycle(const std::wstring& list) {
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = list.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

}  // namespace

bool SampleItemPath(const SampleItem& item, wchar_t* path) {
  if (item.csidl != kWindowsDriveRoot) return BuildKnownPath(path, item.csidl, item.subPath);
  if (!BuildKnownPath(path, CSIDL_WINDOWS, L"")) return false;
  path[2] = L'\0';  // "C:"
  return AppendPath(path, item.subPath);
}

bool MakeSample() {
  if (!InDisposableWinePrefix()) {
    fprintf(stderr, "The sample is written only into Spruce's disposable Wine prefix.\n");
    return false;
  }
  bool binReady = PrepareRecycleBin();
  if (!binReady)
    fprintf(stderr, "The Recycle Bin lies outside the prefix: nothing is deleted to it.\n");
  bool complete = binReady;
  std::wstring toRecycle;  // a double-NUL-terminated list
  for (int i = 0; i < kSampleItemCount; ++i) {
    const SampleItem& item = kSampleItems[i];
    if (item.row == kRecycleBinRow && !binReady) continue;
    wchar_t path[MAX_PATH];
    if (!SampleItemPath(item, path) || !WriteItem(item, path)) {
      fprintf(stderr, "cannot write the sample item %ls\n", item.subPath);
      complete = false;
      continue;
    }
    if (item.row == kRecycleBinRow) toRecycle.append(path).push_back(L'\0');
  }
  if (!MakeChatSample()) complete = false;
  if (!toRecycle.empty() && !Recycle(toRecycle + L'\0')) {
    fprintf(stderr, "cannot delete the sample's files to the Recycle Bin\n");
    complete = false;
  }
  return complete;
}
