// Walking one folder path on every drive letter.
#include "engine/paths.h"

ByteCount WalkOnEveryDrive(const wchar_t* folder, BOOL measureOnly) {
  wchar_t path[MAX_PATH];
  path[0] = L'\0';
  if (!AppendPath(path, folder)) return 0;
  // Only a drive letter can be swapped; any other path (a network path) names one place.
  if (!IsDriveLetter(path[0]) || path[1] != L':' || path[2] != L'\\')
    return WalkFolder(path, TRUE, measureOnly);
  ByteCount total = 0;
  for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
    path[0] = letter;
    total += WalkFolder(path, TRUE, measureOnly);
  }
  return total;
}
