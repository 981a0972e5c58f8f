// Walking through open handles: the path texts a walk may start from, and the walks and visits
// below a folder that is open already, which build no path text at all.
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

// Opens a walkable path (IsWalkableFolder): its drive or share root as Windows resolves it,
// then the rest below it with no part a link (OpenBelow). Null for any other text.
HANDLE OpenBelowRoot(const wchar_t* path, ItemKind kind, ACCESS_MASK extraAccess);

// Walks what an open folder holds (WalkFolder's rules), the folder itself staying. The walk
// builds no path text and goes as deep as the tree does.
ByteCount WalkOpenFolder(HANDLE folder, BOOL measureOnly);

// Walks the folder subPath below an open folder, keeping it; no part of subPath may be a link.
ByteCount WalkBelow(HANDLE start, const wchar_t* subPath, BOOL measureOnly);

// Calls visit(folder, name, context) for each subfolder of an open folder that has not been
// listed before whose name does not begin with a dot, with the subfolder open and its listed
// name (terminated). Plain files and links are passed over.
void ForEachListedSubfolder(HANDLE parent,
                            void (*visit)(HANDLE folder, const wchar_t* name, void* context),
                            void* context);

// ForEachListedSubfolder through a new handle to folder, which may have been listed before: on
// Windows a handle's listing keeps the mask of its first lookup.
void ForEachSubfolderAnew(HANDLE folder,
                          void (*visit)(HANDLE folder, const wchar_t* name, void* context),
                          void* context);

// Opens the folder subPath below folder (OpenBelow) through a new handle to folder, which may
// have been listed before.
HANDLE OpenFolderAnew(HANDLE folder, const wchar_t* subPath, ACCESS_MASK extraAccess);

// Whether an open folder holds a folder of that name, not a link.
bool HoldsFolder(HANDLE folder, const wchar_t* name);

// Whether two names are the same to Windows' file system (ordinal, letter case ignored).
inline bool IsName(const wchar_t* name, const wchar_t* other) {
  return CompareStringOrdinal(name, -1, other, -1, TRUE) == CSTR_EQUAL;
}
