// The hosts block with its backup: the backup is made before the block goes in and is the
// one record that blocking is on, so nothing the user had in the hosts file is ever lost.
#include "tools/ad_blocking.h"

#include "engine/paths.h"
#include "tools/hosts_block.h"

#include <shlobj.h>
#include <shlwapi.h>

namespace {

// Fills hosts and backup (MAX_PATH units each) with the hosts file's path and its backup's.
bool BuildHostsPaths(wchar_t* hosts, wchar_t* backup) {
  wmemset(backup, L'\0', MAX_PATH);
  return BuildKnownPath(hosts, CSIDL_SYSTEM, L"\\drivers\\etc\\hosts") &&
         AppendPath(backup, hosts) && AppendPath(backup, L".uu.bak");
}

// A hosts file that does not exist yet is backed up as an empty file, so that turning
// blocking off leaves an empty hosts file rather than the block.
bool MakeBackup(const wchar_t* hosts, const wchar_t* backup) {
  if (!PathFileExistsW(hosts)) {
    HANDLE file = CreateFileW(backup, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
  }
  // Cleared first: a read-only, hidden or system hosts file refuses the write, and the
  // backup must not inherit those attributes either.
  SetFileAttributesW(hosts, FILE_ATTRIBUTE_NORMAL);
  if (CopyFileW(hosts, backup, FALSE)) return true;
  DeleteFileW(backup);  // a partial copy would restore a damaged hosts file
  return false;
}

}  // namespace

int AppendHostsBlockWith(WriteCall write) {
  wchar_t hosts[MAX_PATH];
  wchar_t backup[MAX_PATH];
  if (!BuildHostsPaths(hosts, backup)) return -1;
  if (PathFileExistsW(backup)) return 0;  // on already: the block is never appended twice
  // Without a backup the block could never be taken out again.
  if (!MakeBackup(hosts, backup)) return -1;
  HANDLE file = CreateFileW(hosts, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DeleteFileW(backup);  // nothing was blocked, so blocking must not count as on
    return -1;
  }
  LARGE_INTEGER start = {};
  DWORD written = 0;
  BOOL complete = SetFilePointerEx(file, start, nullptr, FILE_END) &&
                  write(file, kHostsBlock, kHostsBlockLength, &written, nullptr) &&
                  written == kHostsBlockLength;
  CloseHandle(file);
  if (complete) return 0;
  RestoreHostsFile();  // part of a block would stay in the hosts file for good
  return -1;
}

int AppendHostsBlock() { return AppendHostsBlockWith(WriteFile); }

int RestoreHostsFile() {
  wchar_t hosts[MAX_PATH];
  wchar_t backup[MAX_PATH];
  if (!BuildHostsPaths(hosts, backup) || !PathFileExistsW(backup)) return 0;
  SetFileAttributesW(hosts, FILE_ATTRIBUTE_NORMAL);
  // Until the copy back has succeeded, the backup is the only copy of the old hosts file.
  if (CopyFileW(backup, hosts, FALSE)) DeleteFileW(backup);
  return 0;
}
