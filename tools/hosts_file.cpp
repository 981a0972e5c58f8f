// The hosts block and its undo. Blocking is on exactly when the hosts file holds the block;
// the backup only lets an unedited hosts file go back byte for byte. Every change goes through
// a temporary file put in place in one step, so the hosts file never holds a cut-off line.
#include "tools/ad_blocking.h"

#include "engine/paths.h"
#include "tools/hosts_block.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <string.h>

namespace {

// Larger hosts files are left alone rather than read into memory whole.
const DWORD kMaxHostsBytes = 32 * 1024 * 1024;

// The attributes SetFileAttributesW takes; the others a listing shows are not ours to set.
const DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// attributes in the form SetFileAttributesW takes: FILE_ATTRIBUTE_NORMAL when none is left.
DWORD Settable(DWORD attributes) {
  attributes &= kSettableAttributes;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

// A whole file's bytes on the heap, with room behind them for what is to be added.
class CFileBytes {
 public:
  CFileBytes() = default;
  CFileBytes(const CFileBytes&) = delete;
  CFileBytes& operator=(const CFileBytes&) = delete;
  ~CFileBytes() {
    if (m_pBytes) HeapFree(GetProcessHeap(), 0, m_pBytes);
  }

  // A file that does not exist reads as empty; false when it cannot be read whole.
  bool Read(const wchar_t* path, DWORD room) {
    HANDLE file = CreateFileW(path, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) && Allocate(0, room);
    }
    LARGE_INTEGER size = {};
    DWORD read = 0;
    bool whole = GetFileSizeEx(file, &size) && size.QuadPart <= kMaxHostsBytes &&
                 Allocate(static_cast<DWORD>(size.QuadPart), room) &&
                 ReadFile(file, m_pBytes, m_cbLength, &read, nullptr) && read == m_cbLength;
    CloseHandle(file);
    return whole;
  }

  char* m_pBytes = nullptr;
  DWORD m_cbLength = 0;

 private:
  bool Allocate(DWORD length, DWORD room) {
    m_pBytes = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, length + room + 1));
    m_cbLength = length;
    return m_pBytes != nullptr;
  }
};

// A file's access rules, kept to give to the file that replaces it: a file made beside it
// inherits the folder's rules, not those that a security tool may have set on the file.
class CAccessRules {
 public:
  explicit CAccessRules(const wchar_t* path) {
    DWORD needed = 0;
    GetFileSecurityW(path, DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed) m_pRules = HeapAlloc(GetProcessHeap(), 0, needed);
    if (m_pRules && !GetFileSecurityW(path, DACL_SECURITY_INFORMATION, m_pRules, needed, &needed)) {
      HeapFree(GetProcessHeap(), 0, m_pRules);
      m_pRules = nullptr;
    }
  }
  CAccessRules(const CAccessRules&) = delete;
  CAccessRules& operator=(const CAccessRules&) = delete;
  ~CAccessRules() {
    if (m_pRules) HeapFree(GetProcessHeap(), 0, m_pRules);
  }
  void ApplyTo(const wchar_t* path) const {
    if (m_pRules) SetFileSecurityW(path, DACL_SECURITY_INFORMATION, m_pRules);
  }

 private:
  void* m_pRules = nullptr;
};

// Fills hosts and backup (MAX_PATH units each) with the hosts file's path and its backup's.
bool BuildHostsPaths(wchar_t* hosts, wchar_t* backup) {
  wmemset(backup, L'\0', MAX_PATH);
  return BuildKnownPath(hosts, CSIDL_SYSTEM, L"\\drivers\\etc\\hosts") &&
         AppendPath(backup, hosts) && AppendPath(backup, L".uu.bak");
}

