#include "tools/hosts_lines.h"

#include <stdlib.h>
#include <string.h>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Reads the line that begins at bytes[*at] and moves *at past its line end. Yields the start
// of its content in *text and the content's length: blanks and tabs at either end left out.
DWORD NextLine(const char* bytes, DWORD length, DWORD* at, const char** text) {
  DWORD start = *at, end = *at;
  while (end < length && bytes[end] != '\r' && bytes[end] != '\n') ++end;
  *at = end;
  if (*at < length && bytes[*at] == '\r') ++*at;
  if (*at < length && bytes[*at] == '\n') ++*at;
  while (start < end && IsBlank(bytes[start])) ++start;
  while (end > start && IsBlank(bytes[end - 1])) --end;
  *text = bytes + start;
  return end - start;
}

int Compare(const char* a, DWORD aLength, const char* b, DWORD bLength) {
  int order = memcmp(a, b, aLength < bLength ? aLength : bLength);
  if (order != 0) return order;
  return aLength < bLength ? -1 : aLength > bLength ? 1 : 0;
}

}  // namespace

bool IsEightBitText(const char* bytes, DWORD length) {
  if (length >= 2 && ((bytes[0] == '\xff' && bytes[1] == '\xfe') ||
                      (bytes[0] == '\xfe' && bytes[1] == '\xff')))
    return false;
  return memchr(bytes, '\0', length) == nullptr;
}

CLineSet::~CLineSet() {
  if (m_pLines) HeapFree(GetProcessHeap(), 0, m_pLines);
}

bool CLineSet::Gather(const char* bytes, DWORD length, const CLineSet* except) {
  DWORD count = 0;
  const char* text = nullptr;
  for (DWORD at = 0; at < length;) {
    if (NextLine(bytes, length, &at, &text) > 0) ++count;
  }
  m_pLines = static_cast<Line*>(
      HeapAlloc(GetProcessHeap(), 0, count * (sizeof(Line) + sizeof(bool)) + 1));
  if (!m_pLines) return false;
  m_pFound = reinterpret_cast<bool*>(m_pLines + count);
  m_nCount = 0;
  for (DWORD at = 0; at < length;) {
    DWORD lineLength = NextLine(bytes, length, &at, &text);
    if (lineLength > 0 && !(except && except->Contains(text, lineLength)))
      m_pLines[m_nCount++] = {text, lineLength};
  }
  qsort(m_pLines, m_nCount, sizeof(Line), [](const void* a, const void* b) {
    const Line* x = static_cast<const Line*>(a);
    const Line* y = static_cast<const Line*>(b);
    return Compare(x->text, x->length, y->text, y->length);
  });
  DWORD distinct = 0;
  for (DWORD i = 0; i < m_nCount; ++i) {
    if (distinct == 0 || Compare(m_pLines[i].text, m_pLines[i].length,
                                 m_pLines[distinct - 1].text, m_pLines[distinct - 1].length))
      m_pLines[distinct++] = m_pLines[i];
  }
  m_nCount = distinct;
  return true;
}

const CLineSet::Line* CLineSet::Find(const char* line, DWORD length) const {
  DWORD low = 0, high = m_nCount;
  while (low < high) {
    DWORD middle = low + (high - low) / 2;
    int order = Compare(line, length, m_pLines[middle].text, m_pLines[middle].length);
    if (order == 0) return m_pLines + middle;
    if (order < 0) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return nullptr;
}

bool CLineSet::Contains(const char* line, DWORD length) const {
  return Find(line, length) != nullptr;
}

bool CLineSet::AllFoundIn(const char* bytes, DWORD length) {
  memset(m_pFound, 0, m_nCount * sizeof(bool));
  DWORD found = 0;
  const char* text = nullptr;
  for (DWORD at = 0; at < length && found < m_nCount;) {
    DWORD lineLength = NextLine(bytes, length, &at, &text);
    const Line* line = Find(text, lineLength);
    if (line && !m_pFound[line - m_pLines]) {
      m_pFound[line - m_pLines] = true;
      ++found;
    }
  }
  return found == m_nCount;
}

DWORD RemoveLines(char* bytes, DWORD length, const CLineSet& lines) {
  DWORD kept = 0;
  const char* text = nullptr;
  for (DWORD at = 0; at < length;) {
    DWORD start = at;
    DWORD lineLength = NextLine(bytes, length, &at, &text);
    if (lineLength > 0 && lines.Contains(text, lineLength)) continue;
    memmove(bytes + kept, bytes + start, at - start);
    kept += at - start;
  }
  return kept;
}
