// The run prefix's sample data, made here in the test prefix, against the rows' own actions:
// the sample and the targets name their places apart, and this is where the two must agree.
#include "test_support.h"

#include "devtools/sample_data.h"
#include "engine/categories.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

const int kHibernationRow = 12;

std::wstring ItemPath(const SampleItem& item) {
  wchar_t path[MAX_PATH];
  EXPECT_TRUE(SampleItemPath(item, path)) << item.subPath;
  return path;
}

TEST(SampleData, EveryRowItFillsMeasuresAboveZeroAndItsCleanRemovesEveryItem) {
  ASSERT_FALSE(RecycleBinInsidePrefix().empty()) << "the sample's Recycle Bin row needs a bin "
                                                    "inside the prefix (XDG_DATA_HOME)";
  ASSERT_TRUE(MakeSample());

  std::set<int> rows;
  for (int i = 0; i < kSampleItemCount; ++i) rows.insert(kSampleItems[i].row);
  EXPECT_EQ(rows.size(), static_cast<size_t>(kCategoryCount - 1)) << "every row but 13";
  std::set<std::wstring> units;
  for (int row : rows) {
    ByteCount size = Measured(row);
    EXPECT_GT(size, 0u) << "row " << row;
    wchar_t text[64];
    FormatByteCount(size, text);
    units.insert(wcschr(text, L' ') + 1);
  }
  EXPECT_EQ(units, (std::set<std::wstring>{L"B", L"KB", L"MB"}));

  // Row 12 turns hibernation off with "powercfg -h off", and Windows then removes the file
  // itself; Wine has no such command, so the file would stay and only the measure is checked.
  for (int row : rows)
    if (row != kHibernationRow) Cleaned(row);
  for (int row : rows) {
    if (row == kHibernationRow) continue;
    EXPECT_EQ(Measured(row), 0u) << "row " << row;
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
}

}  // namespace
