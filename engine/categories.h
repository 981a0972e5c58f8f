// The eighteen cleanup categories of the main window, in list order. Start-up, the size survey
// and the clean run all read this one table, so they always agree on a row's index, label and
// actions.
#pragma once

#include "engine/engine.h"

enum CheckRule { kCheckedAtStart, kUncheckedAtStart, kCheckedIfVersionAtLeast };

struct CategoryRow {
  const wchar_t* label;  // column 0 of the list
  CheckRule initialCheck;
  // The row's size for the survey, measured without changing anything on disk. Null for the
  // one row that has no size (row 13): the survey shows "..." there when
  // IsWindowsVersionAtLeast holds and otherwise leaves the placeholder.
  ByteCount (*measure)();
  // What the clean run does for a checked row.
  void (*clean)();
};

const int kCategoryCount = 18;
extern const CategoryRow kCategoryRows[kCategoryCount];

// Whether row's box is checked when the window opens; row 13 asks the version test.
BOOL IsCheckedAtStart(int row);
