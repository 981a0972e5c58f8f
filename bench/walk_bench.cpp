// Times WalkFolder against the std::filesystem code a C++ developer would write for the same
// jobs, on identical trees of 100,000 small files in 2,000 folders: measure mode against
// recursive_directory_iterator summing file_size, delete mode against remove_all.
// "walk_bench trace JOB" instead builds a tree of 5,000 files in 100 folders and runs one job on
// it untimed, for a system call count (scripts/count-syscalls.sh).
#include "allocation_count.h"
#include "devtools/disposable_prefix.h"
#include "engine/engine.h"
#include "engine/places.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const wchar_t kBenchFolder[] = L"C:\\spruce-bench";
const wchar_t kTree[] = L"C:\\spruce-bench\\tree";
const int kFilesPerFolder = 50;

// Folders directly in the tree, and folders in each of them.
struct TreeShape {
  int groups;
  int foldersPerGroup;
  int Folders() const { return groups * (1 + foldersPerGroup); }
  int Files() const { return Folders() * kFilesPerFolder; }
};
const TreeShape kTimedTree = {50, 39};   // 2,000 folders, 100,000 files
const TreeShape kTracedTree = {10, 9};   // 100 folders, 5,000 files
const int kRounds = 2;  // each contender goes first once

double Now() {
  LARGE_INTEGER ticks, frequency;
  QueryPerformanceCounter(&ticks);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(ticks.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// 0 to 4,095 bytes, spread by a fixed rule so that every tree built is the same.
DWORD SizeOfFile(unsigned index) { return (index * 2654435761u) % 4096; }

bool WriteFiles(const wchar_t* folder, unsigned* index, ByteCount* total) {
  static const char bytes[4096] = {};
  wchar_t path[MAX_PATH];
  for (int i = 0; i < kFilesPerFolder; ++i, ++*index) {
    swprintf(path, MAX_PATH, L"%ls\\file-%02d.dat", folder, i);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD size = SizeOfFile(*index), written = 0;
    bool complete = WriteFile(file, bytes, size, &written, nullptr) && written == size;
    CloseHandle(file);
    if (!complete) return false;
    *total += size;
  }
  return true;
}

// Builds the tree where none stands; false when any part of it cannot be written.
bool BuildTree(const TreeShape& shape, ByteCount* total) {
  *total = 0;
  if (!CreateDirectoryW(kTree, nullptr)) return false;
  unsigned index = 0;
  wchar_t group[MAX_PATH], folder[MAX_PATH];
  for (int g = 0; g < shape.groups; ++g) {
    swprintf(group, MAX_PATH, L"%ls\\group-%02d", kTree, g);
    if (!CreateDirectoryW(group, nullptr) || !WriteFiles(group, &index, total)) return false;
    for (int f = 0; f < shape.foldersPerGroup; ++f) {
      swprintf(folder, MAX_PATH, L"%ls\\folder-%02d", group, f);
      if (!CreateDirectoryW(folder, nullptr) || !WriteFiles(folder, &index, total)) return false;
    }
  }
  return true;
}

bool TreeExists() { return GetFileAttributesW(kTree) != INVALID_FILE_ATTRIBUTES; }

// Untimed: clears what an earlier run left, so that every build starts from nothing.
void ClearTree() {
  std::error_code ignored;
  fs::remove_all(kTree, ignored);
}

ByteCount MeasureWithWalker() { return WalkFolder(kTree, TRUE, TRUE); }

void DeleteWithWalker() { WalkFolder(kTree, FALSE, FALSE); }

ByteCount MeasureWithFilesystem() {
  ByteCount total = 0;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kTree))
    if (entry.is_regular_file()) total += entry.file_size();
  return total;
}

void DeleteWithFilesystem() { fs::remove_all(kTree); }

struct Contender {
  const char* name;
  ByteCount (*measure)();
  void (*remove)();
  double bestMeasure;
  double bestDelete;
  long long measureAllocations;  // the most that one run made
  long long deleteAllocations;
};

bool TimeMeasure(Contender& contender, ByteCount expected) {
  long long allocationsBefore = AllocationCount();
  double start = Now();
  ByteCount total = contender.measure();
  double seconds = Now() - start;
  contender.measureAllocations =
      std::max(contender.measureAllocations, AllocationCount() - allocationsBefore);
  contender.bestMeasure = std::min(contender.bestMeasure, seconds);
  printf("  measure %-16s %7.3f s\n", contender.name, seconds);
  if (total == expected) return true;
  printf("FAILED: %s measured %llu bytes, the tree holds %llu\n", contender.name, total,
         expected);
  return false;
}

// Deletes a tree built just before, so that both contenders meet the same fresh tree.
bool TimeDelete(Contender& contender, ByteCount expected) {
  ClearTree();
  ByteCount built;
  double buildStart = Now();
  if (!BuildTree(kTimedTree, &built) || built != expected) {
    printf("FAILED: cannot build the tree again\n");
    return false;
  }
  long long allocationsBefore = AllocationCount();
  double start = Now();
  contender.remove();
  double seconds = Now() - start;
  contender.deleteAllocations =
      std::max(contender.deleteAllocations, AllocationCount() - allocationsBefore);
  contender.bestDelete = std::min(contender.bestDelete, seconds);
  printf("  delete  %-16s %7.3f s (tree built in %.1f s)\n", contender.name, seconds,
         start - buildStart);
  if (!TreeExists()) return true;
  printf("FAILED: %s left the tree in place\n", contender.name);
  return false;
}

