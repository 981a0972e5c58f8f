#include "framework/string.h"

BOOL CString::LoadString(UINT id) {
  const wchar_t* resource = nullptr;
  // A zero buffer length asks for a pointer to the resource text itself (not NUL-terminated).
  int length = ::LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&resource), 0);
  if (length <= 0 || !resource) {
    m_text.clear();
    return FALSE;
  }
  m_text.assign(resource, static_cast<size_t>(length));
  return TRUE;
}
