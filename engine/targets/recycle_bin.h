// Whether a drive's Recycle Bin would keep what is moved into it. A file the Recycle Bin would
// not keep, the shell deletes for good; for the user's own data that must never happen, so a
// drive whose Recycle Bin would not keep all that is chosen there keeps it all.
#pragma once

#include "engine/engine.h"

// What the system says of one drive's Recycle Bin.
struct RecycleBinAnswers {
  bool hasBin;         // a fixed drive whose Recycle Bin the shell can query
  bool deletesAtOnce;  // set (or by policy) to delete files at once rather than keep them
  ByteCount capacity;  // the most it holds
};

enum BinVerdict { kBinKeeps, kBinMissing, kBinDeletesAtOnce, kBinTooSmall };

// The verdict for moving selection bytes into the bin the answers describe. The bin makes room
// by dropping what it held before, but what is larger than the bin it deletes at once.
BinVerdict JudgeRecycleBin(const RecycleBinAnswers& answers, ByteCount selection);

// Asks the system about the Recycle Bin of the drive whose root is volumeRoot ("C:\"), with
// the settings of the user the calling thread acts for. Without a capacity setting the bin
// holds 5 % of the drive, the least Windows gives it.
void AskRecycleBin(const wchar_t* volumeRoot, RecycleBinAnswers* answers);

// Moves paths (each ending in a NUL, the list in a second) into the Recycle Bin with the
// shell, with no window of its own; a file the bin would not keep stays, its flag in keptBack
// (one for each path, in order, false on entry) set. The calling thread is in a COM apartment.
// Where the shell cannot tell file by file (Wine), the shell's own move runs, which warns
// rather than deleting what it cannot keep.
void MoveToRecycleBin(const wchar_t* paths, bool* keptBack);
