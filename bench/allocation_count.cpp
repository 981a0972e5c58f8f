#include "allocation_count.h"

#include <string.h>
#include <windows.h>

namespace {

long long g_allocations = 0;

void* (*g_malloc)(size_t);
void* (*g_calloc)(size_t, size_t);
void* (*g_realloc)(void*, size_t);
LPVOID(WINAPI* g_heapAlloc)(HANDLE, DWORD, SIZE_T);
LPVOID(WINAPI* g_heapReAlloc)(HANDLE, DWORD, LPVOID, SIZE_T);
LPVOID(WINAPI* g_virtualAlloc)(LPVOID, SIZE_T, DWORD, DWORD);

void* CountedMalloc(size_t size) {
  ++g_allocations;
  return g_malloc(size);
}

void* CountedCalloc(size_t count, size_t size) {
  ++g_allocations;
  return g_calloc(count, size);
}

void* CountedRealloc(void* block, size_t size) {
  ++g_allocations;
  return g_realloc(block, size);
}

LPVOID WINAPI CountedHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
  ++g_allocations;
  return g_heapAlloc(heap, flags, size);
}

LPVOID WINAPI CountedHeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T size) {
  ++g_allocations;
  return g_heapReAlloc(heap, flags, block, size);
}

LPVOID WINAPI CountedVirtualAlloc(LPVOID address, SIZE_T size, DWORD type, DWORD protection) {
  ++g_allocations;
  return g_virtualAlloc(address, size, type, protection);
}

struct ImportHook {
  const char* name;
  void* counted;
  void** original;
};

// Every call the program makes into a DLL goes through its slot in the import table, whether
// the compiler called through the slot directly or through a jump stub: swapping the slot
// catches them all.
void HookImport(const ImportHook& hook, IMAGE_THUNK_DATA* slot) {
  *hook.original = reinterpret_cast<void*>(slot->u1.Function);
  DWORD protection;
  VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
  slot->u1.Function = reinterpret_cast<ULONG_PTR>(hook.counted);
  VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
}

}  // namespace

void StartCountingAllocations() {
  // Through void*: the function pointer types differ from the slots' integer type.
  const ImportHook hooks[] = {
      {"malloc", reinterpret_cast<void*>(&CountedMalloc), reinterpret_cast<void**>(&g_malloc)},
      {"calloc", reinterpret_cast<void*>(&CountedCalloc), reinterpret_cast<void**>(&g_calloc)},
      {"realloc", reinterpret_cast<void*>(&CountedRealloc), reinterpret_cast<void**>(&g_realloc)},
      {"HeapAlloc", reinterpret_cast<void*>(&CountedHeapAlloc),
       reinterpret_cast<void**>(&g_heapAlloc)},
      {"HeapReAlloc", reinterpret_cast<void*>(&CountedHeapReAlloc),
       reinterpret_cast<void**>(&g_heapReAlloc)},
      {"VirtualAlloc", reinterpret_cast<void*>(&CountedVirtualAlloc),
       reinterpret_cast<void**>(&g_virtualAlloc)},
  };
  BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       dll->Name; ++dll) {
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const char* name =
          reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
      for (const ImportHook& hook : hooks)
        if (strcmp(name, hook.name) == 0) HookImport(hook, slots);
    }
  }
}

long long AllocationCount() { return g_allocations; }
