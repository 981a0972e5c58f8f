// Counts the heap allocations made by this program's own code: the benchmark, the engine and
// the statically linked C++ runtime. Wine's own DLLs allocate on their own and are not seen.
#pragma once

// Routes malloc, calloc, realloc, HeapAlloc, HeapReAlloc and VirtualAlloc of the program's import table
// through counters. operator new is counted too: the C++ runtime takes its memory from malloc.
// Call once, before the allocations of interest.
void StartCountingAllocations();

// Allocations counted so far.
long long AllocationCount();
