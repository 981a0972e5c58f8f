// The start-up's DLL search: after it, a DLL that lies only beside the program or in the
// current folder is not loaded by its bare name, while the system's own DLLs still are.
#include "test_support.h"

#include "framework/dll_search.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t kBesideProgram[] = L"spruce_planted.dll";
const wchar_t kInCurrentFolder[] = L"spruce_planted_here.dll";

// Loads a DLL that is not loaded yet, by name or path, and unloads it at once; the error code
// when it does not load.
DWORD TryLoad(const std::wstring& name) {
  EXPECT_EQ(GetModuleHandleW(name.c_str()), nullptr) << "already loaded";
  HMODULE module = LoadLibraryW(name.c_str());
  if (!module) return GetLastError();
  FreeLibrary(module);
  return ERROR_SUCCESS;
}

TEST(RestrictDllSearch, PlantedDllsNoLongerLoadByName) {
  const std::wstring planted = BesideTestProgram(kBesideProgram);
  const std::wstring folder = FreshTestFolder(L"dll-search");
  const std::wstring here = folder + L"\\" + kInCurrentFolder;
  ASSERT_TRUE(CopyFileW(planted.c_str(), here.c_str(), FALSE));
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));

  // The counter-check: the ordinary search finds both.
  ASSERT_EQ(TryLoad(kBesideProgram), DWORD{ERROR_SUCCESS});
  ASSERT_EQ(TryLoad(kInCurrentFolder), DWORD{ERROR_SUCCESS});

  RestrictDllSearch();
  EXPECT_EQ(TryLoad(kBesideProgram), DWORD{ERROR_MOD_NOT_FOUND});
  EXPECT_EQ(TryLoad(kInCurrentFolder), DWORD{ERROR_MOD_NOT_FOUND});
  // By full path they still load, and the system folder is still searched.
  EXPECT_EQ(TryLoad(planted), DWORD{ERROR_SUCCESS});
  EXPECT_EQ(TryLoad(here), DWORD{ERROR_SUCCESS});
  EXPECT_EQ(TryLoad(L"msimg32.dll"), DWORD{ERROR_SUCCESS});

  SetCurrentDirectoryW(previous);
}

}  // namespace
