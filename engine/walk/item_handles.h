// Reaching folders and files through open handles, never through path text that Windows parses
// again. Spruce runs elevated in folders that other users can write to, where a name can be
// made to mean another place: a trailing dot or blank that the path parser drops ("J." acts on
// "J"), a junction or symbolic link, a folder swapped for a link after it was listed. So every
// item below a trusted start is opened relative to its parent's handle under its exact listed
// name, without following a link, and checked on the opened handle.
#pragma once

#include "engine/engine.h"

// One entry of a folder listing.
typedef FILE_ID_BOTH_DIR_INFO ListedItem;

// The buffer one folder's listing goes through: large, so that few calls list a folder.
const ULONG kListingBufferSize = 64 * 1024;

class CListingBuffer {
 public:
  CListingBuffer() : m_pbData(nullptr) {}
  ~CListingBuffer();
  CListingBuffer(const CListingBuffer&) = delete;
  CListingBuffer& operator=(const CListingBuffer&) = delete;
  // kListingBufferSize bytes, taken on first use; null when there is no memory.
  BYTE* Get();

 private:
  BYTE* m_pbData;
};

enum ItemKind { kFolderItem, kFileItem };

// The listed name and its length in characters (it is not terminated).
inline size_t ListedNameLength(const ListedItem& item) {
  return item.FileNameLength / sizeof(wchar_t);
}
bool IsDotOrDotDot(const ListedItem& item);
inline bool IsListedFolder(const ListedItem& item) {
  return (item.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
inline bool IsListedLink(const ListedItem& item) {
  return (item.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Whether an open that returned result (an NTSTATUS) gave a handle to use. Opens never wait on
// another program's opportunistic lock (FILE_COMPLETE_IF_OPLOCKED): one that would have waited
// returns at once with STATUS_OPLOCK_BREAK_IN_PROGRESS, a success status, and its item is
// passed over like one in use.
bool IsOpenForUse(LONG result);

// Whether a read-only file may have its attribute cleared to be deleted, from the system's
// answer (an NTSTATUS) to deleting it as it stands (FILE_DISPOSITION_IGNORE_READONLY_ATTRIBUTE,
// Windows 10 1809 and later) and its number of names (0 when unknown). The attribute belongs
// to the file, not to a name: cleared through one name of several, it would leave a file
// elsewhere on the volume, which another name leads to, unprotected. Only a Windows that does
// not know that way of deleting gets there: where it knows it and still refused, the file
// cannot go (a program running from it, say), and would only be left unprotected.
bool MayClearReadOnly(LONG deleteAsItStands, ULONG numberOfNames);

// Whether a listed name (length characters, not terminated) matches mask, wildcards * and ?,
// ignoring case as Windows does.
bool NameMatchesMask(const wchar_t* name, size_t length, const wchar_t* mask);

// Opens a folder whose path Windows resolves as it always does, links included: a known folder
// as Windows reports it, or the root of a drive or share. Null when it is missing or no folder.
HANDLE OpenTrustedFolder(const wchar_t* path, ACCESS_MASK extraAccess);

// Opens what parent's listing showed as item, by its exact name, without following a link.
// Null when it is gone, or the opened item is a link, is of another kind than listed, or is
// not the item listed (swapped after the listing).
HANDLE OpenListedItem(HANDLE parent, const ListedItem& item, ACCESS_MASK extraAccess);

// Opens subPath (names separated by backslashes; an empty one names start itself, which is
// then opened anew, with a listing of its own) below start, one name at a time, each looked up in its parent's listing
// and opened as above: no part may be a link. Null when a part is missing (last error
// ERROR_PATH_NOT_FOUND, or ERROR_FILE_NOT_FOUND for the last), is a link
// (681, the system's "stopped on a symbolic link") or cannot be opened. extraAccess applies to the last part only.
HANDLE OpenBelow(HANDLE start, const wchar_t* subPath, ItemKind lastKind, ACCESS_MASK extraAccess);

// Room for one listed entry with the longest name a file system allows.
const ULONG kOneEntrySize = 1024;

// A folder's listing read one entry at a time, so that a walk can go down into a subfolder
// between two entries and take up the listing again after it.
struct FolderListing {
  HANDLE folder;
  const wchar_t* mask;  // null: every entry
  BYTE* buffer;         // 8-byte aligned
  ULONG size;           // of buffer, kOneEntrySize at least
  ULONG next;           // where in buffer the next entry to look at starts
  bool holding;         // whether buffer holds entries from next on
  bool started;         // whether the system was asked for entries yet
};

// Starts a listing of folder, which must not have been listed before, through buffer.
void StartListing(FolderListing* listing, HANDLE folder, const wchar_t* mask, BYTE* buffer,
                  ULONG size);

// The listing's next entry but "." and "..", in listing order, or only those whose name
// matches its mask (wildcards * and ?) when it has one: an entry that matches by its 8.3 short
// name alone ("notes.dmpx" as NOTES~1.DMP for "*.dmp") is left out. Null once the listing
// ends; the entry lies in the listing's buffer until the next call.
const ListedItem* NextListed(FolderListing* listing);

// Calls visit(item) for every entry NextListed gives; buffer holds kListingBufferSize bytes.
void ListFolder(HANDLE folder, const wchar_t* mask, BYTE* buffer,
                void (*visit)(HANDLE folder, const ListedItem& item, void* context),
                void* context);

// Opens an open item anew, the same item whatever its name is now, sharing reading and writing
// but not deletion: while the new handle is open, nobody can delete or rename the item, nor put
// a link in its place (on NTFS, nor rename a folder above it). Null where another handle
// already holds delete access.
HANDLE HoldItem(HANDLE item, ItemKind kind, ACCESS_MASK extraAccess);

// Holds the folder name (one plain name) in parent as HoldItem does, making it where parent's
// listing shows nothing of that name. Null where the name holds a link (last error 681) or a
// file, or where the folder cannot be opened or made.
HANDLE HoldFolderIn(HANDLE parent, const wchar_t* name, ACCESS_MASK extraAccess);

// Whether two items the system described are one: the same volume and file number.
inline bool IsSameFileId(const BY_HANDLE_FILE_INFORMATION& one,
                         const BY_HANDLE_FILE_INFORMATION& other) {
  return one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
         one.nFileIndexHigh == other.nFileIndexHigh && one.nFileIndexLow == other.nFileIndexLow;
}

// Makes an empty file named name in folder unless something of that name is there already;
// nothing is opened through a link of that name.
void MakeEmptyFileIn(HANDLE folder, const wchar_t* name);

// What deleting a writable file takes next, from the system's answer (an NTSTATUS) to its open
// with delete-on-close.
enum FastDeleteStep {
  kCloseToDelete,    // opened: the close deletes it
  kWithdrawToClose,  // opened, but another program's opportunistic lock is being broken: the
                     // file is in use, so the delete at the close is withdrawn first
  kDeleteCarefully,  // refused as read-only (STATUS_CANNOT_DELETE): DeleteListedFile's careful way
  kLeaveAsIs,        // gone, in use, refused, or no plain file now
};
FastDeleteStep FastDeleteStepFor(LONG result);

// Deletes a file that parent's listing showed, by its exact name, without following a link.
// On Windows one that the listing shows writable goes in one open, with delete-on-close, and
// its close: opened so, a link that took the name after the listing is the link itself, never
// its target, and only that name inside parent goes. A read-only one (or one that became so),
// and under Wine every one, takes the careful way: opened as above and checked, then deleted;
// a read-only one as it stands where Windows can, elsewhere with its attribute cleared first,
// but only when the file has no other name (MayClearReadOnly). One that is in use, refused or,
// on the careful way, no longer the one listed stays.
void DeleteListedFile(HANDLE parent, const ListedItem& item);

// Deletes an item opened with DELETE access; a folder only when empty. Nothing else changes:
// a read-only file stays.
bool DeleteOpenItem(HANDLE item);

// DeleteOpenItem, then closes the handle; a null handle (the item could not be opened) is
// passed over.
void DeleteAndClose(HANDLE item);

// Tests only: called with each listed name just before it is opened, to change the folder in
// between as another program could.
extern void (*g_pfnBeforeOpenListed)(HANDLE parent, const wchar_t* name, size_t length);

// Tests and measurements only: writable files go Windows' way under Wine too, in one open
// with delete-on-close, although there a Linux symbolic link that took a listed name loses
// its target.
extern bool g_bDeleteAtCloseUnderWine;
