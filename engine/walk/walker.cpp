// The walk that measures or deletes everything inside a folder, at any depth.
#include "engine/engine.h"
#include "engine/walk/caller_thread.h"
#include "engine/walk/walk.h"

#include <stdio.h>
#include <string.h>

namespace {

bool IsDotOrDotDot(const wchar_t* name) {
  return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A name Windows keeps as it stands: not empty, no wildcard, stream or reserved character,
// and not made of dots and blanks only.
bool IsPlainName(const wchar_t* name, const wchar_t* end) {
  bool dotsAndBlanks = true;
  for (const wchar_t* c = name; c < end; ++c) {
    if (*c < L' ' || wcschr(L"*?<>\":|", *c)) return false;
    if (*c != L'.' && *c != L' ') dotsAndBlanks = false;
  }
  return !dotsAndBlanks;
}

}  // namespace

bool IsWalkableFolder(const wchar_t* folder) {
  if (!folder) return false;
  int rootNames;  // leading names that only name the root: none on a drive, two on a share
  if (IsDriveLetter(folder[0]) && folder[1] == L':' && IsSeparator(folder[2])) {
    folder += 3;
    rootNames = 0;
  } else if (IsSeparator(folder[0]) && IsSeparator(folder[1])) {
    folder += 2;
    rootNames = 2;
  } else {
    return false;
  }
  int names = 0;
  for (;;) {
    const wchar_t* end = folder;
    while (*end && !IsSeparator(*end)) ++end;
    if (!IsPlainName(folder, end)) return false;
    ++names;
    if (!*end) return names > rootNames;
    folder = end + 1;
  }
}

namespace {

// Copies the root of a walkable folder ("X:\\" or "\\\\server\\share\\") into root (MAX_PATH
// units) and returns the rest of the text, the names below the root; null for a root too long
// for the buffer.
const wchar_t* RootOf(const wchar_t* folder, wchar_t* root) {
  const wchar_t* below = folder + 3;
  if (!IsDriveLetter(folder[0])) {
    below = folder + 2;
    for (int names = 0; names < 2; ++names) {
      while (!IsSeparator(*below)) ++below;
      ++below;
    }
  }
  size_t length = below - folder;
  if (length >= MAX_PATH) return nullptr;
  wmemcpy(root, folder, length);
  root[length] = L'\0';
  return below;
}

// A path names at most 32,767 characters, and each level of a tree adds two at least: no
// tree that Windows lets be made by path is deeper. Deeper folders are passed over.
const int kMaxWalkDepth = 32767 / 2;

// The walk's levels, one for each depth it reached: where the listing of the folder open
// there stands, followed by the buffer it goes through, kept from the first folder at that
// depth to the end of the walk. The walk keeps them instead of its thread's stack, which a deep
// tree would exhaust. The first kOwnBlockDepths levels have a block of kListingBufferSize
// bytes each, where a large folder is listed in few calls; deeper ones share blocks,
// kLevelsPerBlock of them, so that a tree of thousands of levels takes megabytes, not
// gigabytes.
class CWalkLevels {
 public:
  // The level at depth (0 for the walked folder) listing folder anew; null past the deepest
  // level or where there is no memory.
  FolderListing* Enter(int depth, HANDLE folder) {
    BYTE* block = BlockAt(depth);
    if (!block) return nullptr;
    FolderListing* level = reinterpret_cast<FolderListing*>(block);
    StartListing(level, folder, nullptr, block + kHeader, BlockSize(depth) - kHeader);
    return level;
  }

  // A level entered before, whose listing goes on.
  FolderListing* At(int depth) { return reinterpret_cast<FolderListing*>(BlockAt(depth)); }

 private:
  static const int kOwnBlockDepths = 16;
  static const int kLevelsPerBlock = 16;
  static const ULONG kHeader = (sizeof(FolderListing) + 7) & ~7u;  // the buffer 8-byte aligned
  static const int kBlocks =
      kOwnBlockDepths + (kMaxWalkDepth - kOwnBlockDepths) / kLevelsPerBlock + 1;

  static ULONG BlockSize(int depth) {
    return depth < kOwnBlockDepths ? kListingBufferSize : kListingBufferSize / kLevelsPerBlock;
  }

  BYTE* BlockAt(int depth) {
    if (depth < kOwnBlockDepths) return m_blocks[depth].Get();
    if (depth > kMaxWalkDepth) return nullptr;
    const int shared = depth - kOwnBlockDepths;
    BYTE* block = m_blocks[kOwnBlockDepths + shared / kLevelsPerBlock].Get();
    return block ? block + (shared % kLevelsPerBlock) * BlockSize(depth) : nullptr;
  }