void PrintRow(const char* mode, double walker, double filesystem) {
  const int files = kTimedTree.Files();
  printf("%-8s %12.0f %12.3f %16.0f %12.3f %8.2f\n", mode, files / walker, walker,
         files / filesystem, filesystem, filesystem / walker);
}

bool Run() {
  Contender walker = {"WalkFolder", MeasureWithWalker, DeleteWithWalker, 1e300, 1e300, 0, 0};
  Contender filesystem = {"std::filesystem", MeasureWithFilesystem, DeleteWithFilesystem,
                          1e300, 1e300, 0, 0};
  CreateDirectoryW(kBenchFolder, nullptr);
  ClearTree();
  printf("Tree: %d files of 0 to 4,095 bytes in %d folders under %ls, built afresh for every "
         "delete run.\n", kTimedTree.Files(), kTimedTree.Folders(), kTree);
  ByteCount bytes;
  double start = Now();
  if (!BuildTree(kTimedTree, &bytes)) {
    printf("FAILED: cannot build the tree\n");
    return false;
  }
  printf("Built in %.1f s, %llu bytes.\n", Now() - start, bytes);
  printf("Best of %d rounds each, measure and delete. The contenders take turns going first.\n\n",
         kRounds);
  for (int run = 0; run < kRounds; ++run) {
    Contender& first = run % 2 ? filesystem : walker;
    Contender& second = run % 2 ? walker : filesystem;
    if (!TimeMeasure(first, bytes) || !TimeMeasure(second, bytes)) return false;
  }
  for (int run = 0; run < kRounds; ++run) {
    Contender& first = run % 2 ? filesystem : walker;
    Contender& second = run % 2 ? walker : filesystem;
    if (!TimeDelete(first, bytes) || !TimeDelete(second, bytes)) return false;
  }
  printf("%-8s %12s %12s %16s %12s %8s\n", "mode", "WalkFolder", "seconds", "std::filesystem",
         "seconds", "ratio");
  printf("%-8s %12s %12s %16s %12s %8s\n", "", "files/s", "", "files/s", "", "");
  PrintRow("measure", walker.bestMeasure, filesystem.bestMeasure);
  PrintRow("delete", walker.bestDelete, filesystem.bestDelete);
  printf("\nratio: WalkFolder's files/s over std::filesystem's (above 1: WalkFolder is faster).\n");
  printf("Both measured %llu bytes in every run; after every delete run the tree was gone.\n",
         bytes);
  printf("Heap allocations in one run (the most of any run), counted at the program's imports "
         "of malloc, calloc, realloc, HeapAlloc, HeapReAlloc and VirtualAlloc:\n");
  printf("  WalkFolder: measure %lld, delete %lld; std::filesystem: measure %lld, delete %lld\n",
         walker.measureAllocations, walker.deleteAllocations, filesystem.measureAllocations,
         filesystem.deleteAllocations);
  return true;
}

void DeleteWithWalkerCarefully() {
  g_bDeleteAtCloseUnderWine = false;
  DeleteWithWalker();
  g_bDeleteAtCloseUnderWine = true;
}

// The jobs traced: a measuring walk, the baseline that counts are taken less; the walk's
// deletes, as on Windows and in Wine's careful way; remove_all.
struct TracedJob {
  const char* name;
  void (*run)();
  bool deletes;
};
void MeasureTracedTree() { MeasureWithWalker(); }
const TracedJob kTracedJobs[] = {
    {"walk-measure", MeasureTracedTree, false},
    {"walk-delete", DeleteWithWalker, true},
    {"walk-delete-careful", DeleteWithWalkerCarefully, true},
    {"remove-all", DeleteWithFilesystem, true},
};

// Builds the traced tree, then runs the job named on it.
int Trace(const char* name) {
  const TracedJob* job = nullptr;
  for (const TracedJob& known : kTracedJobs)
    if (strcmp(known.name, name) == 0) job = &known;
  if (!job) return 2;
  CreateDirectoryW(kBenchFolder, nullptr);
  ClearTree();
  ByteCount bytes;
  if (!BuildTree(kTracedTree, &bytes)) {
    printf("FAILED: cannot build the tree\n");
    return 1;
  }
  // Two lookups of names that are never there mark the job in the trace.
  GetFileAttributesW(L"C:\\spruce-bench\\trace-begin.marker");
  const long long allocationsBefore = AllocationCount();
  const double start = Now();
  job->run();
  const double seconds = Now() - start;
  const long long allocations = AllocationCount() - allocationsBefore;
  GetFileAttributesW(L"C:\\spruce-bench\\trace-end.marker");
  const bool deleted = !TreeExists();
  ClearTree();
  printf("%s: %d files in %d folders, %s, %.3f s, %lld allocations\n", name,
         kTracedTree.Files(), kTracedTree.Folders(), deleted ? "deleted" : "kept", seconds,
         allocations);
  return deleted == job->deletes ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (!InDisposableWinePrefix()) {
    fprintf(stderr, "This benchmark creates and deletes 100,000 files: it runs only in Spruce's "
                    "disposable Wine prefix (scripts/bench.sh makes one).\n");
    return 1;
  }
  setvbuf(stdout, nullptr, _IONBF, 0);  // each run's line shows as it ends
  StartCountingAllocations();
  // Files go as they go on Windows, in one open with delete-on-close each (under Wine the walk
  // takes its careful way otherwise; "trace walk-delete-careful" counts that one).
  g_bDeleteAtCloseUnderWine = true;
  try {
    if (argc == 3 && strcmp(argv[1], "trace") == 0) return Trace(argv[2]);
    return Run() ? 0 : 1;
  } catch (const fs::filesystem_error& error) {
    printf("FAILED: %s\n", error.what());
    return 1;
  }
}
