// What the folder-moving tool decides before it moves anything: which user folders OneDrive
// backs up, and whether the others fit at the destination.
#pragma once

#include "engine/engine.h"

// Whether path is folder itself or lies inside it, whatever the letter case and trailing
// separators: "C:\Users\me\OneDrive2" is not inside "C:\Users\me\OneDrive". An empty folder
// holds nothing.
bool IsPathInside(const wchar_t* path, const wchar_t* folder);

// The user's OneDrive folders: the UserFolder of every account under
// HKCU\Software\Microsoft\OneDrive\Accounts, then the OneDrive, OneDriveConsumer and
// OneDriveCommercial environment values.
struct OneDriveFolders {
  static const int kCapacity = 16;
  wchar_t paths[kCapacity][MAX_PATH];
  int count;
};
void FindOneDriveFolders(OneDriveFolders* folders);

// The OneDrive folder that path lies in, or null.
const wchar_t* OneDriveFolderHolding(const wchar_t* path, const OneDriveFolders& folders);

// A folder about to be moved: its bytes, and whether the move copies it to another volume; on
// its own volume a move only renames it and needs no room.
struct FolderToMove {
  ByteCount size;
  bool toOtherVolume;
};

// Whether the folders fit into freeBytes at the destination; needed gets the bytes they take.
bool FoldersFit(const FolderToMove* folders, int count, ByteCount freeBytes, ByteCount* needed);

// What, besides OneDrive, limits where a user folder may be moved from: the user's profile
// folder (empty where it cannot be had) and the letter of the drive Windows is on (0 where it
// cannot be had; then only folders inside the profile move).
struct MoveLimits {
  OneDriveFolders oneDrive;
  wchar_t profile[MAX_PATH];
  wchar_t windowsDrive;
};
void FindMoveLimits(MoveLimits* limits);

// Why a user folder stays where it is, or kFolderMoves.
enum FolderStay {
  kFolderMoves,
  kFolderInOneDrive,         // taken out of OneDrive, its files would go from the cloud too
  kFolderAlreadyThere,       // it is at its destination already
  kFolderOutsideUserPlaces,  // the user's settings put it elsewhere on the Windows drive
  kDestinationIsLink,        // the destination item is a link to some other place
  kSourceThroughLink,        // the way to it from the profile or its drive's root has a link
  kFolderNotReached,         // the user cannot open it, or make or open its destination
  kNamesTooLong,             // its files' paths at the destination would pass MAX_PATH
};

// The decision for one folder, from where it is (source), where it would go (destination) and
// the attributes of what lies at the destination (INVALID_FILE_ATTRIBUTES where nothing does).
// A folder moves only from inside the user's profile or from below the root of a drive other
// than Windows' own: the user's settings can name any folder, "C:\Program Files\Vendor" too.
FolderStay WhyFolderStays(const wchar_t* source, const wchar_t* destination,
                          DWORD destinationAttributes, const MoveLimits& limits);

// Why a folder that WhyFolderStays lets go stays after all, from what holding its two ends
// gave (ERROR_SUCCESS, or the last error where the hold failed): the source, reached from the
// profile folder or its drive's root with no part a link, and the destination item, made or
// opened in the chosen folder without following a link. A path text alone says nothing of the
// links on the way. The shell moves each item the source holds by its path, so the longest of
// their names (0 for none) must fit below the destination (destinationLength characters).
// sameItem: both holds have the one folder (its path written in other letter case, say).
FolderStay WhyHeldFolderStays(DWORD sourceError, DWORD destinationError,
                              size_t destinationLength, size_t longestName, bool sameItem);

// Why no folder moves in a run, or kRunMoves, from whether the thread acts as the desktop
// shell's user (CUserRights::Acts) and whether that user is the account Spruce runs as
// (IsShellUserProcessUser). The shell's move and the user folders' lookup go by the process's
// own user; moved as administrator, a folder would go where the user could not move it.
enum RunStay { kRunMoves, kRunWithoutUserRights, kRunForOtherUser };
RunStay WhyNothingMoves(bool actsAsUser, bool shellUserIsProcessUser);

// Tests only: called with both ends held, just before the shell moves the folder, to change
// the destination in between as another program could.
extern void (*g_pfnBeforeShellMove)(const wchar_t* source, const wchar_t* destination);
