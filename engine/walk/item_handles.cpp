// Opening, listing and deleting through handles, with the native calls that take a parent
// handle and an exact name (the Win32 calls only take whole path texts).
#include "engine/walk/item_handles.h"

#include <winternl.h>

#include <atomic>

extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc,
                                               PVOID apcContext, PIO_STATUS_BLOCK status,
                                               PVOID buffer, ULONG length,
                                               FILE_INFORMATION_CLASS infoClass,
                                               BOOLEAN singleEntry, PUNICODE_STRING mask,
                                               BOOLEAN restartScan);

void (*g_pfnBeforeOpenListed)(HANDLE parent, const wchar_t* name, size_t length) = nullptr;
bool g_bDeleteAtCloseUnderWine = false;

namespace {

const FILE_INFORMATION_CLASS kIdBothDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(37);
const FILE_INFORMATION_CLASS kDispositionInformation = static_cast<FILE_INFORMATION_CLASS>(13);
const FILE_INFORMATION_CLASS kDispositionInformationEx = static_cast<FILE_INFORMATION_CLASS>(64);
const ULONG kDispositionDelete = 0x1;
const ULONG kDispositionPosixSemantics = 0x2;  // the name goes at once, not at the last close
const ULONG kDispositionIgnoreReadOnly = 0x10;  // Windows 10 1809 and later

const NTSTATUS kStatusNotImplemented = static_cast<NTSTATUS>(0xC0000002);
const NTSTATUS kStatusInvalidInfoClass = static_cast<NTSTATUS>(0xC0000003);
const NTSTATUS kStatusOplockBreakInProgress = static_cast<NTSTATUS>(0x00000108);
const NTSTATUS kStatusInvalidParameter = static_cast<NTSTATUS>(0xC000000D);
const NTSTATUS kStatusCannotDelete = static_cast<NTSTATUS>(0xC0000121);
const ULONG kDispositionOnClose = 0x8;  // sets or, without kDispositionDelete, clears delete-on-close

// "The create operation stopped after reaching a symbolic link" (winerror.h lacks it here).
const DWORD kErrorStoppedOnLink = 681;

const ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Without delete sharing, nobody can delete or rename the item while the handle is open.
const ULONG kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
const ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE;

struct InternalInformation {
  LARGE_INTEGER indexNumber;
};

void SetText(UNICODE_STRING* text, const wchar_t* name, size_t length) {
  text->Buffer = const_cast<PWSTR>(name);
  text->Length = text->MaximumLength = static_cast<USHORT>(length * sizeof(wchar_t));
}

HANDLE OpenRelative(HANDLE parent, const wchar_t* name, size_t length, ItemKind kind,
                    ACCESS_MASK extraAccess, ULONG disposition = FILE_OPEN,
                    ULONG share = kShareAll) {
  UNICODE_STRING text;
  SetText(&text, name, length);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, parent, nullptr);
  ACCESS_MASK access = extraAccess | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
  // Another program's opportunistic lock on the item never holds the open up.
  ULONG options =
      FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT | FILE_COMPLETE_IF_OPLOCKED;
  if (kind == kFolderItem) {
    access |= kFolderAccess;
    options |= FILE_DIRECTORY_FILE;
  } else {
    options |= FILE_NON_DIRECTORY_FILE;
  }
  IO_STATUS_BLOCK status;
  HANDLE item = nullptr;
  NTSTATUS result = NtCreateFile(&item, access, &attributes, &status, nullptr,
                                 FILE_ATTRIBUTE_NORMAL, share, disposition, options, nullptr, 0);
  if (IsOpenForUse(result)) return item;
  if (NT_SUCCESS(result)) {
    CloseHandle(item);
    SetLastError(ERROR_SHARING_VIOLATION);
  } else {
    SetLastError(RtlNtStatusToDosError(result));
  }
  return nullptr;
}