  CListingBuffer m_blocks[kBlocks];
};

// Opens a listed subfolder to be walked: in delete mode to be removed too once emptied, where
// it may be; a folder that may be emptied but not removed is emptied all the same.
HANDLE OpenSubfolder(HANDLE parent, const ListedItem& item, BOOL measureOnly) {
  HANDLE child = nullptr;
  if (!measureOnly) child = OpenListedItem(parent, item, DELETE);
  if (!child) child = OpenListedItem(parent, item, 0);
  return child;
}

// Removes a walked subfolder in delete mode, only where it was emptied, and closes it.
void LeaveSubfolder(HANDLE folder, BOOL measureOnly) {
  if (!measureOnly) DeleteOpenItem(folder);
  CloseHandle(folder);
}

class CSharedSubfolders;

// Walks what folder holds, the folder itself staying open, at level top of levels, depth
// first: a subfolder is walked completely, and in delete mode removed, before the listing of
// its parent goes on. At the top of the whole walk (shared), its subfolders go to the walk's
// threads instead, where one is free. Links, junctions and mount points lead outside the walk:
// they are never followed or removed.
ByteCount WalkTree(HANDLE folder, BOOL measureOnly, CWalkLevels& levels, int top,
                   CSharedSubfolders* shared);

// The subfolders of a walked folder, shared between the calling thread and its workers: the
// listing opens each and queues it, and whichever thread is free walks it. Most of the time of
// a walk goes into waiting for each file's calls; several threads wait side by side.
class CSharedSubfolders {
 public:
  explicit CSharedSubfolders(BOOL measureOnly)
      : m_bMeasureOnly(measureOnly), m_nQueued(0), m_bListed(false), m_bWorkerTried(false),
        m_bWorkerStarted(false), m_nWorkerTotal(0) {
    InitializeCriticalSection(&m_lock);
    InitializeConditionVariable(&m_cvQueued);
  }
  ~CSharedSubfolders() { DeleteCriticalSection(&m_lock); }
  CSharedSubfolders(const CSharedSubfolders&) = delete;
  CSharedSubfolders& operator=(const CSharedSubfolders&) = delete;

  // Queues an opened subfolder, starting the workers at the first one; false when there is no
  // worker or no free slot: the caller then walks the folder itself.
  bool Add(HANDLE folder) {
    if (!m_bWorkerTried) {
      m_bWorkerTried = true;
      for (CCallerThread& worker : m_workers)
        if (worker.Start(WorkerWalk, this)) m_bWorkerStarted = true;
    }
    if (!m_bWorkerStarted) return false;
    EnterCriticalSection(&m_lock);
    const bool queued = m_nQueued < kSlots;
    if (queued) m_queue[m_nQueued++] = folder;
    LeaveCriticalSection(&m_lock);
    if (queued) WakeConditionVariable(&m_cvQueued);
    return queued;
  }

  // Once the listing is done: walks what is left, side by side with the workers, waits for
  // them and gives the total of every folder queued.
  ByteCount Finish(CWalkLevels& levels) {
    EnterCriticalSection(&m_lock);
    m_bListed = true;
    LeaveCriticalSection(&m_lock);
    WakeAllConditionVariable(&m_cvQueued);
    ByteCount total = WalkQueued(levels);
    for (CCallerThread& worker : m_workers) worker.Join();
    return total + m_nWorkerTotal;
  }

 private:
  static const int kSlots = 64;
  static const int kWorkers = 3;

  static void WorkerWalk(void* self) {
    CSharedSubfolders& shared = *static_cast<CSharedSubfolders*>(self);
    CWalkLevels levels;
    const ByteCount total = shared.WalkQueued(levels);
    EnterCriticalSection(&shared.m_lock);
    shared.m_nWorkerTotal += total;
    LeaveCriticalSection(&shared.m_lock);
  }

  // Walks queued folders until the listing is done and none is left.
  ByteCount WalkQueued(CWalkLevels& levels) {
    ByteCount total = 0;
    for (;;) {
      EnterCriticalSection(&m_lock);
      while (m_nQueued == 0 && !m_bListed)
        SleepConditionVariableCS(&m_cvQueued, &m_lock, INFINITE);
      const bool taken = m_nQueued > 0;
      HANDLE next = taken ? m_queue[--m_nQueued] : nullptr;
      LeaveCriticalSection(&m_lock);
      if (!taken) return total;
      total += WalkTree(next, m_bMeasureOnly, levels, 1, nullptr);
      LeaveSubfolder(next, m_bMeasureOnly);
    }
  }

