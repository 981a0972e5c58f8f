// Video-ad blocking: a block of host entries appended to the system hosts file, which counts
// as on exactly while the hosts file holds the block, with a backup that lets an unedited
// hosts file go back byte for byte; and empty files that keep Flash Player from storing local
// shared objects for three hosts.
#pragma once

#include <windows.h>

// The hosts whose Flash storage is blocked, in the order they are always used.
const int kFlashHostCount = 3;
extern const wchar_t* const kFlashHosts[kFlashHostCount];

// Unless the hosts file holds the block already, backs it up afresh (next to it, under its name
// plus ".uu.bak", replacing any older backup) and appends the block. 0 when the block was
// written or was there already; -1 when nothing was added: the hosts file then holds what it
// held before and no backup is left behind. The hosts file keeps its attributes either way.
int AppendHostsBlock();

// Takes the block out of the hosts file: an unedited file gets the backup's bytes back, an
// edited one loses the block and keeps everything else; without the block the file stays as
// it is. The backup is deleted, unless the hosts file could not be written, as it may then
// hold the only copy of the old file. The hosts file keeps its attributes. Always 0.
int RestoreHostsFile();

// In each of Flash Player's folders under #SharedObjects, replaces the folder named after
// host, with all it holds, by an empty file of that name. Always 0.
int BlockFlashStorage(const wchar_t* host);

// Deletes the files BlockFlashStorage made for host; a real folder of that name stays.
// Always 0.
int UnblockFlashStorage(const wchar_t* host);

// AppendHostsBlock with the call that writes the hosts file's new content passed in, so that a
// write failing part-way can be brought about on purpose.
typedef BOOL(WINAPI* WriteCall)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
int AppendHostsBlockWith(WriteCall write);