// A backup copied in from elsewhere may be read-only, which DeleteFileW refuses.
void DeleteBackup(const wchar_t* backup) {
  SetFileAttributesW(backup, FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(backup);
}

// The first copy of the block in bytes[0, length), or null.
char* FindBlock(char* bytes, DWORD length) {
  for (DWORD at = 0; length - at >= kHostsBlockLength; ++at) {
    void* first = memchr(bytes + at, kHostsBlock[0], length - at - kHostsBlockLength + 1);
    if (!first) return nullptr;
    at = static_cast<DWORD>(static_cast<char*>(first) - bytes);
    if (memcmp(bytes + at, kHostsBlock, kHostsBlockLength) == 0) return bytes + at;
  }
  return nullptr;
}

// Takes every copy of the block out of bytes, in place, and yields the new length. Where the
// text before a copy ends inside a line and more text follows, a line break stays, so that
// no two lines run together.
DWORD RemoveBlock(char* bytes, DWORD length) {
  DWORD kept = 0, next = 0;
  for (;;) {
    char* found = FindBlock(bytes + next, length - next);
    DWORD end = found ? static_cast<DWORD>(found - bytes) : length;
    memmove(bytes + kept, bytes + next, end - next);
    kept += end - next;
    if (!found) return kept;
    next = end + kHostsBlockLength;
    // Never overtakes the reading: the block is longer than a line break.
    if (kept > 0 && bytes[kept - 1] != '\n' && bytes[kept - 1] != '\r' && next < length) {
      bytes[kept++] = '\r';
      bytes[kept++] = '\n';
    }
  }
}

// Creates or overwrites path with bytes and flushes them to disk; false unless all got there.
bool WriteNewFile(const wchar_t* path, const char* bytes, DWORD length, WriteCall write) {
  SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);  // a read-only or hidden one refuses
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool complete = write(file, bytes, length, &written, nullptr) && written == length &&
                  FlushFileBuffers(file);
  CloseHandle(file);
  return complete;
}

// Gives the hosts file new content in one step: it is written beside the hosts file first,
// then moved over it, so the hosts file holds either all its old bytes or all the new ones.
// The hosts file keeps its attributes whatever happens. False when it keeps its old bytes.
bool ReplaceHostsFile(const wchar_t* hosts, const char* bytes, DWORD length, WriteCall write) {
  wchar_t temporary[MAX_PATH];
  wmemset(temporary, L'\0', MAX_PATH);
  if (!AppendPath(temporary, hosts) || !AppendPath(temporary, L".uu.new")) return false;
  const DWORD attributes = GetFileAttributesW(hosts);
  const CAccessRules rules(hosts);
  bool replaced = WriteNewFile(temporary, bytes, length, write);
  if (replaced) {
    // Windows moves nothing over a read-only file.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
      SetFileAttributesW(hosts, Settable(attributes & ~FILE_ATTRIBUTE_READONLY));
    replaced = MoveFileExW(temporary, hosts,
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  }
  if (replaced) {
    rules.ApplyTo(hosts);
  } else {
    DeleteFileW(temporary);
  }
  // Security tools guard the hosts file as read-only, hidden or system; the new file too.
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(hosts, Settable(attributes));
  return replaced;
}

}  // namespace

int AppendHostsBlockWith(WriteCall write) {
  wchar_t hosts[MAX_PATH];
  wchar_t backup[MAX_PATH];
  CFileBytes current;
  if (!BuildHostsPaths(hosts, backup) || !current.Read(hosts, kHostsBlockLength)) return -1;
  if (FindBlock(current.m_pBytes, current.m_cbLength)) return 0;  // never appended twice
  // Blocking is off, so a backup found here belongs to an earlier state: a fresh one replaces
  // it. A hosts file that does not exist yet is backed up as an empty file.
  if (!WriteNewFile(backup, current.m_pBytes, current.m_cbLength, WriteFile)) {
    DeleteBackup(backup);
    return -1;
  }
  memcpy(current.m_pBytes + current.m_cbLength, kHostsBlock, kHostsBlockLength);
  if (ReplaceHostsFile(hosts, current.m_pBytes, current.m_cbLength + kHostsBlockLength, write))
    return 0;
  DeleteBackup(backup);  // nothing was blocked, so nothing may look as if it had been
  return -1;
}

int AppendHostsBlock() { return AppendHostsBlockWith(WriteFile); }

int RestoreHostsFile() {
  wchar_t hosts[MAX_PATH];
  wchar_t backup[MAX_PATH];
  CFileBytes current, saved;
  if (!BuildHostsPaths(hosts, backup) || !current.Read(hosts, 0)) return 0;
  const char* bytes = nullptr;
  DWORD length = 0;
  if (saved.Read(backup, 0) && current.m_cbLength == saved.m_cbLength + kHostsBlockLength &&
      memcmp(current.m_pBytes, saved.m_pBytes, saved.m_cbLength) == 0 &&
      memcmp(current.m_pBytes + saved.m_cbLength, kHostsBlock, kHostsBlockLength) == 0) {
    bytes = saved.m_pBytes;  // unedited since the block went in: back byte for byte
    length = saved.m_cbLength;
  } else if (FindBlock(current.m_pBytes, current.m_cbLength)) {
    bytes = current.m_pBytes;  // edited since: only the block goes
    length = RemoveBlock(current.m_pBytes, current.m_cbLength);
  }
  // Until the hosts file is right, the backup may hold the only copy of the earlier file.
  if (bytes && !ReplaceHostsFile(hosts, bytes, length, WriteFile)) return 0;
  DeleteBackup(backup);
  return 0;
}
