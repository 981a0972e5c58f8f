// The application cache rows: where each application keeps its caches, and their targets.
#include "engine/targets/app_caches.h"

#include "engine/places/chat_roots.h"
#include "engine/places/paths.h"
#include "engine/places/settings_roots.h"
#include "engine/places/user_places.h"
#include "engine/places/user_rights.h"

#include <shlobj.h>
#include <wchar.h>

#include <optional>

namespace {

// Sizes or empties each folder of caches (a list ending in a null; "" names the folder itself)
// below an open folder. Every lookup goes through a new handle to the folder: on Windows a
// handle's listing keeps the mask of its first lookup.
ByteCount WalkCaches(HANDLE folder, const wchar_t* const* caches, BOOL measureOnly) {
  ByteCount total = 0;
  for (; *caches; ++caches) {
    HANDLE fresh = OpenBelow(folder, L"", kFolderItem, 0);
    if (!fresh) continue;
    total += **caches ? WalkBelow(fresh, *caches, measureOnly)
                      : WalkOpenFolder(fresh, measureOnly);
    CloseHandle(fresh);
  }
  return total;
}

// The bases a layout may lie below besides the known folders (CSIDL numbers, never negative).
const int kProfileBase = -1;  // the user's profile folder itself (AppData\LocalLow has no CSIDL)
const int kSteamBase = -2;    // Steam's folder (OpenSteamItem)

// Where an application keeps (a part of) its caches: a root below a base folder, cache folders
// in the root, more in each of its profile folders, and plain files matching patterns.
struct CacheLayout {
  int base;
  const wchar_t* root;
  const wchar_t* const* rootCaches;
  bool (*isProfile)(const wchar_t* name) = nullptr;  // null: every subfolder is a profile
  const wchar_t* const* profileCaches = nullptr;     // null: the root holds no profiles
  // Patterns of files below a known folder base (TakeMatchingFiles); null for none.
  const wchar_t* const* files = nullptr;
};

const wchar_t* const kNoCaches[] = {nullptr};
const wchar_t* const kWholeRoot[] = {L"", nullptr};
const wchar_t* const kChromiumProfileCaches[] = {
    L"\\Cache",     L"\\Code Cache",      L"\\GPUCache",          L"\\Media Cache",
    L"\\DawnCache", L"\\DawnWebGPUCache", L"\\DawnGraphiteCache", nullptr};
const wchar_t* const kChromiumRootCaches[] = {L"\\ShaderCache", L"\\GrShaderCache",
                                              L"\\GraphiteDawnCache", nullptr};
const wchar_t* const kFirefoxProfileCaches[] = {L"\\cache2", nullptr};
const wchar_t* const kNewQQAppCaches[] = {L"\\Cache", L"\\Code Cache", L"\\GPUCache",
                                          L"\\DawnCache", nullptr};
const wchar_t* const kDingTalkProfileCaches[] = {L"\\resource_cache", nullptr};
// Visual Studio Code (an Electron program) beside User, Local Storage, Session Storage,
// IndexedDB and Backups, which hold the user's settings, history and unsaved files.
const wchar_t* const kVSCodeCaches[] = {
    L"\\Cache",     L"\\CachedData",        L"\\CachedExtensionVSIXs", L"\\Code Cache",
    L"\\GPUCache",  L"\\DawnGraphiteCache", L"\\DawnWebGPUCache",      L"\\logs",
    nullptr};
const wchar_t* const kSteamCaches[] = {L"\\appcache\\httpcache", L"\\steamapps\\shadercache",
                                       nullptr};
// Servicing renames CBS.log, which it writes, to CbsPersist_<time>.log and packs those into
// .cab files: only the renamed ones are taken.
const wchar_t* const kCbsPersistLogs[] = {L"\\Logs\\CBS\\CbsPersist_*.log",
                                          L"\\Logs\\CBS\\CbsPersist_*.cab", nullptr};

// "Default", "Profile <n>", "Guest Profile", "System Profile"; other folders of "User Data"
// hold the browser's own data.
bool IsChromiumProfile(const wchar_t* name) {
  if (IsName(name, L"Default") || IsName(name, L"Guest Profile") ||
      IsName(name, L"System Profile"))
    return true;
  if (CompareStringOrdinal(name, 8, L"Profile ", 8, TRUE) != CSTR_EQUAL || wcslen(name) < 9)
    return false;
  return wcsspn(name + 8, L"0123456789") == wcslen(name + 8);
}

// DingTalk keeps each account in "<id>_v2" or "<id>_v3"; its other folders are its own.
bool IsDingTalkProfile(const wchar_t* name) {
  const size_t length = wcslen(name);
  return length > 3 && (IsName(name + length - 3, L"_v2") || IsName(name + length - 3, L"_v3"));
}

// A row's layouts: one for each place its caches lie in.
const CacheLayout kEdge[] = {{CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Edge\\User Data",
                              kChromiumRootCaches, IsChromiumProfile, kChromiumProfileCaches}};
const CacheLayout kChrome[] = {{CSIDL_LOCAL_APPDATA, L"\\Google\\Chrome\\User Data",
                                kChromiumRootCaches, IsChromiumProfile, kChromiumProfileCaches}};
const CacheLayout kQQBrowser[] = {{CSIDL_LOCAL_APPDATA, L"\\Tencent\\QQBrowser\\User Data",
                                   kChromiumRootCaches, IsChromiumProfile,
                                   kChromiumProfileCaches}};
const CacheLayout k360Browser[] = {{CSIDL_APPDATA, L"\\360se6\\User Data", kChromiumRootCaches,
                                    IsChromiumProfile, kChromiumProfileCaches}};
const CacheLayout kFirefox[] = {{CSIDL_LOCAL_APPDATA, L"\\Mozilla\\Firefox\\Profiles",
                                 kNoCaches, nullptr, kFirefoxProfileCaches}};
const CacheLayout kQuark[] = {{CSIDL_LOCAL_APPDATA, L"\\Quark\\User Data", kChromiumRootCaches,
                               IsChromiumProfile, kChromiumProfileCaches}};
const CacheLayout k2345Browser[] = {{CSIDL_LOCAL_APPDATA, L"\\2345Explorer\\User Data",
                                     kChromiumRootCaches, IsChromiumProfile,
                                     kChromiumProfileCaches}};
const CacheLayout k360Chrome[] = {{CSIDL_LOCAL_APPDATA, L"\\360Chrome\\Chrome\\User Data",
                                   kChromiumRootCaches, IsChromiumProfile,
                                   kChromiumProfileCaches}};
const CacheLayout kNewQQApp[] = {{CSIDL_APPDATA, L"\\QQ", kNewQQAppCaches}};
const CacheLayout kDingTalk[] = {
    {CSIDL_APPDATA, L"\\DingTalk", kNoCaches, IsDingTalkProfile, kDingTalkProfileCaches}};
const CacheLayout kQQMusicCache[] = {
    {CSIDL_APPDATA, L"\\Tencent\\QQMusic\\QQMusicCache", kWholeRoot}};
const CacheLayout kCloudMusicCache[] = {
    {CSIDL_LOCAL_APPDATA, L"\\NetEase\\CloudMusic\\Cache\\Cache", kWholeRoot}};
const CacheLayout kCrashDumps[] = {{CSIDL_LOCAL_APPDATA, L"\\CrashDumps", kWholeRoot}};
// The graphics drivers rebuild these when a program next compiles its shaders.
const CacheLayout kShaderCaches[] = {
    {CSIDL_LOCAL_APPDATA, L"\\NVIDIA\\DXCache", kWholeRoot},
    {CSIDL_LOCAL_APPDATA, L"\\NVIDIA\\GLCache", kWholeRoot},
    {kProfileBase, L"\\AppData\\LocalLow\\NVIDIA\\PerDriverVersion\\DXCache", kWholeRoot},
    {CSIDL_LOCAL_APPDATA, L"\\AMD\\DxCache", kWholeRoot},
    {CSIDL_LOCAL_APPDATA, L"\\AMD\\GLCache", kWholeRoot},
    {CSIDL_LOCAL_APPDATA, L"\\AMD\\VkCache", kWholeRoot}};
const CacheLayout kCbsLogs[] = {
    {CSIDL_WINDOWS, L"\\Logs\\CBS", kNoCaches, nullptr, nullptr, kCbsPersistLogs}};
const CacheLayout kVSCode[] = {{CSIDL_APPDATA, L"\\Code", kVSCodeCaches}};
const CacheLayout kDownloadCaches[] = {
    {CSIDL_LOCAL_APPDATA, L"\\npm-cache\\_cacache", kWholeRoot},
    {CSIDL_LOCAL_APPDATA, L"\\pip\\Cache", kWholeRoot}};
const CacheLayout kSteam[] = {{kSteamBase, L"", kSteamCaches},
                              {CSIDL_LOCAL_APPDATA, L"\\Steam\\htmlcache", kWholeRoot}};

// Steam's folder: the value SteamPath of the user's HKCU\Software\Valve\Steam, else Steam in
// Program Files (x86). The value is the user's own setting, and the default folder one that
// Steam's installer opens to every user: either is reached only with the user's rights. Steam
// writes the value in lower case with forward slashes ("c:/program files (x86)/steam"). Windows
// reads a forward slash as a backslash and names regardless of case, and so do the rules every
// settings root is held to (ParseSettingsRoot, then OpenBelowDataRoot's IsWalkableFolder and
// no-link opens): the text is taken as it stands, and only where it names a folder on a drive.
HANDLE OpenSteamItem(const wchar_t* subPath) {
  if (!IsActingAsUser()) return nullptr;
  wchar_t text[MAX_PATH];
  if (ReadUserRegistryText(L"Software\\Valve\\Steam", L"SteamPath", text) &&
      ParseSettingsRoot(text) == kFolderRoot)
    return OpenBelowDataRoot(kFolderRoot, text, subPath);
  // Steam is a 32-bit program: on 64-bit Windows it lies in Program Files (x86), as QQ does.
  wchar_t below[MAX_PATH] = L"\\Steam";
  if (!AppendPath(below, subPath)) return nullptr;
  return OpenKnownItem(kQQProgramFiles, below, kFolderItem, 0);
}

HANDLE OpenLayoutRoot(const CacheLayout& layout) {
  if (layout.base == kProfileBase) return OpenBelowUserProfile(layout.root, kFolderItem, 0);
  if (layout.base == kSteamBase) return OpenSteamItem(layout.root);
  return OpenKnownItem(layout.base, layout.root, kFolderItem, 0);
}

// The rights a layout is reached with: the user's where it lies below one of the user's known
// folders (CUserRights(csidl)), and for every step below the other bases, which are the user's
// own too; a machine-wide known folder's as administrator.
void ActForLayout(const CacheLayout& layout, std::optional<CUserRights>& rights) {
  if (layout.base < 0)
    rights.emplace();
  else
    rights.emplace(layout.base);
}

struct CacheWalk {
  const CacheLayout* layout;
  BOOL measureOnly;
  ByteCount total;
};

void WalkProfile(HANDLE profile, const wchar_t* name, void* context) {
  CacheWalk& walk = *static_cast<CacheWalk*>(context);
  if (walk.layout->isProfile && !walk.layout->isProfile(name)) return;
  walk.total += WalkCaches(profile, walk.layout->profileCaches, walk.measureOnly);
}

ByteCount CleanLayout(const CacheLayout& layout, BOOL measureOnly) {
  std::optional<CUserRights> rights;
  ActForLayout(layout, rights);
  HANDLE root = OpenLayoutRoot(layout);
  if (!root) return 0;
  CacheWalk walk = {&layout, measureOnly, WalkCaches(root, layout.rootCaches, measureOnly)};
  if (layout.profileCaches) ForEachSubfolderAnew(root, WalkProfile, &walk);
  CloseHandle(root);
  for (const wchar_t* const* files = layout.files; files && *files; ++files)
    walk.total += TakeMatchingFiles(layout.base, *files, measureOnly);
  return walk.total;
}

bool IsLayoutPresent(const CacheLayout& layout) {
  std::optional<CUserRights> rights;
  ActForLayout(layout, rights);
  HANDLE root = OpenLayoutRoot(layout);
  if (!root) return false;
  CloseHandle(root);
  return true;
}

template <const auto& kLayouts>
ByteCount CleanApp(BOOL measureOnly) {
  ByteCount total = 0;
  for (const CacheLayout& layout : kLayouts) total += CleanLayout(layout, measureOnly);
  return total;
}

// A row is shown where any of its layouts' roots is there.
template <const auto& kLayouts>
bool IsAppPresent() {
  for (const CacheLayout& layout : kLayouts)
    if (IsLayoutPresent(layout)) return true;
  return false;
}

// WeChat 4 puts files it is sending or unpacking, and stickers it is fetching, in temp folders.
const wchar_t* const kWeChat4AccountCaches[] = {L"\\cache", L"\\temp",
                                                L"\\business\\emoticon\\Temp", nullptr};
const wchar_t* const kWeChat3AccountCaches[] = {L"\\FileStorage\\Cache", nullptr};
const wchar_t* const kNewQQAccountCaches[] = {L"\\nt_qq\\nt_temp", nullptr};
const wchar_t* const kNewQQGlobalCaches[] = {L"\\nt_qq\\global\\nt_temp", nullptr};

struct AccountWalk {
  BOOL measureOnly;
  ByteCount total;
};

void WalkWeChat4Account(HANDLE account, const wchar_t*, void* context) {
  AccountWalk& walk = *static_cast<AccountWalk*>(context);
  if (IsWeChat4Account(account))
    walk.total += WalkCaches(account, kWeChat4AccountCaches, walk.measureOnly);
}

void WalkWeChat3Account(HANDLE account, const wchar_t* name, void* context) {
  if (!IsWeChat3Account(name)) return;
  AccountWalk& walk = *static_cast<AccountWalk*>(context);
  walk.total += WalkCaches(account, kWeChat3AccountCaches, walk.measureOnly);
}

void WalkNewQQAccount(HANDLE account, const wchar_t*, void* context) {
  AccountWalk& walk = *static_cast<AccountWalk*>(context);
  walk.total += WalkCaches(account, kNewQQAccountCaches, walk.measureOnly);
}

void WalkWeChat4Files(HANDLE files, void* context) {
  ForEachListedSubfolder(files, WalkWeChat4Account, context);
}

void WalkWeChat3Files(HANDLE files, void* context) {
  ForEachListedSubfolder(files, WalkWeChat3Account, context);
}

void WalkNewQQFiles(HANDLE files, void* context) {
  AccountWalk& walk = *static_cast<AccountWalk*>(context);
  walk.total += WalkCaches(files, kNewQQGlobalCaches, walk.measureOnly);
  ForEachSubfolderAnew(files, WalkNewQQAccount, context);
}

void NoteFound(HANDLE, void* context) { *static_cast<bool*>(context) = true; }

void NoteNewQQData(HANDLE files, void* context) {
  if (HoldsFolder(files, L"nt_qq")) *static_cast<bool*>(context) = true;
}

void NoteChatImages(HANDLE account, void* context) {
  if (HoldsFolder(account, L"Image")) *static_cast<bool*>(context) = true;
}

ByteCount CleanWeChat(BOOL measureOnly) {
  CUserRights rights(CSIDL_APPDATA);
  AccountWalk walk = {measureOnly, 0};
  ForEachWeChatFilesFolder(WalkWeChat4Files, WalkWeChat3Files, &walk);
  return walk.total + WalkKnown(CSIDL_APPDATA, L"\\Tencent\\WeChat\\log", measureOnly);
}

bool IsWeChatPresent() {
  CUserRights rights(CSIDL_APPDATA);
  bool found = false;
  ForEachWeChatFilesFolder(NoteFound, NoteFound, &found);
  HANDLE log = OpenKnownItem(CSIDL_APPDATA, L"\\Tencent\\WeChat\\log", kFolderItem, 0);
  if (log) CloseHandle(log);
  return found || log != nullptr;
}

ByteCount CleanNewQQ(BOOL measureOnly) {
  CUserRights rights(CSIDL_APPDATA);
  DataRoots roots;
  AccountWalk walk = {measureOnly, 0};
  FindNewQQRoot(roots);
  ForEachDataFolder(roots, L"\\Tencent Files", WalkNewQQFiles, &walk);
  return walk.total + CleanApp<kNewQQApp>(measureOnly);
}

bool IsNewQQPresent() {
  CUserRights rights(CSIDL_APPDATA);
  DataRoots roots;
  bool found = IsAppPresent<kNewQQApp>();
  FindNewQQRoot(roots);
  ForEachDataFolder(roots, L"\\Tencent Files", NoteNewQQData, &found);
  return found;
}

// GPU driver installers unpack into these folders of the Windows drive's root. Any account may
// make a folder of that name there, so they are sized and emptied only with the user's rights:
// Windows then refuses what that user could not delete by hand.
const wchar_t* const kDriverInstallers[] = {L"\\NVIDIA", L"\\AMD", nullptr};

// Opens the Windows drive's root, its path text into root; null without the user's rights.
HANDLE OpenDriveRootAsUser(const CUserRights& rights, wchar_t* root) {
  if (!rights.Acts() || !GetWindowsDriveRoot(root)) return nullptr;
  return OpenTrustedFolder(root, 0);
}

ByteCount CleanDriverInstallers(BOOL measureOnly) {
  CUserRights rights;
  wchar_t root[MAX_PATH];
  HANDLE drive = OpenDriveRootAsUser(rights, root);
  if (!drive) return 0;
  ByteCount total = WalkCaches(drive, kDriverInstallers, measureOnly);
  CloseHandle(drive);
  return total;
}

bool AreDriverInstallersPresent() {
  CUserRights rights;
  wchar_t root[MAX_PATH];
  HANDLE drive = OpenDriveRootAsUser(rights, root);
  if (!drive) return false;
  bool found = HoldsFolder(drive, L"NVIDIA") || HoldsFolder(drive, L"AMD");
  CloseHandle(drive);
  return found;
}

bool AreQQChatImagesPresent() {
  bool found = false;
  ForEachSubfolder(kQQProgramFiles, L"\\Tencent\\QQ\\Users\\", NoteChatImages, &found);
  ForEachSubfolder(CSIDL_PERSONAL, L"\\Tencent Files\\", NoteChatImages, &found);
  return found;
}

const wchar_t* const kEdgePrograms[] = {L"msedge.exe", nullptr};
const wchar_t* const kChromePrograms[] = {L"chrome.exe", nullptr};
const wchar_t* const kQQBrowserPrograms[] = {L"QQBrowser.exe", nullptr};
const wchar_t* const k360BrowserPrograms[] = {L"360se.exe", nullptr};
const wchar_t* const kFirefoxPrograms[] = {L"firefox.exe", nullptr};
const wchar_t* const kQuarkPrograms[] = {L"quark.exe", nullptr};
const wchar_t* const k2345BrowserPrograms[] = {L"2345Explorer.exe", nullptr};
const wchar_t* const k360ChromePrograms[] = {L"360chrome.exe", nullptr};
const wchar_t* const kWeChatPrograms[] = {L"Weixin.exe", L"WeChat.exe", nullptr};
const wchar_t* const kQQPrograms[] = {L"QQ.exe", nullptr};
const wchar_t* const kDingTalkPrograms[] = {L"DingTalk.exe", nullptr};
const wchar_t* const kQQMusicPrograms[] = {L"QQMusic.exe", nullptr};
const wchar_t* const kCloudMusicPrograms[] = {L"cloudmusic.exe", nullptr};
const wchar_t* const kVSCodePrograms[] = {L"Code.exe", nullptr};
const wchar_t* const kSteamPrograms[] = {L"steam.exe", nullptr};

}  // namespace

