// The version information that the built Spruce.exe carries, read as Explorer reads it for
// Properties → Details. The expected version is the CMake project's.
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Translation {
  WORD language;
  WORD codePage;
};

TEST(VersionInfo, NamesTheProjectVersionInChineseAndUnicode) {
  const std::wstring program = BesideTestProgram(L"Spruce.exe");
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(program.c_str(), &handle);
  ASSERT_GT(size, 0u) << "Spruce.exe carries no version information";
  std::vector<BYTE> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const DWORD versionHigh = MAKELONG(SPRUCE_EXPECTED_VERSION_MINOR, SPRUCE_EXPECTED_VERSION_MAJOR);
  const DWORD versionLow = MAKELONG(0, SPRUCE_EXPECTED_VERSION_PATCH);
  EXPECT_EQ(fixed->dwFileVersionMS, versionHigh);
  EXPECT_EQ(fixed->dwFileVersionLS, versionLow);
  EXPECT_EQ(fixed->dwProductVersionMS, versionHigh);
  EXPECT_EQ(fixed->dwProductVersionLS, versionLow);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);  // no debug or pre-release build

  Translation* translations = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translations), &length));
  ASSERT_EQ(length, sizeof(Translation));
  EXPECT_EQ(translations[0].language, 0x0804);  // Chinese (PRC)
  EXPECT_EQ(translations[0].codePage, 1200);    // Unicode

  auto value = [&](const wchar_t* name) {
    wchar_t* text = nullptr;
    UINT units = 0;
    std::wstring query = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &units))
      return std::wstring(L"(missing)");
    return std::wstring(text);
  };
  EXPECT_EQ(value(L"FileVersion"), ProjectVersionText(4));
  EXPECT_EQ(value(L"ProductVersion"), ProjectVersionText(4));
  EXPECT_EQ(value(L"ProductName"), L"Spruce");
  EXPECT_EQ(value(L"OriginalFilename"), L"Spruce.exe");
  // Read back in Chinese: the resource compiler took the script as UTF-8.
  EXPECT_EQ(value(L"FileDescription"), L"Spruce 系统盘一键清理");
  EXPECT_EQ(value(L"LegalCopyright").rfind(L"Copyright © ", 0), 0u) << "copyright line";
}

}  // namespace
