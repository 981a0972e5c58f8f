// Building target paths in the engine's fixed MAX_PATH buffers, shared by all targets.
#pragma once

#include "engine/engine.h"

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

// Walks a known folder's sub-path, keeping the folder itself; 0 when the path is unknown.
ByteCount WalkKnown(int csidl, const wchar_t* subPath, BOOL measureOnly);

// Sizes the plain files matching a pattern under a known folder and, in delete mode, hands
// the pattern to the shell to delete those files silently, without undo and without any window.
ByteCount TakeMatchingFiles(int csidl, const wchar_t* subPattern, BOOL measureOnly);

// Walks folder, keeping it, once on each drive letter from C to Z with the rest of the path
// unchanged; a folder not of the form X:\... (a network path) is walked once as it is.
ByteCount WalkOnEveryDrive(const wchar_t* folder, BOOL measureOnly);

// Calls visit(path, context) for each subfolder listed under a known folder's base (a sub-path
// ending in a backslash) whose name does not begin with a dot, with path = base + name + tail.
// Plain files are passed over, and so are names too long for a path buffer; with skipLinks,
// so are subfolders that are links.
void ForEachSubfolder(int csidl, const wchar_t* base, const wchar_t* tail, bool skipLinks,
                      void (*visit)(const wchar_t* path, void* context), void* context);
