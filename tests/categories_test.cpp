// The category table: its labels, the check states at start, and each row's two actions on
// data built for every row at once in the prefix.
#include "test_support.h"

#include "engine/rows/categories.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

namespace {

TEST(CategoryTable, EighteenRowsWithTheirExactLabels) {
  // Spelled as code points, so that a source file read in the wrong encoding shows here.
  const wchar_t* const labels[] = {
      L"Downloaded Program Files",
      L"IE\u4E34\u65F6\u6587\u4EF6",
      L"Offline Webpages",
      L"\u56DE\u6536\u7AD9",
      L"Windows\u9519\u8BEF\u8C03\u8BD5\u6587\u4EF6",
      L"Windows\u4E34\u65F6\u6587\u4EF6",
      L"Windows\u5E2E\u52A9\u6587\u4EF6",
      L"Windows Software Distribution Download",
      L"Windows\u9884\u8BFB\u53D6\u7F13\u5B58",
      L"Windows\u9519\u8BEF\u62A5\u544A",
      L"Windows\u641C\u7D22\u7F13\u5B58",
      L"Windows\u5B57\u4F53\u7F13\u5B58",
      L"Windows\u4F11\u7720\u6587\u4EF6",
      L"\u6E05\u7406Windows\u8865\u4E01",
      L"Windows Defender\u7F13\u5B58",
      L"Windows\u8FDC\u7A0B\u767B\u5F55\u7F13\u5B58",
      L"Windows\u7F29\u7565\u56FE\u7F13\u5B58",
      L"QQ\u548CQQMusic\u4E34\u65F6\u6587\u4EF6",
  };
  static_assert(sizeof labels / sizeof labels[0] == kCategoryCount, "eighteen rows");
  for (int row = 0; row < kCategoryCount; ++row)
    EXPECT_STREQ(kCategoryRows[row].label, labels[row]) << "row " << row;
  EXPECT_EQ(wcslen(kCategoryRows[3].label), 3u);
  EXPECT_EQ(kCategoryRows[3].label[0], 0x56DE);
}

TEST(CategoryTable, InitialChecks) {
  int alwaysChecked = 0;
  for (int row = 0; row < kCategoryCount; ++row) {
    if (kCategoryRows[row].initialCheck == kCheckedAtStart) {
      EXPECT_TRUE(IsCheckedAtStart(row)) << "row " << row;
      ++alwaysChecked;
    }
  }
  EXPECT_EQ(alwaysChecked, 14);
  for (int row : {6, 10, 12}) {
    EXPECT_EQ(kCategoryRows[row].initialCheck, kUncheckedAtStart) << "row " << row;
    EXPECT_FALSE(IsCheckedAtStart(row)) << "row " << row;
  }
  // The version probe checks this row under the Windows versions Wine can be set to.
  EXPECT_EQ(kCategoryRows[13].initialCheck, kCheckedOnWindows7);
}

// Where each row's test data goes: one file in a place that only that row cleans.
struct Stake {
  int csidl;  // -1: path is absolute
  const wchar_t* path;
};

const int kRecycleBinRow = 3;
const int kHibernationRow = 12;
const int kServicePackRow = 13;

const Stake kStakes[kCategoryCount] = {
    {CSIDL_WINDOWS, L"\\Downloaded Program Files\\row0.ocx"},
    {CSIDL_INTERNET_CACHE, L"\\Content.IE5\\row1.htm"},
    {CSIDL_WINDOWS, L"\\Offline Web Pages\\row2.mht"},
    {-1, L"C:\\spruce-tests\\recycled\\row3.doc"},  // goes to the Recycle Bin
    {CSIDL_WINDOWS, L"\\Minidump\\row4.dmp"},
    {CSIDL_LOCAL_APPDATA, L"\\Temp\\row5.tmp"},
    {CSIDL_WINDOWS, L"\\HELP\\row6.chm"},
    {CSIDL_WINDOWS, L"\\SoftwareDistribution\\Download\\row7.cab"},
    {CSIDL_WINDOWS, L"\\prefetch\\ROW8.pf"},
    {CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Windows\\WER\\row9.wer"},
    {CSIDL_COMMON_APPDATA, L"\\Microsoft\\Search\\Data\\Applications\\Windows\\row10.edb"},
    {CSIDL_WINDOWS, L"\\ServiceProfiles\\LocalService\\AppData\\Local\\FontCache-row11.dat"},
    {-1, L"C:\\hiberfil.sys"},
    {-1, nullptr},  // the service-pack row has no data of its own
    {CSIDL_COMMON_APPDATA, L"\\Microsoft\\Windows Defender\\Scans\\History\\Results\\row14"},
    {CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Terminal Server Client\\Cache\\row15.bmc"},
    {CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Windows\\Explorer\\row16.db"},
    {CSIDL_APPDATA, L"\\Tencent\\Logs\\row17.log"},
};

ByteCount StakeSize(int row) { return 1000 + 111 * row; }

std::wstring StakePath(int row) {
  const Stake& stake = kStakes[row];
  return stake.csidl < 0 ? stake.path : KnownFolder(stake.csidl) + stake.path;
}

class CategoryActions : public testing::Test {
 protected:
  void SetUp() override {
    m_trash = RecycleBinInsidePrefix();
    ClearEveryRowsPlaces();
  }
  void TearDown() override {
    ClearEveryRowsPlaces();
    RemoveTree(L"C:\\spruce-tests\\recycled");
  }

  bool RowTakesPart(int row) const {
    return row != kServicePackRow && (row != kRecycleBinRow || !m_trash.empty());
  }

  // Everything the rows cover is emptied, so that each holds only its own row's data.
  void ClearEveryRowsPlaces() {
    const Stake folders[] = {
        {CSIDL_WINDOWS, L"\\Downloaded Program Files"},
        {CSIDL_INTERNET_CACHE, L""},
        {CSIDL_WINDOWS, L"\\Offline Web Pages"},
        {CSIDL_WINDOWS, L"\\Minidump"},
        {CSIDL_WINDOWS, L"\\Temp"},
        {CSIDL_LOCAL_APPDATA, L"\\Temp"},
        {CSIDL_WINDOWS, L"\\HELP"},
        {CSIDL_WINDOWS, L"\\SoftwareDistribution\\Download"},
        {CSIDL_WINDOWS, L"\\prefetch"},
        {CSIDL_WINDOWS, L"\\LiveKernelReports"},
        {CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Windows\\WER"},
        {CSIDL_COMMON_APPDATA, L"\\Microsoft\\Search\\Data\\Applications\\Windows"},
        {CSIDL_WINDOWS, L"\\ServiceProfiles\\LocalService\\AppData\\Local"},
        {CSIDL_COMMON_APPDATA, L"\\Microsoft\\Windows Defender\\Scans\\History\\Results"},
        {CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Terminal Server Client\\Cache"},
        {CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Windows\\Explorer"},
        {CSIDL_APPDATA, L"\\Tencent"},
        {CSIDL_PERSONAL, L"\\Tencent Files"},
        {kQQProgramFiles, L"\\Tencent"},
    };
    for (const Stake& folder : folders) {
      std::wstring path = KnownFolder(folder.csidl) + folder.path;
      RemoveTree(path);
      MakeFolders(path);
    }
    RemoveTree(L"D" + KnownFolder(kQQProgramFiles).substr(1) + L"\\Tencent");
    RemoveTree(KnownFolder(CSIDL_WINDOWS) + L"\\memory.dmp");
    RemoveTree(KnownFolder(CSIDL_SYSTEM) + L"\\FNTCACHE.DAT");
    RemoveTree(KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\GDIPFONTCACHEV1.DAT");
    RemoveTree(StakePath(kHibernationRow));
    if (!m_trash.empty()) {
      // An empty bin, there before Wine first looks for it: a process that finds no place
      // for its trash keeps without one.
      RemoveTree(m_trash);
      MakeFolders(m_trash + L"\\files");
      MakeFolders(m_trash + L"\\info");
    }
  }

  void PlaceEveryRowsData() {
    ClearEveryRowsPlaces();
    for (int row = 0; row < kCategoryCount; ++row)
      if (RowTakesPart(row)) WriteFileOfSize(StakePath(row), StakeSize(row));
    if (!m_trash.empty()) {
      std::wstring from = StakePath(kRecycleBinRow) + L'\0';  // a double-NUL-terminated list
      SHFILEOPSTRUCTW operation = {};
      operation.wFunc = FO_DELETE;
      operation.pFrom = from.c_str();
      operation.fFlags = FOF_ALLOWUNDO | FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
      ASSERT_EQ(SHFileOperationW(&operation), 0);
      ASSERT_FALSE(PathExists(StakePath(kRecycleBinRow)));
    }
  }

  // The bytes of a row's data still in place.
  ByteCount Remaining(int row) {
    if (row == kRecycleBinRow) {
      SHQUERYRBINFO bin = {};
      bin.cbSize = sizeof bin;
      SHQueryRecycleBinW(nullptr, &bin);
      return static_cast<ByteCount>(bin.i64Size);
    }
    return PathExists(StakePath(row)) ? StakeSize(row) : 0;
  }

  void ExpectEveryRowsDataExceptRow(int cleanedRow) {
    for (int row = 0; row < kCategoryCount; ++row) {
      if (!RowTakesPart(row)) continue;
      EXPECT_EQ(Remaining(row), row == cleanedRow ? 0 : StakeSize(row))
          << "row " << row << " after cleaning row " << cleanedRow;
    }
  }

  std::wstring m_trash;
};

TEST_F(CategoryActions, EachMeasureReportsItsOwnRowsDataAndDeletesNothing) {
  if (m_trash.empty())
    ADD_FAILURE() << "XDG_DATA_HOME lies outside the prefix: the Recycle Bin row is not tested";
  for (int row = 0; row < kCategoryCount; ++row) {
    if (row == kServicePackRow) continue;
    EXPECT_EQ(Measured(row), 0u) << "empty row " << row;
  }

  PlaceEveryRowsData();
  for (int row = 0; row < kCategoryCount; ++row) {
    if (!RowTakesPart(row)) continue;
    EXPECT_EQ(Measured(row), StakeSize(row)) << "row " << row;
  }
  EXPECT_EQ(kCategoryRows[kServicePackRow].measure, nullptr);
  ExpectEveryRowsDataExceptRow(-1);
}

TEST_F(CategoryActions, EachCleanRemovesOnlyItsOwnRowsData) {
  for (int row = 0; row < kCategoryCount; ++row) {
    if (!RowTakesPart(row) || row == kHibernationRow) continue;
    PlaceEveryRowsData();
    Cleaned(row);
    ExpectEveryRowsDataExceptRow(row);
  }
}

TEST_F(CategoryActions, CommandRowsRunTheirCommandsAndLeaveTheData) {
  // The commands come from the system folder, never from the decoys beside the test program
  // and in the current folder.
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(FreshTestFolder(L"commands").c_str()));
  {
    CCommandStandIn powercfg(L"powercfg.exe");
    CCommandStandIn dism(L"dism.exe");
    PlaceEveryRowsData();

    Cleaned(kHibernationRow);
    std::wstring record = powercfg.Record();
    EXPECT_EQ(record.substr(0, record.find(L'\n')), L"powercfg -h off");
    EXPECT_EQ(dism.Record(), L"");
    // Hibernation is turned off, the file itself is not deleted by us.
    ExpectEveryRowsDataExceptRow(-1);

    Cleaned(kServicePackRow);
    record = dism.Record();
    // The command for the prefix's Windows version; the version tests check the choice.
    EXPECT_EQ(record.substr(0, record.find(L'\n')), ComponentCleanupCommand());
    ExpectEveryRowsDataExceptRow(-1);
    EXPECT_FALSE(powercfg.DecoyRan());
    EXPECT_FALSE(dism.DecoyRan());
  }
  SetCurrentDirectoryW(previous);
}

}  // namespace
