// The hosts block and its undo. Blocking is on while the hosts file holds every line of the
// block; the backup lets an unedited hosts file go back byte for byte and keeps lines that the
// hosts file lost while blocking was on. Every change goes through a temporary file put in
// place in one step, so the hosts file never holds a cut-off line.
#include "tools/ad_blocking.h"

#include "engine/places.h"
#include "tools/hosts_block.h"
#include "tools/hosts_lines.h"

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

// A file's access rules, given to the file that replaces it: a file made beside it inherits
// the folder's rules, not those that a security tool may have set on the file.
class CAccessRules {
 public:
  CAccessRules() = default;
  CAccessRules(const CAccessRules&) = delete;
  CAccessRules& operator=(const CAccessRules&) = delete;
  ~CAccessRules() {
    if (m_pRules) HeapFree(GetProcessHeap(), 0, m_pRules);
  }
  bool Read(const wchar_t* path) {
    DWORD needed = 0;
    GetFileSecurityW(path, DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed) m_pRules = HeapAlloc(GetProcessHeap(), 0, needed);
    return m_pRules && GetFileSecurityW(path, DACL_SECURITY_INFORMATION, m_pRules, needed, &needed);
  }
  bool ApplyTo(const wchar_t* path) const {
    return SetFileSecurityW(path, DACL_SECURITY_INFORMATION, m_pRules) != FALSE;
  }

 private:
  void* m_pRules = nullptr;
};

// path (MAX_PATH units) filled with the hosts file's path followed by suffix.
bool BuildSiblingPath(wchar_t* path, const wchar_t* hosts, const wchar_t* suffix) {
  wmemset(path, L'\0', MAX_PATH);
  return AppendPath(path, hosts) && AppendPath(path, suffix);
}

// A file copied in from elsewhere may be read-only, which DeleteFileW refuses.
void DeleteAnyway(const wchar_t* path) {
  SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path);
}

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

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
// given the hosts file's access rules, and put in its place by ReplaceFileW, which keeps the
// hosts file's identity, owner and streams as well. So the hosts file holds either all its old
// bytes or all the new ones, and keeps its attributes whatever happens. False when it keeps
// its old bytes.
bool ReplaceHostsFile(const wchar_t* hosts, const char* bytes, DWORD length, WriteCall write) {
  wchar_t temporary[MAX_PATH];
  wchar_t previous[MAX_PATH];
  if (!BuildSiblingPath(temporary, hosts, L".uu.new") ||
      !BuildSiblingPath(previous, hosts, L".uu.old"))
    return false;
  const DWORD attributes = GetFileAttributesW(hosts);
  bool replaced = false;
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // No hosts file yet: the new one takes the folder's rules. Should one appear meanwhile,
    // it is not overwritten.
    replaced = WriteNewFile(temporary, bytes, length, write) &&
               MoveFileExW(temporary, hosts, MOVEFILE_WRITE_THROUGH);
  } else {
    CAccessRules rules;
    if (rules.Read(hosts) && WriteNewFile(temporary, bytes, length, write) &&
        rules.ApplyTo(temporary)) {
      // ReplaceFileW refuses a read-only file.
      if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(hosts, Settable(attributes & ~FILE_ATTRIBUTE_READONLY));
      DeleteAnyway(previous);
      replaced = ReplaceFileW(hosts, temporary, previous, 0, nullptr, nullptr) != FALSE;
      // A replace that stopped half-way may have left the old file under the name previous
      // only: it goes back, or failing that the complete new file goes in.
      if (!replaced && !Exists(hosts) && !MoveFileExW(previous, hosts, MOVEFILE_WRITE_THROUGH))
        replaced = MoveFileExW(temporary, hosts, MOVEFILE_WRITE_THROUGH) != FALSE;
    }
    // Security tools guard the hosts file as read-only, hidden or system; the new file too.
    SetFileAttributesW(hosts, Settable(attributes));
  }
  if (Exists(hosts)) DeleteAnyway(previous);
  if (!replaced) DeleteFileW(temporary);
  return replaced;
}

// True unless the backup's lines, other than the block's, are all in text, so that deleting
// the backup loses nothing; true as well when that cannot be made out.
bool BackupNeeded(bool backupRead, const CFileBytes& backup, const char* text, DWORD length,
                  const CLineSet& block) {
  CLineSet lines;
  return !backupRead || !lines.Gather(backup.m_pBytes, backup.m_cbLength, &block) ||
         !lines.AllFoundIn(text, length);
}