// The browsers', the crash dumps', the shader caches', the servicing logs' and the developer
// tools' rows start checked: what they hold comes back by itself. The chat clients' caches hold
// pictures and files a user may still want to open, the music caches songs they may still play,
// Steam's caches pages and shaders its games take long to rebuild, and the driver folders a way
// to reinstall: those start unchecked.
const AppCacheRow kAppCacheRows[] = {
    {L"Edge浏览器缓存", true, kEdgePrograms, IsAppPresent<kEdge>, CleanApp<kEdge>},
    {L"Chrome浏览器缓存", true, kChromePrograms, IsAppPresent<kChrome>, CleanApp<kChrome>},
    {L"QQ浏览器缓存", true, kQQBrowserPrograms, IsAppPresent<kQQBrowser>, CleanApp<kQQBrowser>},
    {L"360浏览器缓存", true, k360BrowserPrograms, IsAppPresent<k360Browser>,
     CleanApp<k360Browser>},
    {L"Firefox浏览器缓存", true, kFirefoxPrograms, IsAppPresent<kFirefox>, CleanApp<kFirefox>},
    {L"夸克浏览器缓存", true, kQuarkPrograms, IsAppPresent<kQuark>, CleanApp<kQuark>},
    {L"2345浏览器缓存", true, k2345BrowserPrograms, IsAppPresent<k2345Browser>,
     CleanApp<k2345Browser>},
    {L"360极速浏览器缓存", true, k360ChromePrograms, IsAppPresent<k360Chrome>,
     CleanApp<k360Chrome>},
    {L"微信缓存", false, kWeChatPrograms, IsWeChatPresent, CleanWeChat},
    {L"新版QQ缓存", false, kQQPrograms, IsNewQQPresent, CleanNewQQ},
    {L"钉钉缓存", false, kDingTalkPrograms, IsAppPresent<kDingTalk>, CleanApp<kDingTalk>},
    {L"QQ音乐缓存", false, kQQMusicPrograms, IsAppPresent<kQQMusicCache>,
     CleanApp<kQQMusicCache>},
    {L"网易云音乐缓存", false, kCloudMusicPrograms, IsAppPresent<kCloudMusicCache>,
     CleanApp<kCloudMusicCache>},
    {L"显卡驱动安装文件", false, nullptr, AreDriverInstallersPresent, CleanDriverInstallers},
    {L"程序崩溃转储", true, nullptr, IsAppPresent<kCrashDumps>, CleanApp<kCrashDumps>},
    {L"显卡着色器缓存", true, nullptr, IsAppPresent<kShaderCaches>, CleanApp<kShaderCaches>},
    {L"Windows更新日志", true, nullptr, IsAppPresent<kCbsLogs>, CleanApp<kCbsLogs>},
    {L"VS Code缓存", true, kVSCodePrograms, IsAppPresent<kVSCode>, CleanApp<kVSCode>},
    {L"npm和pip下载缓存", true, nullptr, IsAppPresent<kDownloadCaches>,
     CleanApp<kDownloadCaches>},
    {L"Steam缓存", false, kSteamPrograms, IsAppPresent<kSteam>, CleanApp<kSteam>},
    {L"旧版QQ聊天图片", false, kQQPrograms, AreQQChatImagesPresent, CleanQQChatImages},
};
const int kAppCacheRowCount = sizeof kAppCacheRows / sizeof kAppCacheRows[0];