  const BOOL m_bMeasureOnly;
  CRITICAL_SECTION m_lock;
  CONDITION_VARIABLE m_cvQueued;
  HANDLE m_queue[kSlots];
  int m_nQueued;
  bool m_bListed;
  bool m_bWorkerTried;
  bool m_bWorkerStarted;
  ByteCount m_nWorkerTotal;  // read once the workers have ended
  CCallerThread m_workers[kWorkers];
};

ByteCount WalkTree(HANDLE folder, BOOL measureOnly, CWalkLevels& levels, int top,
                   CSharedSubfolders* shared) {
  FolderListing* level = levels.Enter(top, folder);
  if (!level) return 0;
  int depth = top;
  ByteCount total = 0;
  for (;;) {
    const ListedItem* item = NextListed(level);
    if (!item) {  // this folder is done: back to its parent's listing
      if (depth == top) return total;
      LeaveSubfolder(level->folder, measureOnly);
      level = levels.At(--depth);
      continue;
    }
    if (IsListedLink(*item)) continue;
    if (!IsListedFolder(*item)) {
      if (measureOnly)
        total += static_cast<ByteCount>(item->EndOfFile.QuadPart);
      else
        DeleteListedFile(level->folder, *item);
      continue;
    }
    HANDLE child = OpenSubfolder(level->folder, *item, measureOnly);
    if (!child) continue;
    if (depth == top && shared && shared->Add(child)) continue;
    FolderListing* below = levels.Enter(depth + 1, child);
    if (!below) {
      CloseHandle(child);  // too deep, or no memory: it stays as it is
      continue;
    }
    level = below;
    ++depth;
  }
}

}  // namespace

ByteCount WalkOpenFolder(HANDLE folder, BOOL measureOnly) {
  CWalkLevels levels;
  CSharedSubfolders shared(measureOnly);
  ByteCount total = WalkTree(folder, measureOnly, levels, 0, &shared);
  return total + shared.Finish(levels);
}

ByteCount WalkBelow(HANDLE start, const wchar_t* subPath, BOOL measureOnly) {
  HANDLE folder = OpenBelow(start, subPath, kFolderItem, 0);
  if (!folder) return 0;
  ByteCount total = WalkOpenFolder(folder, measureOnly);
  CloseHandle(folder);
  return total;
}

HANDLE OpenBelowRoot(const wchar_t* path, ItemKind kind, ACCESS_MASK extraAccess) {
  // A text that names no folder below a root would reach far more than the caller meant: the
  // empty one lists the current drive's root.
  if (!IsWalkableFolder(path)) return nullptr;
  // Only the root is taken as Windows resolves it; below it no part may be a link.
  wchar_t root[MAX_PATH];
  const wchar_t* below = RootOf(path, root);
  if (!below) return nullptr;
  HANDLE start = OpenTrustedFolder(root, 0);
  if (!start) return nullptr;
  HANDLE item = OpenBelow(start, below, kind, extraAccess);
  CloseHandle(start);
  return item;
}

ByteCount WalkFolder(const wchar_t* folder, BOOL keepFolder, BOOL measureOnly) {
  const bool removeFolder = !measureOnly && !keepFolder;
  HANDLE walked = nullptr;
  if (removeFolder) walked = OpenBelowRoot(folder, kFolderItem, DELETE);
  if (!walked) walked = OpenBelowRoot(folder, kFolderItem, 0);
  if (!walked) return 0;
  ByteCount total = WalkOpenFolder(walked, measureOnly);
  if (removeFolder) DeleteOpenItem(walked);
  CloseHandle(walked);
  return total;
}

int GetFileSizeOf(const wchar_t* path, LARGE_INTEGER* size) {
  HANDLE file = CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    printf("CreateFile failed with %d\n", static_cast<int>(GetLastError()));
    return 2;
  }
  BOOL sized = GetFileSizeEx(file, size);
  CloseHandle(file);
  return sized ? 0 : -1;
}

int GetMatchingFilesSize(const wchar_t* pattern, ByteCount* total) {
  WIN32_FIND_DATAW entry;
  HANDLE listing = FindFirstFileW(pattern, &entry);
  if (listing == INVALID_HANDLE_VALUE) return -1;
  do {
    if (IsDotOrDotDot(entry.cFileName)) continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    *total += FullSize(entry);
  } while (FindNextFileW(listing, &entry));
  FindClose(listing);
  return 0;
}
