// A realistic sample of what Spruce cleans, for the prefix that scripts/run.sh opens Spruce in:
// files in the places the category rows cover, named and sized as on a used Windows machine.
// Large files are sparse, so the sample is made in seconds and takes little disk.
//
// This list names its places apart from the targets on purpose: the sample check in the tests
// cleans the rows and expects every item gone, so a target that moves while its sample item
// stays (or the reverse) shows there.
#pragma once

#include "engine/engine.h"

// In place of a known folder: the root of the drive that holds the Windows folder.
const int kWindowsDriveRoot = -1;

// The row whose items are made where a user kept them and then deleted to the Recycle Bin.
const int kRecycleBinRow = 3;

// The application cache rows (kAppCacheRows) follow the written ones in the list.
const int kFirstAppCacheRow = 18;

struct SampleItem {
  int row;                 // the list row whose clean action removes the item
  int csidl;               // a known folder, or kWindowsDriveRoot
  const wchar_t* subPath;  // begins with a backslash
  ByteCount size;
  bool sparse;  // only its length is set: it takes no disk
};

extern const SampleItem kSampleItems[];
extern const int kSampleItemCount;

// The item's full path in a MAX_PATH buffer; false when its folder cannot be looked up.
bool SampleItemPath(const SampleItem& item, wchar_t* path);

// Writes every item, overwriting what is there. Only in a disposable Wine prefix, and the
// Recycle Bin row only when the bin lies inside that prefix. Each failure is reported on
// standard error; true when every item is in place.
bool MakeSample();
