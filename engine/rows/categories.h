// The eighteen cleanup categories of the main window, in list order. Start-up, the size survey
// and the clean run all read this one table, so they always agree on a row's index, label and
// actions.
#pragma once

#include "engine/engine.h"

enum CheckRule { kCheckedAtStart, kUncheckedAtStart, kCheckedOnWindows7 };

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

// The rows of the application cache table (app_caches.h) follow the written ones; the survey adds
// each with this item data, negative beside the handler rows' numbers.
inline LPARAM AppCacheRowData(int index) { return -1 - static_cast<LPARAM>(index); }
// The table index a row's item data names, or -1 for any other row.
int AppCacheRowIndex(LPARAM data);

// Whether row's box is checked when the window opens. Row 13 is checked on Windows 7 with
// Service Pack 1 only: earlier versions cannot run its command, and from Windows 8 on Windows
// cleans the component store by itself every month, while the clean takes many minutes.
BOOL IsCheckedAtStart(int row);
