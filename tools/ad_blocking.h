// Video-ad blocking: a block of host entries appended to the system hosts file, with a backup
// that is the only sign of blocking being on and that turning it off puts back; and empty
// files that keep Flash Player from storing local shared objects for three hosts.
#pragma once

#include <windows.h>

// The hosts whose Flash storage is blocked, in the order they are always used.
const int kFlashHostCount = 3;
extern const wchar_t* const kFlashHosts[kFlashHostCount];

// Backs up the hosts file (next to it, under its name plus ".uu.bak") and appends the block,
// unless a backup exists already. 0 when the block was written or blocking was on already;
// -1 when nothing was added: the hosts file then holds what it held before and no backup
// is left behind.
int AppendHostsBlock();

// Puts the backup back over the hosts file and deletes it; without a backup nothing changes.
// A backup that cannot be copied back is kept, as it holds the only copy of the old file.
// Always 0.
int RestoreHostsFile();

// In each of Flash Player's folders under #SharedObjects, replaces the folder named after
// host, with all it holds, by an empty file of that name. Always 0.
int BlockFlashStorage(const wchar_t* host);

// Deletes the files BlockFlashStorage made for host; a real folder of that name stays.
// Always 0.
int UnblockFlashStorage(const wchar_t* host);

// AppendHostsBlock with the call that writes the block passed in, so that a write failing
// part-way can be brought about on purpose.
typedef BOOL(WINAPI* WriteCall)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
int AppendHostsBlockWith(WriteCall write);
