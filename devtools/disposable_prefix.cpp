#include "devtools/disposable_prefix.h"

#include "framework/dll_export.h"

bool InDisposableWinePrefix() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  bool underWine = ntdll && GetProcAddress(ntdll, "wine_get_version");
  return underWine &&
         GetFileAttributesW(L"C:\\spruce-disposable-prefix") != INVALID_FILE_ATTRIBUTES;
}

std::wstring UnixPath(const std::wstring& path) {
  typedef char*(CDECL * ToUnix)(const wchar_t*);
  auto toUnix = FindExport<ToUnix>(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
  char* unixPath = toUnix ? toUnix(path.c_str()) : nullptr;
  std::string narrow = unixPath ? unixPath : "";
  HeapFree(GetProcessHeap(), 0, unixPath);
  return std::wstring(narrow.begin(), narrow.end());
}

std::wstring RecycleBinInsidePrefix() {
  wchar_t dataHome[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"XDG_DATA_HOME", dataHome, MAX_PATH)) return L"";
  std::wstring drive = UnixPath(L"C:\\");  // <prefix>/dosdevices/c:/
  size_t cut = drive.rfind(L"/dosdevices/");
  std::wstring data = dataHome;
  if (cut == std::wstring::npos || data.compare(0, cut + 1, drive, 0, cut + 1) != 0 ||
      data.find(L"/..") != std::wstring::npos)
    return L"";
  std::wstring trash = L"\\\\?\\unix" + data + L"/Trash";
  for (wchar_t& c : trash)
    if (c == L'/') c = L'\\';
  return trash;
}
