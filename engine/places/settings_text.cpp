// Decoding and cutting the text of the clients' settings files.
#include "engine/places/settings_text.h"

#include "engine/places/paths.h"

#include <string.h>
#include <wchar.h>

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The part of [begin, end) without the blanks around it.
void Trim(const wchar_t*& begin, const wchar_t*& end) {
  while (begin < end && IsBlank(*begin)) ++begin;
  while (end > begin && IsBlank(end[-1])) --end;
}

bool IsName(const wchar_t* begin, const wchar_t* end, const wchar_t* name) {
  return CompareStringOrdinal(begin, static_cast<int>(end - begin), name, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

bool DecodeSettingsText(const BYTE* data, DWORD size, wchar_t* text) {
  text[0] = L'\0';
  if (size > kSettingsFileLimit) return false;
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    const DWORD units = (size - 2) / sizeof(wchar_t);  // an odd last byte is no character
    memcpy(text, data + 2, units * sizeof(wchar_t));
    text[units] = L'\0';
    return true;
  }
  if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) return false;
  const bool utf8Mark = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF;
  if (utf8Mark) {
    data += 3;
    size -= 3;
  }
  if (size == 0) return true;
  const LPCSTR bytes = reinterpret_cast<LPCSTR>(data);
  const int room = static_cast<int>(kSettingsTextSize - 1);
  // Text without a mark that is not valid UTF-8 was written in the system's code page.
  int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(size),
                                   text, room);
  if (length == 0 && !utf8Mark)
    length = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), text, room);
  text[length] = L'\0';
  return length != 0;
}

wchar_t* FirstLine(wchar_t* text) {
  size_t end = wcscspn(text, L"\r\n");
  while (end > 0 && IsBlank(text[end - 1])) --end;
  text[end] = L'\0';
  return text;
}

bool FindIniValue(const wchar_t* text, const wchar_t* section, const wchar_t* key,
                  wchar_t* value) {
  bool inSection = false;
  for (const wchar_t* line = text; *line;) {
    const wchar_t* begin = line;
    const wchar_t* end = line + wcscspn(line, L"\r\n");
    line = end + wcsspn(end, L"\r\n");
    Trim(begin, end);
    if (begin < end && *begin == L'[' && end[-1] == L']') {
      const wchar_t* nameBegin = begin + 1;
      const wchar_t* nameEnd = end - 1;
      Trim(nameBegin, nameEnd);
      inSection = IsName(nameBegin, nameEnd, section);
      continue;
    }
    const wchar_t* equals = wmemchr(begin, L'=', end - begin);
    if (!inSection || !equals) continue;
    const wchar_t* keyEnd = equals;
    Trim(begin, keyEnd);
    if (!IsName(begin, keyEnd, key)) continue;
    const wchar_t* valueBegin = equals + 1;
    Trim(valueBegin, end);
    const size_t length = end - valueBegin;
    if (length >= MAX_PATH) return false;
    wmemcpy(value, valueBegin, length);
    value[length] = L'\0';
    return true;
  }
  return false;
}

SettingsRoot ParseSettingsRoot(wchar_t* line) {
  if (CompareStringOrdinal(line, -1, L"MyDocument:", -1, TRUE) == CSTR_EQUAL)
    return kDocumentsRoot;
  size_t length = wcslen(line);
  if (length >= 3 && IsSeparator(line[length - 1])) line[--length] = L'\0';
  if (length == 2 && IsDriveLetter(line[0]) && line[1] == L':') return kDriveRoot;
  // Only folders on a drive: a network share named here would be reached at every survey.
  if (!IsDriveLetter(line[0]) || line[1] != L':') return kNoRoot;
  return IsWalkableFolder(line) ? kFolderRoot : kNoRoot;
}
