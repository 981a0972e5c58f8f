// The application cache rows on trees laid out like the applications' own, user data beside
// every cache folder: only the cache folders' contents are counted and go.
#include "test_support.h"

#include "engine/places/access_rules.h"
#include "engine/targets/app_caches.h"
#include "engine/places/paths.h"
#include "engine/places/settings_text.h"

#include <gtest/gtest.h>
#include <sddl.h>
#include <shlobj.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Every file and folder (folders end in a backslash) below some roots with its size; links are
// listed, not entered.
typedef std::map<std::wstring, ByteCount> Tree;
const ByteCount kLink = ~0ull;

void AddTree(const std::wstring& folder, Tree& tree) {
  WIN32_FIND_DATAW entry;
  HANDLE listing = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = entry.cFileName, path = folder + L"\\" + name;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      tree[path] = kLink;
    } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      tree[path + L"\\"] = 0;
      AddTree(path, tree);
    } else {
      tree[path] = FullSize(entry);
    }
  } while (FindNextFileW(listing, &entry));
  FindClose(listing);
}

Tree TreeOf(const std::vector<std::wstring>& roots) {
  Tree tree;
  for (const std::wstring& root : roots) AddTree(root, tree);
  return tree;
}

// Measures a row, cleans it, and expects exactly the caches' contents gone (links in them stay,
// as the walk never removes one), the caches themselves kept and everything else as it was.
void ExpectOnlyCachesEmptied(const AppCacheRow& row, ByteCount cacheBytes,
                             const std::vector<std::wstring>& roots,
                             const std::vector<std::wstring>& caches) {
  ASSERT_TRUE(row.present());
  Tree expected = TreeOf(roots);
  for (const std::wstring& cache : caches) {
    for (auto item = expected.begin(); item != expected.end();) {
      bool inside = item->first.compare(0, cache.size() + 1, cache + L"\\") == 0 &&
                    item->first.size() > cache.size() + 1 && item->second != kLink;
      item = inside ? expected.erase(item) : std::next(item);
    }
  }
  EXPECT_EQ(row.target(TRUE), cacheBytes);
  row.target(FALSE);
  EXPECT_EQ(TreeOf(roots), expected);
  for (const std::wstring& cache : caches)
    EXPECT_TRUE(PathExists(cache)) << testing::PrintToString(cache);
  EXPECT_EQ(row.target(TRUE), 0u);
}

