// Building target paths in the engine's fixed MAX_PATH buffers, shared by all targets.
#pragma once

#include "engine/engine.h"
#include "engine/walk/item_handles.h"

#include <wchar.h>

// Appends tail to the path held in buffer (MAX_PATH units). A path that would not fit is
// refused whole: buffer keeps its old content and the result is false, so a path is never
// cut short into a different one.
inline bool AppendPath(wchar_t* buffer, const wchar_t* tail) {
  size_t used = wcslen(buffer);
  size_t extra = wcslen(tail);
  if (used + extra >= MAX_PATH) return false;
  wmemcpy(buffer + used, tail, extra + 1);
  return true;
}

inline bool IsDriveLetter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// True only for a folder below a drive root or a network share: "X:\name..." or
// "\\server\share\name...", every part a plain name. Empty, relative and drive-relative texts,
// bare roots, and parts that Windows reads as "here" or "up" or trims away (".", "..", "...",
// trailing blanks) name some other folder, often a root; so do wildcards and streams.
bool IsWalkableFolder(const wchar_t* folder);

// The full 64-bit size of a directory listing's entry.
inline ByteCount FullSize(const WIN32_FIND_DATAW& entry) {
  return (static_cast<ByteCount>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

// Zeroes buffer, then fills it with a known folder followed by subPath. False when the
// lookup fails or the whole path does not fit; the target then passes over that path.
bool BuildKnownPath(wchar_t* buffer, int csidl, const wchar_t* subPath);

// The root of the drive that holds the Windows folder, "C:\" as a rule (MAX_PATH units, zeroed
// first); false when the Windows folder cannot be looked up.
bool GetWindowsDriveRoot(wchar_t* root);

// Opens a walkable path (IsWalkableFolder): its drive or share root as Windows resolves it,
// then the rest below it with no part a link (OpenBelow). Null for any other text.
HANDLE OpenBelowRoot(const wchar_t* path, ItemKind kind, ACCESS_MASK extraAccess);

// Walks what an open folder holds (WalkFolder's rules), the folder itself staying. The walk
// builds no path text and goes as deep as the tree does.
ByteCount WalkOpenFolder(HANDLE folder, BOOL measureOnly);

// Walks the folder subPath below an open folder, keeping it; no part of subPath may be a link.
ByteCount WalkBelow(HANDLE start, const wchar_t* subPath, BOOL measureOnly);

// Opens a known folder, then subPath below it with no part a link (OpenBelow); an empty subPath
// names the known folder itself. A machine-wide known folder is taken as Windows reports it (one
// moved with a link stays usable); the user's own are reached as OpenUserKnownItem says, and
// their callers act as the user (CUserRights). The path text, known folder and subPath, goes
// into path (MAX_PATH units) when one is given. Null when the lookup fails, the path does not
// fit or the item cannot be opened.
HANDLE OpenKnownItem(int csidl, const wchar_t* subPath, ItemKind kind, ACCESS_MASK extraAccess,
                     wchar_t* path = nullptr);

// Walks a known folder's sub-path, keeping the folder itself, with the user's rights where it
// is the user's own; 0 when the path is unknown or leads through a link.
ByteCount WalkKnown(int csidl, const wchar_t* subPath, BOOL measureOnly);

// Sizes the plain files matching a pattern (wildcards in its last part only) under a known
// folder and, in delete mode, deletes them; links and folders that match are left alone.
ByteCount TakeMatchingFiles(int csidl, const wchar_t* subPattern, BOOL measureOnly);

// Walks folder, keeping it, once on each drive letter from C to Z with the rest of the path
// unchanged: on its own drive with the caller's rights, on the others with the user's only
// (CUserRights) and not at all without them. A folder not of the form X:\... (a network path)
// is walked once as it is.
ByteCount WalkOnEveryDrive(const wchar_t* folder, BOOL measureOnly);

// Calls visit(folder, context) for each subfolder listed under a known folder's base (a
// sub-path ending in a backslash) whose name does not begin with a dot, with the subfolder
// open. Plain files and links are passed over, and so is everything when base leads through a
// link.
void ForEachSubfolder(int csidl, const wchar_t* base, void (*visit)(HANDLE folder, void* context),
                      void* context);

// ForEachSubfolder for an open folder that has not been listed before; visit also gets the
// subfolder's listed name (terminated).
void ForEachListedSubfolder(HANDLE parent,
                            void (*visit)(HANDLE folder, const wchar_t* name, void* context),
                            void* context);

// ForEachListedSubfolder through a new handle to folder, which may have been listed before: on
// Windows a handle's listing keeps the mask of its first lookup.
void ForEachSubfolderAnew(HANDLE folder,
                          void (*visit)(HANDLE folder, const wchar_t* name, void* context),
                          void* context);

// Whether an open folder holds a folder of that name, not a link.
bool HoldsFolder(HANDLE folder, const wchar_t* name);

// Whether two names are the same to Windows' file system (ordinal, letter case ignored).
inline bool IsName(const wchar_t* name, const wchar_t* other) {
  return CompareStringOrdinal(name, -1, other, -1, TRUE) == CSTR_EQUAL;
}
