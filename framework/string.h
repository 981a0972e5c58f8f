// CString: the framework's wide string, a thin value type over std::wstring.
#pragma once

#include <windows.h>

#include <string>

class CString {
 public:
  CString() = default;
  CString(const wchar_t* text) : m_text(text ? text : L"") {}  // NOLINT: converts like a literal

  operator const wchar_t*() const { return m_text.c_str(); }
  const wchar_t* GetString() const { return m_text.c_str(); }
  int GetLength() const { return static_cast<int>(m_text.size()); }
  bool IsEmpty() const { return m_text.empty(); }
  void Empty() { m_text.clear(); }

  CString& operator=(const wchar_t* text) {
    m_text = text ? text : L"";
    return *this;
  }
  bool operator==(const wchar_t* text) const { return m_text == (text ? text : L""); }

  // Loads a string resource of the program; false (and empty) when there is none.
  BOOL LoadString(UINT id);

 private:
  std::wstring m_text;
};