const AppCacheRow& Row(const wchar_t* label) {
  for (int i = 0; i < kAppCacheRowCount; ++i)
    if (wcscmp(kAppCacheRows[i].label, label) == 0) return kAppCacheRows[i];
  ADD_FAILURE() << "no row " << testing::PrintToString(std::wstring(label));
  return kAppCacheRows[0];
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  MakeFolders(path.substr(0, path.find_last_of(L'\\')));
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string Utf16Bytes(const std::wstring& text) {
  return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

// Sets HKCU\Software\Valve\Steam's SteamPath, as Steam (or any program the user runs) writes it.
void SetSteamPath(const wchar_t* text) {
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Valve\\Steam", 0, nullptr, 0, KEY_SET_VALUE,
                  nullptr, &key, nullptr);
  RegSetValueExW(key, L"SteamPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

class AppCaches : public testing::Test {
 protected:
  void SetUp() override { RemoveAll(); }
  void TearDown() override { RemoveAll(); }
  void RemoveAll() {
    RemoveApplicationData();
    RemoveTree(m_onD);
  }

  const std::wstring m_local = KnownFolder(CSIDL_LOCAL_APPDATA);
  const std::wstring m_roaming = KnownFolder(CSIDL_APPDATA);
  const std::wstring m_documents = KnownFolder(CSIDL_PERSONAL);
  const std::wstring m_onD = L"D:\\spruce-tests\\app-caches";
};

TEST_F(AppCaches, NoApplicationDataMeansNoRowAndNothingCounted) {
  for (int i = 0; i < kAppCacheRowCount; ++i) {
    EXPECT_FALSE(kAppCacheRows[i].present()) << i;
    EXPECT_EQ(kAppCacheRows[i].target(TRUE), 0u) << i;
  }
  // As the user, who may reach places outside the profile too.
  CTestShellWindow shell;
  for (int i = 0; i < kAppCacheRowCount; ++i) {
    EXPECT_FALSE(kAppCacheRows[i].present()) << i;
    EXPECT_EQ(kAppCacheRows[i].target(TRUE), 0u) << i;
  }
}

TEST_F(AppCaches, BrowserProfilesLoseTheirCachesAndKeepTheirData) {
  const std::wstring data = m_local + L"\\Microsoft\\Edge\\User Data";
  WriteFileOfSize(data + L"\\Default\\Cache\\Cache_Data\\data_1", 100);
  WriteFileOfSize(data + L"\\Default\\Code Cache\\js\\index", 200);
  WriteFileOfSize(data + L"\\Default\\GPUCache\\data_0", 300);
  WriteFileOfSize(data + L"\\Profile 2\\Cache\\f_000001", 400);
  WriteFileOfSize(data + L"\\ShaderCache\\data_1", 500);
  for (const wchar_t* kept :
       {L"\\Default\\IndexedDB\\https_a.com_0.indexeddb.leveldb\\000003.log",
        L"\\Default\\Local Storage\\leveldb\\000005.ldb",
        L"\\Default\\Service Worker\\CacheStorage\\ab12\\index", L"\\Default\\Cookies",
        L"\\Profile 2\\Network\\Cookies", L"\\Local State", L"\\Crashpad\\Cache\\report",
        L"\\Profile x\\Cache\\f"})
    WriteFileOfSize(data + kept, 1000);
  MakeFolderLink(data + L"\\Default\\Cache\\linked", data + L"\\Default\\IndexedDB");
  ExpectOnlyCachesEmptied(
      Row(L"Edge浏览器缓存"), 1500, {data},
      {data + L"\\Default\\Cache", data + L"\\Default\\Code Cache", data + L"\\Default\\GPUCache",
       data + L"\\Profile 2\\Cache", data + L"\\ShaderCache"});
}

TEST_F(AppCaches, WeChatCachesAreFoundInEveryRootItsSettingsName) {
  CTestShellWindow shell;
  const std::wstring config = m_roaming + L"\\Tencent\\xwechat\\config\\";
  WriteBytes(config + L"a.ini", "\xEF\xBB\xBF" "D:\\spruce-tests\\app-caches\\wx\r\n");
  WriteBytes(config + L"b.ini", Utf16Bytes(L"MyDocument:"));
  WriteBytes(config + L"c.ini", std::string("D:\\spruce-tests\\app-caches\\wx ") + '\0' + "x");
  WriteBytes(config + L"d.ini", "nothing here");
  WriteBytes(config + L"e.ini",
             Utf16Bytes(L"D:\\spruce-tests\\app-caches\\far\r\n" + std::wstring(3000, L' ')));
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tencent\\WeChat", 0, nullptr, 0, KEY_SET_VALUE,
                  nullptr, &key, nullptr);
  RegSetValueExW(key, L"FileSavePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"D:"), 6);
  RegCloseKey(key);

  const std::wstring wx4 = m_onD + L"\\wx\\xwechat_files", docs4 = m_documents + L"\\xwechat_files";
  const std::wstring far4 = m_onD + L"\\far\\xwechat_files\\wxid_far";
  const std::wstring wx3 = L"D:\\WeChat Files";
  const std::wstring log = m_roaming + L"\\Tencent\\WeChat\\log";
  WriteFileOfSize(wx4 + L"\\wxid_a\\cache\\2024-05\\img.dat", 100);
  WriteFileOfSize(wx4 + L"\\wxid_a\\temp\\drag\\report.pdf", 1600);
  WriteFileOfSize(wx4 + L"\\wxid_a\\business\\emoticon\\Temp\\sticker.gif", 3200);
  WriteFileOfSize(docs4 + L"\\wxid_b\\cache\\x", 200);
  WriteFileOfSize(wx3 + L"\\wxid_c\\FileStorage\\Cache\\2024-05\\z", 400);
  WriteFileOfSize(log + L"\\wechat.xlog", 800);
  for (const std::wstring& kept :
       {wx4 + L"\\wxid_a\\db_storage\\message\\message_0.db", wx4 + L"\\wxid_a\\msg\\attach\\f",
        wx4 + L"\\wxid_a\\business\\emoticon\\favorites.db", far4 + L"\\temp\\unread-setting",
        wx4 + L"\\all_users\\cache\\not-an-account", docs4 + L"\\wxid_b\\db_storage\\x.db",
        far4 + L"\\cache\\unread-setting", far4 + L"\\db_storage\\y.db",
        wx3 + L"\\wxid_c\\FileStorage\\MsgAttach\\m", wx3 + L"\\All Users\\FileStorage\\Cache\\k"})
    WriteFileOfSize(kept, 1000);
  MakeFolderLink(wx4 + L"\\wxid_a\\cache\\linked", wx4 + L"\\wxid_a\\db_storage");
  ExpectOnlyCachesEmptied(Row(L"微信缓存"), 6300,
                          {m_onD, docs4, wx3, m_roaming + L"\\Tencent"},
                          {wx4 + L"\\wxid_a\\cache", wx4 + L"\\wxid_a\\temp",
                           wx4 + L"\\wxid_a\\business\\emoticon\\Temp", docs4 + L"\\wxid_b\\cache",
                           wx3 + L"\\wxid_c\\FileStorage\\Cache", log});
}

// Without the user's token (no desktop shell here) only the user's profile is theirs to clean:
// what their settings or any account put elsewhere counts nothing and stays.
TEST_F(AppCaches, WithoutTheUsersRightsNothingOutsideTheProfileIsTouched) {
  ASSERT_EQ(GetShellWindow(), nullptr);
  WriteBytes(m_roaming + L"\\Tencent\\xwechat\\config\\a.ini", "D:\\spruce-tests\\app-caches\\wx");
  WriteBytes(KnownFolder(CSIDL_COMMON_DOCUMENTS) + L"\\Tencent\\QQ\\UserDataInfo.ini",
             "[UserDataSet]\r\nUserDataSavePathType=2\r\nUserDataSavePath=D:\\spruce-tests\\app-caches\r\n");
  const std::wstring outside[] = {m_onD + L"\\wx\\xwechat_files\\wxid_a\\cache\\img.dat",
                                  m_onD + L"\\Tencent Files\\12345\\nt_qq\\nt_temp\\t.tmp",
                                  L"C:\\NVIDIA\\Installer\\setup.exe"};
  for (const std::wstring& file : outside) WriteFileOfSize(file, 100);
  WriteFileOfSize(m_onD + L"\\wx\\xwechat_files\\wxid_a\\db_storage\\m.db", 10);
  const std::wstring inProfile = m_roaming + L"\\Tencent\\WeChat\\log\\wechat.xlog";
  WriteFileOfSize(inProfile, 40);
  EXPECT_FALSE(Row(L"显卡驱动安装文件").present());
  EXPECT_FALSE(Row(L"新版QQ缓存").present());
  for (const wchar_t* label : {L"微信缓存", L"新版QQ缓存", L"显卡驱动安装文件"}) {
    EXPECT_EQ(Row(label).target(TRUE), wcscmp(label, L"微信缓存") == 0 ? 40u : 0u);
    Row(label).target(FALSE);
  }
  for (const std::wstring& file : outside) EXPECT_TRUE(PathExists(file)) << testing::PrintToString(file);
  EXPECT_FALSE(PathExists(inProfile));
}

// Access rules made up for the shared settings file, as Wine shows only its own.
struct MadeUpRules {
  BYTE sids[5][SECURITY_MAX_SID_SIZE];
  alignas(8) BYTE acl[1024];
  PSID Sid(int which) { return sids[which]; }
  ACL* Acl() { return reinterpret_cast<ACL*>(acl); }
};
enum { kUser, kOther, kSystem, kAdministrators, kUsers };

void MakeSid(PSID sid, const char* text) {
  PSID made = nullptr;
  ConvertStringSidToSidA(text, &made);
  CopySid(SECURITY_MAX_SID_SIZE, sid, made);
  LocalFree(made);
}

TEST(SharedSettings, OnlyAFileNoOtherAccountCanChangeSpeaksForTheUser) {
  MadeUpRules rules;
  const char* const texts[] = {"S-1-5-21-1-2-3-1001", "S-1-5-21-1-2-3-1002", "S-1-5-18",
                               "S-1-5-32-544", "S-1-5-32-545"};
  for (int i = 0; i < 5; ++i) MakeSid(rules.Sid(i), texts[i]);
  struct Rule {
    int sid;
    bool allow;
    ACCESS_MASK mask;
    BYTE flags;
  };
  struct {
    const char* name;
    int owner;
    std::vector<Rule> rules;
    bool theUsers;
  } const cases[] = {
      {"the user's, others read", kUser,
       {{kUser, true, FILE_ALL_ACCESS, 0}, {kSystem, true, FILE_ALL_ACCESS, 0},
        {kAdministrators, true, GENERIC_ALL, 0}, {kUsers, true, FILE_GENERIC_READ, 0}},
       true},
      {"made by SYSTEM", kSystem, {{kSystem, true, FILE_ALL_ACCESS, 0}}, true},
      {"owned by another account", kOther, {{kUser, true, FILE_GENERIC_READ, 0}}, false},
      {"Users may write", kAdministrators, {{kUsers, true, FILE_GENERIC_WRITE, 0}}, false},
      {"another may append", kUser, {{kOther, true, FILE_APPEND_DATA, 0}}, false},
      {"another may change the rules", kUser, {{kOther, true, WRITE_DAC, 0}}, false},
      {"another may replace it", kUser, {{kOther, true, DELETE, 0}}, false},
      {"a denial does not undo a later grant", kUser,
       {{kUsers, false, FILE_GENERIC_WRITE, 0}, {kUsers, true, FILE_GENERIC_WRITE, 0}}, false},
      {"rules for what is made inside", kUser,
       {{kUsers, true, GENERIC_ALL, INHERIT_ONLY_ACE | OBJECT_INHERIT_ACE}}, true},
  };
  for (const auto& check : cases) {
    SCOPED_TRACE(check.name);
    ASSERT_TRUE(InitializeAcl(rules.Acl(), sizeof rules.acl, ACL_REVISION));
    for (const Rule& rule : check.rules) {
      ASSERT_TRUE(rule.allow ? AddAccessAllowedAceEx(rules.Acl(), ACL_REVISION, rule.flags,
                                                     rule.mask, rules.Sid(rule.sid))
                             : AddAccessDeniedAceEx(rules.Acl(), ACL_REVISION, rule.flags,
                                                    rule.mask, rules.Sid(rule.sid)));
    }
    EXPECT_EQ(IsSettingsFileTheUsers(rules.Sid(check.owner), rules.Acl(), rules.Sid(kUser)),
              check.theUsers);
  }
  // No rules at all let everyone change it.
  EXPECT_FALSE(IsSettingsFileTheUsers(rules.Sid(kUser), nullptr, rules.Sid(kUser)));
}

TEST_F(AppCaches, NewQQEmptiesItsTemporaryFoldersWhereItsSettingsPutItsData) {
  CTestShellWindow shell;
  WriteBytes(KnownFolder(CSIDL_COMMON_DOCUMENTS) + L"\\Tencent\\QQ\\UserDataInfo.ini",
             "[UserDataSet]\r\nUserDataSavePathType = 2\r\n"
             "UserDataSavePath=D:\\spruce-tests\\app-caches\\qq\r\n");
  const std::wstring files = m_onD + L"\\qq\\Tencent Files", app = m_roaming + L"\\QQ";
  WriteFileOfSize(files + L"\\12345\\nt_qq\\nt_temp\\upload.tmp", 100);
  WriteFileOfSize(files + L"\\nt_qq\\global\\nt_temp\\g.tmp", 200);
  WriteFileOfSize(app + L"\\Cache\\Cache_Data\\c", 300);
  WriteFileOfSize(app + L"\\GPUCache\\data_0", 400);
  for (const std::wstring& kept :
       {files + L"\\12345\\nt_qq\\nt_db\\nt_msg.db", files + L"\\12345\\nt_qq\\nt_data\\Pic\\p.jpg",
        files + L"\\nt_qq\\global\\nt_data\\Emoji\\e.gif", app + L"\\Local Storage\\leveldb\\l",
        m_documents + L"\\Tencent Files\\12345\\nt_qq\\nt_temp\\elsewhere.tmp"})
    WriteFileOfSize(kept, 1000);
  MakeFolderLink(files + L"\\12345\\nt_qq\\nt_temp\\linked", files + L"\\12345\\nt_qq\\nt_db");
  ExpectOnlyCachesEmptied(Row(L"新版QQ缓存"), 1000,
                          {m_onD, app, m_documents + L"\\Tencent Files"},
                          {files + L"\\12345\\nt_qq\\nt_temp", files + L"\\nt_qq\\global\\nt_temp",
                           app + L"\\Cache", app + L"\\GPUCache"});
}

// Each cache folder gets a file of 300 bytes, each of the user's data beside them one of 1000.
TEST_F(AppCaches, EachRowEmptiesItsCacheFoldersAndNothingBeside) {
  const std::wstring profiles = m_local + L"\\Mozilla\\Firefox\\Profiles";
  const std::wstring music = m_roaming + L"\\Tencent\\QQMusic";
  const std::wstring dumps = m_local + L"\\CrashDumps";
  const std::wstring quark = m_local + L"\\Quark\\User Data";
  const std::wstring dingTalk = m_roaming + L"\\DingTalk";
  const std::wstring cloudMusic = m_local + L"\\NetEase\\CloudMusic";
  const std::wstring nvidia = m_local + L"\\NVIDIA", amd = m_local + L"\\AMD";
  // AppData\LocalLow, which only the profile folder leads to.
  const std::wstring low = KnownFolder(CSIDL_PROFILE) + L"\\AppData\\LocalLow\\NVIDIA";
  const std::wstring code = m_roaming + L"\\Code";
  const std::wstring npm = m_local + L"\\npm-cache", pip = m_local + L"\\pip";
  // Steam notes its folder as the user's setting, in lower case with forward slashes.
  SetSteamPath(L"d:/spruce-tests/app-caches/steam");
  const std::wstring steam = m_onD + L"\\steam", steamLocal = m_local + L"\\Steam";
  const std::wstring unusedSteam = KnownFolder(kQQProgramFiles) + L"\\Steam";
  CTestShellWindow shell;  // the driver installers' and Steam's folders lie outside the profile
  struct {
    const wchar_t* label;
    std::vector<std::wstring> roots, caches, kept;
  } const rows[] = {
      {L"Firefox浏览器缓存", {profiles}, {profiles + L"\\abc.default-release\\cache2"},
       {profiles + L"\\abc.default-release\\places.sqlite"}},
      {L"夸克浏览器缓存", {quark}, {quark + L"\\Default\\Cache", quark + L"\\GrShaderCache"},
       {quark + L"\\Default\\Local Storage\\leveldb\\000005.ldb", quark + L"\\Local State"}},
      {L"钉钉缓存", {dingTalk},
       {dingTalk + L"\\4815162342_v2\\resource_cache",
        dingTalk + L"\\4815162342_v3\\resource_cache"},
       {dingTalk + L"\\4815162342_v2\\DBFiles\\dingtalk.db",
        dingTalk + L"\\4815162342_v3\\DBFiles\\msg\\m.db",
        dingTalk + L"\\4815162342_v1\\resource_cache\\old", dingTalk + L"\\_v2\\resource_cache\\x",
        dingTalk + L"\\resource_cache\\global"}},
      {L"QQ音乐缓存", {music}, {music + L"\\QQMusicCache"}, {music + L"\\Download\\song.flac"}},
      {L"网易云音乐缓存", {cloudMusic}, {cloudMusic + L"\\Cache\\Cache"},
       {cloudMusic + L"\\Download\\song.flac"}},
      {L"显卡驱动安装文件", {L"C:\\NVIDIA", L"C:\\AMD"}, {L"C:\\NVIDIA", L"C:\\AMD"}, {}},
      {L"程序崩溃转储", {dumps}, {dumps}, {}},
      {L"显卡着色器缓存", {nvidia, amd, low},
       {nvidia + L"\\DXCache", nvidia + L"\\GLCache", low + L"\\PerDriverVersion\\DXCache",
        amd + L"\\DxCache", amd + L"\\GLCache", amd + L"\\VkCache"},
       {nvidia + L"\\NvBackend\\ApplicationOntology\\wrappers.json",
        low + L"\\PerDriverVersion\\settings.bin", amd + L"\\CN\\gmdb.blb"}},
      {L"VS Code缓存", {code},
       {code + L"\\Cache", code + L"\\CachedData", code + L"\\CachedExtensionVSIXs",
        code + L"\\Code Cache", code + L"\\GPUCache", code + L"\\DawnGraphiteCache",
        code + L"\\DawnWebGPUCache", code + L"\\logs"},
       {code + L"\\User\\settings.json", code + L"\\User\\History\\-5a1b2c3d\\Xk2f.py",
        code + L"\\Local Storage\\leveldb\\000003.log", code + L"\\Session Storage\\000004.log",
        code + L"\\IndexedDB\\file__0.indexeddb.leveldb\\LOG",
        code + L"\\Backups\\1715769012345\\untitled\\-7f3a", code + L"\\machineid"}},
      {L"npm和pip下载缓存", {npm, pip}, {npm + L"\\_cacache", pip + L"\\Cache"},
       {npm + L"\\_logs\\2024-05-15T10_00_00_000Z-debug-0.log"}},
      {L"Steam缓存", {steam, steamLocal, unusedSteam},
       {steam + L"\\appcache\\httpcache", steam + L"\\steamapps\\shadercache",
        steamLocal + L"\\htmlcache"},
       {steam + L"\\steamapps\\common\\Counter-Strike Global Offensive\\game\\cs2.exe",
        steam + L"\\steamapps\\appmanifest_730.acf", steam + L"\\userdata\\12345\\730\\local.vdf",
        steam + L"\\config\\config.vdf", steam + L"\\appcache\\appinfo.vdf",
        steamLocal + L"\\widevine\\manifest.json",
        unusedSteam + L"\\appcache\\httpcache\\not-this-steam"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.label)));
    for (const std::wstring& cache : row.caches)
      WriteFileOfSize(cache + L"\\entries\\A1B2", 300);
    for (const std::wstring& kept : row.kept) WriteFileOfSize(kept, 1000);
    ExpectOnlyCachesEmptied(Row(row.label), 300 * row.caches.size(), row.roots, row.caches);
  }
}

TEST_F(AppCaches, ServicingLogsLoseOnlyThePersistedLogs) {
  const std::wstring cbs = KnownFolder(CSIDL_WINDOWS) + L"\\Logs\\CBS";
  const std::wstring log = cbs + L"\\CbsPersist_20240515103012.log";
  const std::wstring cab = cbs + L"\\CbsPersist_20240301081544.cab";
  WriteFileOfSize(log, 300);
  WriteFileOfSize(cab, 200);
  for (const wchar_t* kept : {L"\\CBS.log", L"\\FilterList.log", L"\\CbsPersist_x.log\\inside.log",
                              L"\\CbsPersist_20240515103012.log.old"})
    WriteFileOfSize(cbs + kept, 1000);
  const AppCacheRow& row = Row(L"Windows更新日志");
  ASSERT_TRUE(row.present());
  Tree expected = TreeOf({cbs});
  expected.erase(log);
  expected.erase(cab);
  EXPECT_EQ(row.target(TRUE), 500u);
  row.target(FALSE);
  EXPECT_EQ(TreeOf({cbs}), expected);
  EXPECT_EQ(row.target(TRUE), 0u);
}

// Without the setting Steam lies in Program Files (x86), which Steam opens to every user: it is
// reached only as the user.
TEST_F(AppCaches, SteamsDefaultFolderIsEmptiedOnlyWithTheUsersRights) {
  const std::wstring steam = KnownFolder(kQQProgramFiles) + L"\\Steam";
  const std::wstring cache = steam + L"\\appcache\\httpcache\\3f\\a1b2c3d4";
  WriteFileOfSize(cache, 100);
  WriteFileOfSize(steam + L"\\steamapps\\common\\Game\\game.exe", 1000);
  SetSteamPath(L"d:steam");  // no folder: Steam's own default is taken
  const AppCacheRow& row = Row(L"Steam缓存");
  EXPECT_FALSE(row.present());
  EXPECT_EQ(row.target(TRUE), 0u);
  row.target(FALSE);
  EXPECT_TRUE(PathExists(cache));
  CTestShellWindow shell;
  ExpectOnlyCachesEmptied(row, 100, {steam}, {steam + L"\\appcache\\httpcache"});
}

TEST(SettingsText, DecodingCuttingAndSortingTheLines) {
  wchar_t text[kSettingsTextSize];
  const std::string utf8 = "D:\\\xE5\xBE\xAE\xE4\xBF\xA1 \t\r\nsecond";  // D:\微信
  for (const std::string& bytes : {"\xEF\xBB\xBF" + utf8, utf8, Utf16Bytes(L"D:\\微信 \t\r\n")}) {
    ASSERT_TRUE(DecodeSettingsText(reinterpret_cast<const BYTE*>(bytes.data()),
                                   static_cast<DWORD>(bytes.size()), text));
    EXPECT_STREQ(FirstLine(text), L"D:\\微信");
  }
  const std::string acp = "D:\\\xC4\xE3";  // not UTF-8: the system code page
  wchar_t expected[8] = {};
  MultiByteToWideChar(CP_ACP, 0, acp.data(), 5, expected, 7);
  ASSERT_TRUE(DecodeSettingsText(reinterpret_cast<const BYTE*>(acp.data()), 5, text));
  EXPECT_STREQ(text, expected);
  std::string overlong = Utf16Bytes(std::wstring(kSettingsFileLimit / 2, L'x')), be = "\xFE\xFF\0D";
  EXPECT_FALSE(DecodeSettingsText(reinterpret_cast<const BYTE*>(overlong.data()),
                                  static_cast<DWORD>(overlong.size()), text));
  EXPECT_FALSE(DecodeSettingsText(reinterpret_cast<const BYTE*>(be.data()), 4, text));

  struct {
    const wchar_t* line;
    SettingsRoot kind;
    const wchar_t* root;
  } const lines[] = {
      {L"MyDocument:", kDocumentsRoot, L"MyDocument:"}, {L"d:", kDriveRoot, L"d:"},
      {L"D:\\", kDriveRoot, L"D:"}, {L"D:\\WeChat\\", kFolderRoot, L"D:\\WeChat"},
      {L"nothing here", kNoRoot, nullptr}, {L"", kNoRoot, nullptr},
      {L"D:WeChat", kNoRoot, nullptr}, {L"D:\\..", kNoRoot, nullptr},
      {L"D:\\\\", kNoRoot, nullptr}, {L"\\\\host\\share\\WeChat", kNoRoot, nullptr},
      {L"MyDocument:\\x", kNoRoot, nullptr}};
  for (const auto& line : lines) {
    wchar_t copy[MAX_PATH];
    wcscpy(copy, line.line);
    EXPECT_EQ(ParseSettingsRoot(copy), line.kind) << testing::PrintToString(line.line);
    if (line.root) {
      EXPECT_STREQ(copy, line.root);
    }
  }

  wchar_t value[MAX_PATH];
  const wchar_t ini[] = L"Path=C:\\top\r\n[Other]\nUserDataSavePath=C:\\other\n"
                        L"[ userdataset ]\r\n ; note\r\n userdatasavepath = D:\\QQ data \r\n";
  ASSERT_TRUE(FindIniValue(ini, L"UserDataSet", L"UserDataSavePath", value));
  EXPECT_STREQ(value, L"D:\\QQ data");
  EXPECT_FALSE(FindIniValue(ini, L"UserDataSet", L"Path", value));
}

TEST(RunningPrograms, AnyProcessOfTheImageNameCountsWhateverItsCase) {
  const wchar_t* const programs[] = {L"Weixin.exe", L"WeChat.exe", nullptr};
  EXPECT_TRUE(IsListedProgram(programs, L"WEIXIN.EXE"));
  EXPECT_TRUE(IsListedProgram(programs, L"C:\\Program Files\\Tencent\\WeChat\\WeChat.exe"));
  EXPECT_FALSE(IsListedProgram(programs, L"WeChatAppEx.exe"));
  EXPECT_FALSE(IsListedProgram(nullptr, L"WeChat.exe"));

  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const wchar_t* const running[] = {L"msedge.exe", wcsrchr(self, L'\\') + 1, nullptr};
  EXPECT_TRUE(IsAnyProgramRunning(running));
  EXPECT_FALSE(IsAnyProgramRunning(running + 2));
  EXPECT_FALSE(IsAnyProgramRunning(kAppCacheRows[0].programs));
}

}  // namespace
