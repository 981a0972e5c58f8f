// Entry point of every test program. The tests create and delete files in the known folders
// of the machine they run on, so they run only inside Wine and only in a prefix that our test
// scripts made and marked as disposable; anywhere else, a real Windows included, they refuse.
#include <gtest/gtest.h>
#include <stdio.h>
#include <windows.h>

namespace {

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool InDisposablePrefix() {
  return GetFileAttributesW(L"C:\\spruce-disposable-prefix") != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int main(int argc, char** argv) {
  if (!RunningUnderWine() || !InDisposablePrefix()) {
    fprintf(stderr, "These tests delete files: they run only in Spruce's disposable Wine prefix "
                    "(scripts/test.sh makes one).\n");
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
