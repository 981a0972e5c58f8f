// A hosts file as lines rather than bytes. Editors change line ends and users take out single
// entries, so the ad block is found line by line: a line counts as the block's when, without
// its line end (CR LF, LF or CR) and without blanks and tabs at either end, it equals one of
// the block's lines.
#pragma once

#include <windows.h>

// False for text that is not 8-bit, such as a UTF-16 file (a byte order mark or zero bytes),
// to which 8-bit lines cannot be added without corrupting it.
bool IsEightBitText(const char* bytes, DWORD length);

// The distinct lines of a text that are not empty, as the comparison above sees them. They
// point into the text, which must outlive the set.
class CLineSet {
 public:
  CLineSet() = default;
  CLineSet(const CLineSet&) = delete;
  CLineSet& operator=(const CLineSet&) = delete;
  ~CLineSet();

  // Gathers the lines of bytes, but none of except's; false when memory runs out.
  bool Gather(const char* bytes, DWORD length, const CLineSet* except = nullptr);
  bool Contains(const char* line, DWORD length) const;
  // True when every line of the set is among the lines of bytes.
  bool AllFoundIn(const char* bytes, DWORD length);

 private:
  struct Line {
    const char* text;
    DWORD length;
  };
  const Line* Find(const char* line, DWORD length) const;

  Line* m_pLines = nullptr;
  bool* m_pFound = nullptr;  // one flag per line, behind the lines in the same allocation
  DWORD m_nCount = 0;
};

// Takes every line that lines contains out of bytes, in place, each with its line end; all
// other bytes stay as they were. Yields the new length.
DWORD RemoveLines(char* bytes, DWORD length, const CLineSet& lines);
