// The size survey: measures every category once, in row order, off the window's thread.
#include "engine/categories.h"
#include "engine/category_window.h"
#include "engine/engine.h"

#include <wchar.h>

void FormatByteCount(ByteCount count, wchar_t* text) {
  const ByteCount kKilobyte = 1024, kMegabyte = 1024 * 1024;
  if (count < kKilobyte) {
    swprintf(text, 64, L"%d B", static_cast<int>(count));
  } else if (count <= kMegabyte) {
    swprintf(text, 64, L"%d KB", static_cast<int>(count / kKilobyte));
  } else {
    swprintf(text, 64, L"%d MB", static_cast<int>(count / kMegabyte));
  }
}

DWORD WINAPI SurveyThreadProc(LPVOID parameter) {
  CWorkerControls controls(parameter);
  wchar_t text[64];
  wmemset(text, L'\0', 64);
  for (int row = 0; row < kCategoryCount; ++row) {
    const CategoryRow& category = kCategoryRows[row];
    if (!category.measure) {
      // The service-pack row has no size; on a system that can clean it, it says so.
      if (IsWindowsVersionAtLeast()) controls.ShowSize(row, L"...");
      continue;
    }
    FormatByteCount(category.measure(), text);
    controls.ShowSize(row, text);
  }
  return 0;
}