bool EndsWithBlock(const CFileBytes& current) {
  return current.m_cbLength >= kHostsBlockLength &&
         memcmp(current.m_pBytes + current.m_cbLength - kHostsBlockLength, kHostsBlock,
                kHostsBlockLength) == 0;
}

bool IsBackupFollowedByBlock(const CFileBytes& current, const CFileBytes& backup) {
  return current.m_cbLength == backup.m_cbLength + kHostsBlockLength &&
         memcmp(current.m_pBytes, backup.m_pBytes, backup.m_cbLength) == 0 &&
         memcmp(current.m_pBytes + backup.m_cbLength, kHostsBlock, kHostsBlockLength) == 0;
}

}  // namespace

bool BuildHostsPaths(wchar_t* hosts, wchar_t* backup) {
  return BuildKnownPath(hosts, CSIDL_SYSTEM, L"\\drivers\\etc\\hosts") &&
         BuildSiblingPath(backup, hosts, L".uu.bak");
}

HostsResult AppendHostsBlockWith(WriteCall write) {
  wchar_t hosts[MAX_PATH];
  wchar_t backup[MAX_PATH];
  CFileBytes current, saved;
  CLineSet block;
  if (!BuildHostsPaths(hosts, backup) || !current.Read(hosts, kHostsBlockLength))
    return kHostsFailed;
  if (!IsEightBitText(current.m_pBytes, current.m_cbLength)) return kHostsNotText;
  if (!block.Gather(kHostsBlock, kHostsBlockLength)) return kHostsFailed;
  if (block.AllFoundIn(current.m_pBytes, current.m_cbLength)) return kHostsDone;
  // Block lines left over from an earlier block would appear twice.
  current.m_cbLength = RemoveLines(current.m_pBytes, current.m_cbLength, block);
  // A hosts file that does not exist yet is backed up as an empty file.
  const bool freshBackup = !BackupNeeded(saved.Read(backup, 0), saved, current.m_pBytes,
                                         current.m_cbLength, block);
  if (freshBackup && !WriteNewFile(backup, current.m_pBytes, current.m_cbLength, WriteFile)) {
    DeleteAnyway(backup);
    return kHostsFailed;
  }
  memcpy(current.m_pBytes + current.m_cbLength, kHostsBlock, kHostsBlockLength);
  if (ReplaceHostsFile(hosts, current.m_pBytes, current.m_cbLength + kHostsBlockLength, write))
    return kHostsDone;
  if (freshBackup) DeleteAnyway(backup);  // it would stand for a block that never went in
  return kHostsFailed;
}

HostsResult AppendHostsBlock() { return AppendHostsBlockWith(WriteFile); }

HostsResult RestoreHostsFile() {
  wchar_t hosts[MAX_PATH];
  wchar_t backup[MAX_PATH];
  CFileBytes current, saved;
  CLineSet block;
  if (!BuildHostsPaths(hosts, backup) || !current.Read(hosts, 0)) return kHostsFailed;
  if (!IsEightBitText(current.m_pBytes, current.m_cbLength)) return kHostsNotText;
  if (!block.Gather(kHostsBlock, kHostsBlockLength)) return kHostsFailed;
  const bool backupRead = saved.Read(backup, 0);
  if (backupRead && IsBackupFollowedByBlock(current, saved)) {
    // Unedited since the block went in: back byte for byte.
    if (!ReplaceHostsFile(hosts, saved.m_pBytes, saved.m_cbLength, WriteFile)) return kHostsFailed;
    DeleteAnyway(backup);
    return kHostsDone;
  }
  // A block still whole at the end goes with the line end it begins with, which line by line
  // would stay behind as one more blank line each time blocking goes on and off.
  const DWORD length =
      RemoveLines(current.m_pBytes,
                  current.m_cbLength - (EndsWithBlock(current) ? kHostsBlockLength : 0), block);
  if (length != current.m_cbLength && !ReplaceHostsFile(hosts, current.m_pBytes, length, WriteFile))
    return kHostsFailed;
  if (BackupNeeded(backupRead, saved, current.m_pBytes, length, block)) return kHostsBackupKept;
  DeleteAnyway(backup);
  return kHostsDone;
}