// Opens the file name in parent for deleting only, with delete-on-close: the close deletes it.
// The handle goes to file; the result is the system's answer.
NTSTATUS OpenToDeleteAtClose(HANDLE parent, const wchar_t* name, size_t length, HANDLE* file) {
  UNICODE_STRING text;
  SetText(&text, name, length);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, parent, nullptr);
  IO_STATUS_BLOCK status;
  *file = nullptr;
  return NtCreateFile(file, DELETE, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL,
                      kShareAll, FILE_OPEN,
                      FILE_OPEN_REPARSE_POINT | FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE |
                          FILE_COMPLETE_IF_OPLOCKED,
                      nullptr, 0);
}

// What the opened handle shows: no link, the kind expected, and where the listing gave an id,
// that same item. The id catches a swap where the system opened the link's target after all.
// The item's attributes go to attributesFound where one is given.
bool IsItemListed(HANDLE item, ItemKind kind, LONGLONG listedId,
                  DWORD* attributesFound = nullptr) {
  IO_STATUS_BLOCK status;
  FILE_ATTRIBUTE_TAG_INFO tag;
  if (!NT_SUCCESS(NtQueryInformationFile(item, &status, &tag, sizeof tag,
                                         FileAttributeTagInformation)))
    return false;
  if (attributesFound) *attributesFound = tag.FileAttributes;
  if (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return false;
  if (((tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != (kind == kFolderItem))
    return false;
  if (listedId == 0) return true;  // file systems without ids give none
  InternalInformation internal;
  return NT_SUCCESS(NtQueryInformationFile(item, &status, &internal, sizeof internal,
                                           FileInternalInformation)) &&
         internal.indexNumber.QuadPart == listedId;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool SameLetter(wchar_t a, wchar_t b) {
  return a == b || CompareStringOrdinal(&a, 1, &b, 1, TRUE) == CSTR_EQUAL;
}

// FileDispositionInformationEx is unknown to Windows before 10 and to Wine: once refused as
// such, it is not asked for again in this process, rather than once for every file.
std::atomic<bool> g_dispositionExUnknown(false);

NTSTATUS SetDispositionEx(HANDLE item, ULONG flags) {
  if (g_dispositionExUnknown.load(std::memory_order_relaxed)) return kStatusInvalidInfoClass;
  IO_STATUS_BLOCK status;
  NTSTATUS result =
      NtSetInformationFile(item, &status, &flags, sizeof flags, kDispositionInformationEx);
  if (result == kStatusInvalidInfoClass || result == kStatusNotImplemented)
    g_dispositionExUnknown.store(true, std::memory_order_relaxed);
  return result;
}

// Takes back the delete that the close of a file opened with delete-on-close would make. Before
// Windows 10 1809 the system may keep it all the same.
void WithdrawDeleteAtClose(HANDLE file) {
  if (NT_SUCCESS(SetDispositionEx(file, kDispositionOnClose))) return;
  IO_STATUS_BLOCK status;
  BOOLEAN remove = FALSE;
  NtSetInformationFile(file, &status, &remove, sizeof remove, kDispositionInformation);
}

// Whether this is Windows rather than Wine, asked once, at load.
const bool g_bOnWindows = !GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version");

// Whether writable files go in one open with delete-on-close. On Windows that open
// (FILE_OPEN_REPARSE_POINT) gives a link itself. Wine's gives a Linux symbolic link's target,
// and the close then removes the target's name, past withdrawing: there every file takes the
// careful way, whose check catches a swap before the delete.
bool DeletesAtClose() { return g_bOnWindows || g_bDeleteAtCloseUnderWine; }

// The number of names the opened file has; 0 when the system does not say.
ULONG NumberOfNames(HANDLE file) {
  FILE_STANDARD_INFO standard;
  return GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard)
             ? standard.NumberOfLinks
             : 0;
}

void ClearReadOnly(HANDLE file) {
  FILE_BASIC_INFO basic = {};  // times of 0 stay as they are
  basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
}

// Deletes a read-only file opened with DELETE and FILE_WRITE_ATTRIBUTES access.
void DeleteReadOnlyFile(HANDLE file) {
  const NTSTATUS asItStands = SetDispositionEx(
      file, kDispositionDelete | kDispositionPosixSemantics | kDispositionIgnoreReadOnly);
  if (!MayClearReadOnly(asItStands, NT_SUCCESS(asItStands) ? 0 : NumberOfNames(file))) return;
  ClearReadOnly(file);
  DeleteOpenItem(file);
}

// Finds the entry named exactly name (ignoring case, as Windows does) in a folder not listed
// before. The lookup goes through the listing, which shows a link as a link even where opening
// it would not.
bool LookUpListed(HANDLE folder, const wchar_t* name, size_t length, BYTE* buffer) {
  UNICODE_STRING mask;
  SetText(&mask, name, length);
  IO_STATUS_BLOCK status;
  BOOLEAN restart = TRUE;
  while (NT_SUCCESS(NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &status, buffer,
                                         kOneEntrySize, kIdBothDirectoryInformation, TRUE,
                                         &mask, restart))) {
    restart = FALSE;
    const ListedItem& item = *reinterpret_cast<const ListedItem*>(buffer);
    // A short 8.3 name can match too; only the name itself counts.
    if (CompareStringOrdinal(item.FileName, static_cast<int>(ListedNameLength(item)), name,
                             static_cast<int>(length), TRUE) == CSTR_EQUAL)
      return true;
  }
  return false;
}

}  // namespace

CListingBuffer::~CListingBuffer() {
  if (m_pbData) VirtualFree(m_pbData, 0, MEM_RELEASE);
}

BYTE* CListingBuffer::Get() {
  if (!m_pbData)
    m_pbData = static_cast<BYTE*>(
        VirtualAlloc(nullptr, kListingBufferSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  return m_pbData;
}

bool IsOpenForUse(LONG result) {
  return NT_SUCCESS(result) && result != kStatusOplockBreakInProgress;
}

bool MayClearReadOnly(LONG deleteAsItStands, ULONG numberOfNames) {
  // Before Windows 10 the way is unknown, before 1809 its flag.
  const bool wayUnknown = deleteAsItStands == kStatusInvalidInfoClass ||
                          deleteAsItStands == kStatusNotImplemented ||
                          deleteAsItStands == kStatusInvalidParameter;
  return wayUnknown && numberOfNames == 1;
}

FastDeleteStep FastDeleteStepFor(LONG result) {
  if (result == kStatusOplockBreakInProgress) return kWithdrawToClose;
  if (NT_SUCCESS(result)) return kCloseToDelete;
  return result == kStatusCannotDelete ? kDeleteCarefully : kLeaveAsIs;
}

bool NameMatchesMask(const wchar_t* name, size_t length, const wchar_t* mask) {
  const wchar_t* star = nullptr;  // the last * met in mask
  size_t starEnd = 0;             // where in name the part that star takes ends so far
  size_t at = 0;
  while (at < length) {
    if (*mask == L'*') {
      star = mask++;
      starEnd = at;
    } else if (*mask && (*mask == L'?' || SameLetter(*mask, name[at]))) {
      ++mask;
      ++at;
    } else if (star) {  // the star takes one more character
      mask = star + 1;
      at = ++starEnd;
    } else {
      return false;
    }
  }
  while (*mask == L'*') ++mask;
  return *mask == L'\0';
}

bool IsDotOrDotDot(const ListedItem& item) {
  size_t length = ListedNameLength(item);
  return item.FileName[0] == L'.' &&
         (length == 1 || (length == 2 && item.FileName[1] == L'.'));
}

HANDLE OpenTrustedFolder(const wchar_t* path, ACCESS_MASK extraAccess) {
  HANDLE folder = CreateFileW(path, kFolderAccess | FILE_READ_ATTRIBUTES | extraAccess, kShareAll,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return nullptr;
  if (!IsItemListed(folder, kFolderItem, 0)) {
    CloseHandle(folder);
    return nullptr;
  }
  return folder;
}

namespace {

// OpenListedItem, giving the opened item's attributes too.
HANDLE OpenListed(HANDLE parent, const ListedItem& item, ACCESS_MASK extraAccess,
                  DWORD* attributes) {
  if (IsListedLink(item)) return nullptr;
  const size_t length = ListedNameLength(item);
  if (g_pfnBeforeOpenListed) g_pfnBeforeOpenListed(parent, item.FileName, length);
  ItemKind kind = IsListedFolder(item) ? kFolderItem : kFileItem;
  HANDLE opened = OpenRelative(parent, item.FileName, length, kind, extraAccess);
  if (opened && !IsItemListed(opened, kind, item.FileId.QuadPart, attributes)) {
    CloseHandle(opened);
    SetLastError(kErrorStoppedOnLink);
    return nullptr;
  }
  return opened;
}

// The careful way: the file opened, checked to be the one listed, then deleted, a read-only
// one as MayClearReadOnly says, for which a file that may be read-only is opened to change its
// attributes too.
void DeleteCarefully(HANDLE parent, const ListedItem& item, bool mayBeReadOnly) {
  DWORD attributes = 0;
  HANDLE file =
      OpenListed(parent, item, DELETE | (mayBeReadOnly ? FILE_WRITE_ATTRIBUTES : 0), &attributes);
  if (!file) return;
  if (attributes & FILE_ATTRIBUTE_READONLY)
    DeleteReadOnlyFile(file);
  else
    DeleteOpenItem(file);
  CloseHandle(file);
}

}  // namespace

HANDLE OpenListedItem(HANDLE parent, const ListedItem& item, ACCESS_MASK extraAccess) {
  return OpenListed(parent, item, extraAccess, nullptr);
}

HANDLE OpenBelow(HANDLE start, const wchar_t* subPath, ItemKind lastKind,
                 ACCESS_MASK extraAccess) {
  const wchar_t* first = subPath;
  while (IsSeparator(*first)) ++first;
  // The same item through a new handle, whose listing starts afresh: a handle's listing keeps
  // the mask of its first lookup on Windows, so each lookup below a folder needs one of these.
  if (!*first) return OpenRelative(start, L"", 0, lastKind, extraAccess);
  alignas(8) BYTE entry[kOneEntrySize];
  HANDLE parent = start;
  HANDLE opened = nullptr;
  DWORD error = ERROR_PATH_NOT_FOUND;
  const wchar_t* name = subPath;
  for (;;) {
    while (IsSeparator(*name)) ++name;
    const wchar_t* end = name;
    while (*end && !IsSeparator(*end)) ++end;
    const wchar_t* next = end;
    while (IsSeparator(*next)) ++next;
    const bool last = *next == L'\0';
    const ItemKind kind = last ? lastKind : kFolderItem;
    opened = nullptr;
    if (end == name) {
      error = ERROR_PATH_NOT_FOUND;
    } else if (!LookUpListed(parent, name, end - name, entry)) {
      error = last && kind == kFileItem ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    } else {
      const ListedItem& item = *reinterpret_cast<const ListedItem*>(entry);
      if (IsListedLink(item)) {
        error = kErrorStoppedOnLink;
      } else if (IsListedFolder(item) != (kind == kFolderItem)) {
        error = kind == kFolderItem ? ERROR_DIRECTORY : ERROR_ACCESS_DENIED;
      } else {
        opened = OpenListedItem(parent, item, last ? extraAccess : 0);
        error = GetLastError();  // stands only when that open failed
      }
    }
    if (parent != start) CloseHandle(parent);
    if (!opened || last) break;
    parent = opened;
    name = next;
  }
  if (!opened) SetLastError(error);
  return opened;
}

void StartListing(FolderListing* listing, HANDLE folder, const wchar_t* mask, BYTE* buffer,
                  ULONG size) {
  *listing = {folder, mask, buffer, size, 0, false, false};
}

const ListedItem* NextListed(FolderListing* listing) {
  for (;;) {
    if (!listing->holding) {
      UNICODE_STRING maskText;
      if (listing->mask) SetText(&maskText, listing->mask, wcslen(listing->mask));
      IO_STATUS_BLOCK status;
      const BOOLEAN restart = !listing->started;
      listing->started = true;
      if (!NT_SUCCESS(NtQueryDirectoryFile(listing->folder, nullptr, nullptr, nullptr, &status,
                                           listing->buffer, listing->size,
                                           kIdBothDirectoryInformation, FALSE,
                                           listing->mask ? &maskText : nullptr, restart)) ||
          status.Information == 0)
        return nullptr;
      listing->holding = true;
      listing->next = 0;
    }
    const ListedItem& item = *reinterpret_cast<const ListedItem*>(listing->buffer + listing->next);
    if (item.NextEntryOffset == 0)
      listing->holding = false;
    else
      listing->next += item.NextEntryOffset;
    // The system's mask also matches 8.3 short names: only the name itself decides.
    if (!IsDotOrDotDot(item) &&
        (!listing->mask ||
         NameMatchesMask(item.FileName, ListedNameLength(item), listing->mask)))
      return &item;
  }
}

void ListFolder(HANDLE folder, const wchar_t* mask, BYTE* buffer,
                void (*visit)(HANDLE folder, const ListedItem& item, void* context),
                void* context) {
  FolderListing listing;
  StartListing(&listing, folder, mask, buffer, kListingBufferSize);
  while (const ListedItem* item = NextListed(&listing)) visit(folder, *item, context);
}

HANDLE HoldItem(HANDLE item, ItemKind kind, ACCESS_MASK extraAccess) {
  // The same file object's item whatever its name is now: nothing is looked up again.
  return OpenRelative(item, L"", 0, kind, extraAccess, FILE_OPEN, kShareReadWrite);
}

HANDLE HoldFolderIn(HANDLE parent, const wchar_t* name, ACCESS_MASK extraAccess) {
  HANDLE found = OpenBelow(parent, name, kFolderItem, 0);
  if (found) {
    HANDLE held = HoldItem(found, kFolderItem, extraAccess);
    CloseHandle(found);
    return held;
  }
  // Only a name the listing does not show is made; one that appeared since (a link planted in
  // between) makes the creation fail rather than be opened.
  if (GetLastError() != ERROR_PATH_NOT_FOUND) return nullptr;
  return OpenRelative(parent, name, wcslen(name), kFolderItem, extraAccess, FILE_CREATE,
                      kShareReadWrite);
}

void MakeEmptyFileIn(HANDLE folder, const wchar_t* name) {
  HANDLE file = OpenRelative(folder, name, wcslen(name), kFileItem, 0, FILE_CREATE);
  if (file) CloseHandle(file);
}

void DeleteListedFile(HANDLE parent, const ListedItem& item) {
  if (IsListedLink(item) || IsListedFolder(item)) return;
  const bool readOnly = (item.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly || !DeletesAtClose()) {
    DeleteCarefully(parent, item, readOnly);
    return;
  }
  const size_t length = ListedNameLength(item);
  if (g_pfnBeforeOpenListed) g_pfnBeforeOpenListed(parent, item.FileName, length);
  HANDLE file = nullptr;
  switch (FastDeleteStepFor(OpenToDeleteAtClose(parent, item.FileName, length, &file))) {
    case kWithdrawToClose:
      // Where Windows cannot withdraw it (before 10 1809), the file goes once the other
      // program lets it go.
      WithdrawDeleteAtClose(file);
      CloseHandle(file);
      break;
    case kCloseToDelete:
      CloseHandle(file);
      break;
    case kDeleteCarefully:
      DeleteCarefully(parent, item, true);
      break;
    case kLeaveAsIs:
      break;
  }
}

bool DeleteOpenItem(HANDLE item) {
  if (NT_SUCCESS(SetDispositionEx(item, kDispositionDelete | kDispositionPosixSemantics)))
    return true;
  // Before Windows 10, or on a file system without POSIX deletion: the name goes when the last
  // handle closes.
  IO_STATUS_BLOCK status;
  BOOLEAN remove = TRUE;
  return NT_SUCCESS(
      NtSetInformationFile(item, &status, &remove, sizeof remove, kDispositionInformation));
}

void DeleteAndClose(HANDLE item) {
  if (!item) return;
  DeleteOpenItem(item);
  CloseHandle(item);
}

