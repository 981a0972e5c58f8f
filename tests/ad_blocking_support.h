// What the ad-blocking tests share: byte-exact reads and writes, a file held open, the prefix's
// hosts file kept as the test found it, and a look at Flash Player's blocking files.
#pragma once

#include "test_support.h"

#include "tools/hosts_block.h"

#include <gtest/gtest.h>

#include <string>

std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
bool IsFolder(const std::wstring& path);

// An open handle on a test file, closed with the object: another program holding the file.
class CHeldFile {
 public:
  CHeldFile(const std::wstring& path, DWORD access, DWORD share)
      : m_hFile(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  CHeldFile(const CHeldFile&) = delete;
  CHeldFile& operator=(const CHeldFile&) = delete;
  ~CHeldFile() { Release(); }
  bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
  void Release() {
    if (IsOpen()) CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE m_hFile;
};

// True when each Flash host is an empty file in folder, false when none is there at all;
// only some of them fails the test.
bool HoldsBlockingFiles(const std::wstring& folder);

// The user's hosts file as the test found it, put back afterwards. Each test starts with
// m_original as the hosts file and no backup.
class HostsFile : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::wstring m_hosts;
  std::wstring m_backup;
  // Ends with a line break; holds bytes outside ASCII, as a user's own entries may.
  const std::string m_original = "# \xd6\xf7\xbb\xfa\r\n127.0.0.1 localhost\r\n::1 localhost\r\n";
  const std::string m_blocked = m_original + std::string(kHostsBlock, kHostsBlockLength);

 private:
  bool m_hadHosts = false;
  std::string m_saved;
};
