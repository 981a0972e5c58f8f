#include "ad_blocking_support.h"

#include "tools/ad_blocking.h"

#include <shlobj.h>

std::string ReadBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << "cannot read a test file";
  std::string bytes(1 << 16, '\0');
  DWORD read = 0;
  ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot write a test file";
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(written, bytes.size());
}

bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool HoldsBlockingFiles(const std::wstring& folder) {
  int files = 0;
  for (const wchar_t* host : kFlashHosts) {
    std::wstring path = folder + L"\\" + host;
    if (PathExists(path) && !IsFolder(path) && ReadBytes(path).empty()) ++files;
  }
  EXPECT_TRUE(files == 0 || files == kFlashHostCount) << "only some hosts blocked";
  return files == kFlashHostCount;
}

void HostsFile::SetUp() {
  m_hosts = KnownFolder(CSIDL_SYSTEM) + L"\\drivers\\etc\\hosts";
  m_backup = m_hosts + L".uu.bak";
  m_hadHosts = PathExists(m_hosts);
  if (m_hadHosts) m_saved = ReadBytes(m_hosts);
  RemoveTree(m_backup);
  WriteBytes(m_hosts, m_original);
}

void HostsFile::TearDown() {
  RemoveTree(m_backup);
  RemoveTree(m_hosts);
  if (m_hadHosts) WriteBytes(m_hosts, m_saved);
}
