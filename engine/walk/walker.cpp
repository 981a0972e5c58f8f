// The recursive walk that measures or deletes everything inside a folder.
#include "engine/walk/caller_thread.h"
#include "engine/engine.h"
#include "engine/places/paths.h"

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

// Copies the root of a walkable folder ("X:\\" or "\\\\server\\share\\") into root and
// returns the rest of the text, the names below the root.
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
  wmemcpy(root, folder, length);
  root[length] = L'\0';
  return below;
}

// Each level of the walk lists its folder through a buffer of its own, kept from the first
// folder at that depth to the end of the walk. Every level adds at least two characters to the
// path, so the path limit bounds the depth.
class CListingBuffers {
 public:
  BYTE* AtDepth(int depth) { return depth < kMaxDepth ? m_levels[depth].Get() : nullptr; }

 private:
  static const int kMaxDepth = MAX_PATH / 2 + 1;
  CListingBuffer m_levels[kMaxDepth];
};

class CSharedSubfolders;

struct FolderWalk {
  CListingBuffers* buffers;
  int depth;
  size_t pathLength;  // of the folder's path text, which is never built
  BOOL measureOnly;
  ByteCount total;
  CSharedSubfolders* shared;  // at the top of the walk: where its subfolders go
};

ByteCount WalkContents(HANDLE folder, size_t pathLength, BOOL measureOnly,
                       CListingBuffers& buffers, int depth, CSharedSubfolders* shared);

// Walks an opened subfolder, removes it in delete mode once emptied, and closes it.
ByteCount WalkSubfolder(HANDLE folder, size_t pathLength, BOOL measureOnly,
                        CListingBuffers& buffers, int depth) {
  ByteCount total = WalkContents(folder, pathLength, measureOnly, buffers, depth, nullptr);
  if (!measureOnly) DeleteOpenItem(folder);  // only an emptied folder goes
  CloseHandle(folder);
  return total;
}

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
  bool Add(HANDLE folder, size_t pathLength) {
    if (!m_bWorkerTried) {
      m_bWorkerTried = true;
      for (CCallerThread& worker : m_workers)
        if (worker.Start(WorkerWalk, this)) m_bWorkerStarted = true;
    }
    if (!m_bWorkerStarted) return false;
    EnterCriticalSection(&m_lock);
    const bool queued = m_nQueued < kSlots;
    if (queued) m_queue[m_nQueued++] = {folder, pathLength};
    LeaveCriticalSection(&m_lock);
    if (queued) WakeConditionVariable(&m_cvQueued);
    return queued;
  }

  // Once the listing is done: walks what is left, side by side with the workers, waits for
  // them and gives the total of every folder queued.
  ByteCount Finish(CListingBuffers& buffers) {
    EnterCriticalSection(&m_lock);
    m_bListed = true;
    LeaveCriticalSection(&m_lock);
    WakeAllConditionVariable(&m_cvQueued);
    ByteCount total = WalkQueued(buffers);
    for (CCallerThread& worker : m_workers) worker.Join();
    return total + m_nWorkerTotal;
  }

 private:
  struct Queued {
    HANDLE folder;
    size_t pathLength;
  };
  static const int kSlots = 64;
  static const int kWorkers = 3;

  static void WorkerWalk(void* self) {
    CSharedSubfolders& shared = *static_cast<CSharedSubfolders*>(self);
    CListingBuffers buffers;
    const ByteCount total = shared.WalkQueued(buffers);
    EnterCriticalSection(&shared.m_lock);
    shared.m_nWorkerTotal += total;
    LeaveCriticalSection(&shared.m_lock);
  }

  // Walks queued folders until the listing is done and none is left.
  ByteCount WalkQueued(CListingBuffers& buffers) {
    ByteCount total = 0;
    for (;;) {
      EnterCriticalSection(&m_lock);
      while (m_nQueued == 0 && !m_bListed)
        SleepConditionVariableCS(&m_cvQueued, &m_lock, INFINITE);
      const bool taken = m_nQueued > 0;
      Queued next = {};
      if (taken) next = m_queue[--m_nQueued];
      LeaveCriticalSection(&m_lock);
      if (!taken) return total;
      total += WalkSubfolder(next.folder, next.pathLength, m_bMeasureOnly, buffers, 1);
    }
  }

  const BOOL m_bMeasureOnly;
  CRITICAL_SECTION m_lock;
  CONDITION_VARIABLE m_cvQueued;
  Queued m_queue[kSlots];
  int m_nQueued;
  bool m_bListed;
  bool m_bWorkerTried;
  bool m_bWorkerStarted;
  ByteCount m_nWorkerTotal;  // read once the workers have ended
  CCallerThread m_workers[kWorkers];
};

void VisitWalkedItem(HANDLE parent, const ListedItem& item, void* context) {
  FolderWalk& walk = *static_cast<FolderWalk*>(context);
  // Links, junctions and mount points lead outside the walk: never follow or remove them.
  if (IsListedLink(item)) return;
  const size_t childLength = walk.pathLength + 1 + ListedNameLength(item);
  if (childLength >= MAX_PATH) return;  // too long to name safely
  if (!IsListedFolder(item)) {
    if (walk.measureOnly)
      walk.total += static_cast<ByteCount>(item.EndOfFile.QuadPart);
    else
      DeleteListedFile(parent, item);
    return;
  }
  HANDLE child = nullptr;
  if (!walk.measureOnly) child = OpenListedItem(parent, item, DELETE);
  // A folder that may be emptied but not removed is emptied all the same.
  if (!child) child = OpenListedItem(parent, item, 0);
  if (!child) return;
  if (walk.shared && walk.shared->Add(child, childLength)) return;
  walk.total += WalkSubfolder(child, childLength, walk.measureOnly, *walk.buffers, walk.depth + 1);
}

// Depth first below the top: a subfolder is walked completely, and in delete mode removed,
// before the listing of its parent goes on. At the top, with shared, the subfolders are walked
// by two threads while the listing goes on.
ByteCount WalkContents(HANDLE folder, size_t pathLength, BOOL measureOnly,
                       CListingBuffers& buffers, int depth, CSharedSubfolders* shared) {
  // A folder is listed only where its listing pattern "folder\*" would fit in a path buffer.
  if (pathLength + 2 >= MAX_PATH) return 0;
  BYTE* buffer = buffers.AtDepth(depth);
  if (!buffer) return 0;
  FolderWalk walk = {&buffers, depth, pathLength, measureOnly, 0, shared};
  ListFolder(folder, nullptr, buffer, VisitWalkedItem, &walk);
  return walk.total;
}

}  // namespace

ByteCount WalkOpenFolder(HANDLE folder, size_t pathLength, BOOL measureOnly) {
  CListingBuffers buffers;
  CSharedSubfolders shared(measureOnly);
  ByteCount total = WalkContents(folder, pathLength, measureOnly, buffers, 0, &shared);
  return total + shared.Finish(buffers);
}

ByteCount WalkBelow(HANDLE start, size_t startLength, const wchar_t* subPath,
                    BOOL measureOnly) {
  HANDLE folder = OpenBelow(start, subPath, kFolderItem, 0);
  if (!folder) return 0;
  ByteCount total = WalkOpenFolder(folder, startLength + wcslen(subPath), measureOnly);
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
  ByteCount total = WalkOpenFolder(walked, wcslen(folder), measureOnly);
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
