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
