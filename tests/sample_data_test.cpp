// The run prefix's sample data, made here in the test prefix, against the rows' own actions:
// the sample and the targets name their places apart, and this is where the two must agree.
#include "test_support.h"

#include "devtools/sample_data.h"
#include "engine/targets/app_caches.h"
#include "engine/rows/categories.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

const int kHibernationRow = 12;

// A written row's action, or an application cache row's target.
ByteCount MeasuredRow(int row) {
  if (row < kCategoryCount) return Measured(row);
  return kAppCacheRows[row - kFirstAppCacheRow].target(TRUE);
}

void CleanedRow(int row) {
  if (row < kCategoryCount)
    Cleaned(row);
  else
    kAppCacheRows[row - kFirstAppCacheRow].target(FALSE);
}

std::wstring ItemPath(const SampleItem& item) {
  wchar_t path[MAX_PATH];
  EXPECT_TRUE(SampleItemPath(item, path)) << item.subPath;
  return path;
}

TEST(SampleData, EveryRowItFillsMeasuresAboveZeroAndItsCleanRemovesEveryItem) {
  ASSERT_FALSE(RecycleBinInsidePrefix().empty()) << "the sample's Recycle Bin row needs a bin "
                                                    "inside the prefix (XDG_DATA_HOME)";
  ASSERT_TRUE(MakeSample());
  // As the user, whose rights alone reach the driver installers' and Steam's folders.
  CTestShellWindow shell;

  std::set<int> rows;
  for (int i = 0; i < kSampleItemCount; ++i) rows.insert(kSampleItems[i].row);
  ASSERT_EQ(kFirstAppCacheRow, kCategoryCount);
  EXPECT_EQ(rows.size(), static_cast<size_t>(kCategoryCount - 1 + kAppCacheRowCount))
      << "every row but 13";
  for (int i = 0; i < kAppCacheRowCount; ++i) EXPECT_TRUE(kAppCacheRows[i].present()) << i;
  std::set<std::wstring> units;
  for (int row : rows) {
    ByteCount size = MeasuredRow(row);
    EXPECT_GT(size, 0u) << "row " << row;
    wchar_t text[64];
    FormatByteCount(size, text);
    units.insert(wcschr(text, L' ') + 1);
  }
  EXPECT_EQ(units, (std::set<std::wstring>{L"B", L"KB", L"MB"}));

  // Row 12 turns hibernation off with "powercfg -h off", and Windows then removes the file
  // itself; Wine has no such command, so the file would stay and only the measure is checked.
  for (int row : rows)
    if (row != kHibernationRow) CleanedRow(row);
  for (int row : rows) {
    if (row == kHibernationRow) continue;
    EXPECT_EQ(MeasuredRow(row), 0u) << "row " << row;
  }
  // The items themselves: a target that looks elsewhere than the sample leaves them behind.
  for (int i = 0; i < kSampleItemCount; ++i) {
    const SampleItem& item = kSampleItems[i];
    if (item.row == kHibernationRow) continue;
    std::wstring path = ItemPath(item);
    EXPECT_FALSE(PathExists(path)) << "row " << item.row << " left "
                                   << testing::PrintToString(path);
  }

  // The other tests find the prefix as it was.
  for (int i = 0; i < kSampleItemCount; ++i) RemoveTree(ItemPath(kSampleItems[i]));
  RemoveApplicationData();
}

}  // namespace
