// Video-ad blocking: a block of host entries appended to the system hosts file, which counts
// as on while the hosts file holds every line of the block, with a backup that lets an
// unedited hosts file go back byte for byte; and empty files that keep Flash Player from
// storing local shared objects for three hosts.
#pragma once

#include <windows.h>

// The hosts whose Flash storage is blocked, in the order they are always used.
const int kFlashHostCount = 3;
extern const wchar_t* const kFlashHosts[kFlashHostCount];

// What turning the hosts block on or off came to.
enum HostsResult {
  kHostsDone = 0,
  kHostsFailed = -1,      // the hosts file could not be read or replaced: it was not changed
  kHostsNotText = -2,     // the hosts file is not 8-bit text (UTF-16): it was left alone
  kHostsBackupKept = 1,   // off, but the backup holds lines the hosts file has lost: it stays
};

// Fills hosts and backup (MAX_PATH units each) with the hosts file's path and its backup's:
// the same path plus ".uu.bak".
bool BuildHostsPaths(wchar_t* hosts, wchar_t* backup);

// Unless the hosts file holds every line of the block already, takes out the block lines it
// holds and appends the whole block once, after backing up the file without them. An older
// backup is replaced, unless it holds lines that the hosts file lacks: it may be their only
// copy. The hosts file keeps its attributes and access rules.
HostsResult AppendHostsBlock();

// Takes the block out of the hosts file: a file that is exactly the backup followed by the
// block gets the backup's bytes back; any other loses the block's lines and keeps every other
// line byte for byte, and where the block still ends the file, the line end it begins with
// goes as well, so that on and off give back the bytes of before. The backup is deleted once the hosts file holds all its lines, and kept
// otherwise. The hosts file keeps its attributes and access rules.
HostsResult RestoreHostsFile();

// In each of Flash Player's folders under #SharedObjects, replaces the folder named after
// host, with all it holds, by an empty file of that name. Always 0.
int BlockFlashStorage(const wchar_t* host);

// Deletes the files BlockFlashStorage made for host; a real folder of that name stays.
// Always 0.
int UnblockFlashStorage(const wchar_t* host);

// AppendHostsBlock with the call that writes the hosts file's new content passed in, so that a
// write failing part-way can be brought about on purpose.
typedef BOOL(WINAPI* WriteCall)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
HostsResult AppendHostsBlockWith(WriteCall write);
