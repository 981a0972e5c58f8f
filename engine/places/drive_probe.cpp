// Walking one folder path on every drive letter.
#include "engine/places/paths.h"
#include "engine/places/user_rights.h"

#include <wctype.h>

ByteCount WalkOnEveryDrive(const wchar_t* folder, BOOL measureOnly) {
  wchar_t path[MAX_PATH];
  path[0] = L'\0';
  if (!AppendPath(path, folder)) return 0;
  // Only a drive letter can be swapped; any other path (a network path) names one place.
  if (!IsDriveLetter(path[0]) || path[1] != L':' || path[2] != L'\\')
    return WalkFolder(path, TRUE, measureOnly);
  // The folder's own drive is walked with the caller's rights. On any other drive an account
  // may have made the same names, so there it is walked with the user's rights only.
  const wchar_t own = static_cast<wchar_t>(towupper(path[0]));
  ByteCount total = 0;
  for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
    path[0] = letter;
    if (letter == own) {
      total += WalkFolder(path, TRUE, measureOnly);
      continue;
    }
    CUserRights rights;
    if (rights.Acts()) total += WalkFolder(path, TRUE, measureOnly);
  }
  return total;
}
