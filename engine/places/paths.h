// Target paths: known folders and the sub-paths below them in the engine's fixed MAX_PATH
// buffers, reached with the user's rights where they are the user's own, shared by all targets.
#pragma once

#include "engine/engine.h"
#include "engine/walk/walk.h"

// Zeroes buffer, then fills it with a known folder followed by subPath. False when the
// lookup fails or the whole path does not fit; the target then passes over that path.
bool BuildKnownPath(wchar_t* buffer, int csidl, const wchar_t* subPath);

// The root of the drive that holds the Windows folder, "C:\" as a rule (MAX_PATH units, zeroed
// first); false when the Windows folder cannot be looked up.
bool GetWindowsDriveRoot(wchar_t* root);

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
