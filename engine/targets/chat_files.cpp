// The chat clients' month folders: finding the tool's rows, sizing them by age, and moving
// their old files into the Recycle Bin.
#include "engine/targets/chat_files.h"

#include <wchar.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/targets/app_caches.h"
#include "engine/places/chat_roots.h"
#include "engine/places/paths.h"
#include "engine/targets/recycle_bin.h"

namespace {

// Where a layout keeps one kind below an account folder: base, then (perChat) each chat's
// folder and inChat below it, then the month folders, then inMonth below each.
struct ChatPlace {
  ChatKind kind;
  const wchar_t* base;
  bool perChat;
  const wchar_t* inChat;   // or null
  const wchar_t* inMonth;  // or null
};

const ChatPlace kWeChat4Places[] = {
    {kChatPictures, L"msg\\attach", true, nullptr, L"Img"},
    {kChatVideos, L"msg\\video", false, nullptr, nullptr},
    {kChatFiles, L"msg\\file", false, nullptr, nullptr},
};
const ChatPlace kWeChat3Places[] = {
    {kChatPictures, L"FileStorage\\MsgAttach", true, L"Image", nullptr},
    {kChatPictures, L"FileStorage\\MsgAttach", true, L"Thumb", nullptr},
    {kChatPictures, L"FileStorage\\Image", false, nullptr, nullptr},
    {kChatVideos, L"FileStorage\\Video", false, nullptr, nullptr},
    {kChatFiles, L"FileStorage\\File", false, nullptr, nullptr},
    {kChatFiles, L"FileStorage\\MsgAttach", true, L"File", nullptr},
};
const ChatPlace kNewQQPlaces[] = {
    {kChatPictures, L"nt_qq\\nt_data\\Pic", false, nullptr, nullptr},
    {kChatVideos, L"nt_qq\\nt_data\\Video", false, nullptr, nullptr},
};

struct LayoutPlaces {
  const ChatPlace* places;
  int count;
};
const LayoutPlaces kLayoutPlaces[kChatLayoutCount] = {
    {kWeChat4Places, ARRAYSIZE(kWeChat4Places)},
    {kWeChat3Places, ARRAYSIZE(kWeChat3Places)},
    {kNewQQPlaces, ARRAYSIZE(kNewQQPlaces)},
};

// The File Transfer Assistant's chat ("filehelper", as its MD5): users keep things there on
// purpose.
const wchar_t kFileHelperChat[] = L"9e20f478899dc29eb19741386f9343c8";

const wchar_t* const kWeChatPrograms[] = {L"Weixin.exe", L"WeChat.exe", nullptr};
const wchar_t* const kQQPrograms[] = {L"QQ.exe", nullptr};

// A month folder of a walk, open: target holds the files (the month folder, or inMonth below
// it); month is the month folder itself where it differs, else null.
typedef void (*MonthVisit)(HANDLE target, HANDLE month, void* context);

// One walk over the month folders of every account, or of one row's.
struct MonthWalk {
  ChatLayout layout;
  const ChatRow* only;  // null: every account and kind
  const ChatAge* age;   // null: every month
  ACCESS_MASK access;   // for the month folders, and what lies in them
  MonthVisit visit;
  void* context;
  // Set on the way down.
  const ChatPlace* place;
  const wchar_t* account;
};

void VisitMonthItem(HANDLE months, const ListedItem& item, void* context) {
  MonthWalk& walk = *static_cast<MonthWalk*>(context);
  int year = 0, month = 0;
  if (!IsListedFolder(item) || IsListedLink(item) ||
      !ParseMonthFolder(item.FileName, ListedNameLength(item), &year, &month) ||
      (walk.age && !IsMonthOlder(year, month, walk.age->today, walk.age->monthsAgo)))
    return;
  HANDLE folder = OpenListedItem(months, item, walk.access);
  if (!folder) return;
  if (!walk.place->inMonth) {
    walk.visit(folder, nullptr, walk.context);
  } else {
    HANDLE target = OpenFolderAnew(folder, walk.place->inMonth, walk.access);
    if (target) {
      walk.visit(target, folder, walk.context);
      CloseHandle(target);
    }
  }
  CloseHandle(folder);
}

// The month folders directly in an open folder.
void WalkMonths(HANDLE folder, MonthWalk& walk) {
  HANDLE fresh = OpenBelow(folder, L"", kFolderItem, 0);
  CListingBuffer buffer;
  if (fresh && buffer.Get()) ListFolder(fresh, nullptr, buffer.Get(), VisitMonthItem, &walk);
  if (fresh) CloseHandle(fresh);
}

void VisitChat(HANDLE chat, const wchar_t* name, void* context) {
  MonthWalk& walk = *static_cast<MonthWalk*>(context);
  if (IsName(name, kFileHelperChat)) return;
  if (!walk.place->inChat) {
    WalkMonths(chat, walk);
    return;
  }
  HANDLE months = OpenFolderAnew(chat, walk.place->inChat, 0);
  if (!months) return;
  WalkMonths(months, walk);
  CloseHandle(months);
}

void WalkAccount(HANDLE account, const wchar_t* name, MonthWalk& walk) {
  if (walk.only && !IsName(name, walk.only->account)) return;
  if (wcslen(name) >= kChatAccountSize) return;
  walk.account = name;
  const LayoutPlaces& layout = kLayoutPlaces[walk.layout];
  for (int i = 0; i < layout.count; ++i) {
    const ChatPlace& place = layout.places[i];
    if (walk.only && walk.only->kind != place.kind) continue;
    HANDLE base = OpenFolderAnew(account, place.base, 0);
    if (!base) continue;
    walk.place = &place;
    if (place.perChat) {
      ForEachSubfolderAnew(base, VisitChat, &walk);
    } else {
      WalkMonths(base, walk);
    }
    CloseHandle(base);
  }
}

// The account folders: WeChat 4's hold their databases; WeChat 3's are every folder of
// "WeChat Files" but its shared ones; the new QQ's hold nt_qq.
void VisitAccount(HANDLE account, const wchar_t* name, void* context) {
  MonthWalk& walk = *static_cast<MonthWalk*>(context);
  if (walk.layout == kWeChat4Layout && !IsWeChat4Account(account)) return;
  if (walk.layout == kWeChat3Layout && !IsWeChat3Account(name)) return;
  if (walk.layout == kNewQQLayout && !HoldsFolder(account, L"nt_qq")) return;
  WalkAccount(account, name, walk);
}

void VisitFilesFolder(HANDLE files, void* context) {
  ForEachSubfolderAnew(files, VisitAccount, context);
}

void WalkLayout(MonthWalk& walk) {
  DataRoots roots;
  const wchar_t* below = L"\\Tencent Files";
  if (walk.layout == kWeChat4Layout) {
    FindWeChat4Roots(roots);
    below = L"\\xwechat_files";
  } else if (walk.layout == kWeChat3Layout) {
    FindWeChat3Root(roots);
    below = L"\\WeChat Files";
  } else {
    FindNewQQRoot(roots);
  }
  ForEachDataFolder(roots, below, VisitFilesFolder, &walk);
}

void WalkRowMonths(const ChatRow& row, const ChatAge& age, ACCESS_MASK access, MonthVisit visit,
                   void* context) {
  MonthWalk walk = {row.layout, &row, &age, access, visit, context, nullptr, nullptr};
  WalkLayout(walk);
}

// ---- Finding -------------------------------------------------------------------------------

struct Finding {
  ChatRows* rows;
  MonthWalk* walk;
};

// A row for the account and kind being walked, after the account's rows of earlier kinds.
void NoteRow(HANDLE, HANDLE, void* context) {
  Finding& finding = *static_cast<Finding*>(context);
  ChatRows& rows = *finding.rows;
  const MonthWalk& walk = *finding.walk;
  int at = rows.count;
  for (int i = 0; i < rows.count; ++i) {
    const ChatRow& row = rows.rows[i];
    if (row.layout != walk.layout || !IsName(row.account, walk.account)) continue;
    if (row.kind == walk.place->kind) return;
    if (row.kind > walk.place->kind && at == rows.count) at = i;
    if (row.kind < walk.place->kind) at = i + 1;
  }
  if (rows.count == kMaxChatRows) return;
  for (int i = rows.count; i > at; --i) rows.rows[i] = rows.rows[i - 1];
  ChatRow& row = rows.rows[at];
  row.layout = walk.layout;
  row.kind = walk.place->kind;
  wcscpy(row.account, walk.account);
  ++rows.count;
}

// ---- The files below a month folder ---------------------------------------------------------

// A walk over the files below a folder, links passed over: sizing them, listing their paths,
// or (once they were moved) sizing what stayed and removing the folders emptied.
struct FileWalk {
  ChatSize found;
  std::wstring* paths;  // each path followed by a NUL; null: not listed
  std::vector<ByteCount>* sizes;  // each listed file's size, in the order of paths
  bool removeEmptied;
  wchar_t path[MAX_PATH];  // the folder's, when paths are listed
  size_t length;
  int depth;
};

void WalkFiles(HANDLE folder, FileWalk& walk);

void VisitFileItem(HANDLE folder, const ListedItem& item, void* context) {
  FileWalk& walk = *static_cast<FileWalk*>(context);
  // A link is neither followed nor counted: what it leads to is not this chat's.
  if (IsListedLink(item)) return;
  const size_t length = ListedNameLength(item);
  const size_t before = walk.length;
  if (walk.paths) {
    if (before + 1 + length >= MAX_PATH) return;
    walk.path[before] = L'\\';
    wmemcpy(walk.path + before + 1, item.FileName, length);
    walk.length = before + 1 + length;
    walk.path[walk.length] = L'\0';
  }
  if (IsListedFolder(item)) {
    HANDLE sub =
        walk.depth < 32 ? OpenListedItem(folder, item, walk.removeEmptied ? DELETE : 0) : nullptr;
    if (sub) {
      ++walk.depth;
      WalkFiles(sub, walk);
      --walk.depth;
      if (walk.removeEmptied) DeleteOpenItem(sub);  // only an empty folder goes
      CloseHandle(sub);
    }
  } else {
    walk.found.bytes += static_cast<ByteCount>(item.EndOfFile.QuadPart);
    ++walk.found.files;
    if (walk.paths) {
      walk.paths->append(walk.path, walk.length + 1);
      walk.sizes->push_back(static_cast<ByteCount>(item.EndOfFile.QuadPart));
    }
  }
  walk.length = before;
  walk.path[before] = L'\0';
}

void WalkFiles(HANDLE folder, FileWalk& walk) {
  HANDLE fresh = OpenBelow(folder, L"", kFolderItem, 0);
  CListingBuffer buffer;
  if (fresh && buffer.Get()) ListFolder(fresh, nullptr, buffer.Get(), VisitFileItem, &walk);
  if (fresh) CloseHandle(fresh);
}

ChatSize SizeBelow(HANDLE folder) {
  FileWalk walk = {};
  WalkFiles(folder, walk);
  return walk.found;
}

void AddSize(ChatSize& total, const ChatSize& more) {
  total.bytes += more.bytes;
  total.files += more.files;
}

void SizeMonth(HANDLE target, HANDLE, void* context) {
  AddSize(*static_cast<ChatSize*>(context), SizeBelow(target));
}

// The text of an open folder's path as the system resolves it now (MAX_PATH units), without
// the "\\?\" that the shell does not take; false where it has none or it is too long.
bool OpenFolderPath(HANDLE folder, wchar_t* path) {
  wchar_t final[MAX_PATH + 8];
  const DWORD length = GetFinalPathNameByHandleW(folder, final, ARRAYSIZE(final), 0);
  if (length == 0 || length >= ARRAYSIZE(final)) return false;
  const wchar_t* text = final;
  path[0] = L'\0';
  if (wcsncmp(final, L"\\\\?\\UNC\\", 8) == 0) {
    text = final + 8;
    wcscpy(path, L"\\\\");
  } else if (wcsncmp(final, L"\\\\?\\", 4) == 0) {
    text = final + 4;
  }
  return AppendPath(path, text);
}

// ---- Moving -------------------------------------------------------------------------------

// The drives the chosen files lie on, with what lies on each and the verdict of its bin.
const int kMaxDrives = 8;
struct Drives {
  int count;
  wchar_t roots[kMaxDrives][MAX_PATH];
  ByteCount selection[kMaxDrives];
  BinVerdict verdicts[kMaxDrives];
};

// The index of the drive that holds folder, added where new; -1 where it cannot be told.
int DriveOf(HANDLE folder, Drives& drives) {
  wchar_t path[MAX_PATH], root[MAX_PATH];
  if (!OpenFolderPath(folder, path) || !GetVolumePathNameW(path, root, MAX_PATH)) return -1;
  for (int i = 0; i < drives.count; ++i)
    if (IsName(drives.roots[i], root)) return i;
  if (drives.count == kMaxDrives) return -1;
  wcscpy(drives.roots[drives.count], root);
  drives.selection[drives.count] = 0;
  return drives.count++;
}

void NoteDrive(HANDLE target, HANDLE, void* context) {
  Drives& drives = *static_cast<Drives*>(context);
  const int drive = DriveOf(target, drives);
  if (drive >= 0) drives.selection[drive] += SizeBelow(target).bytes;
}

struct Moving {
  Drives* drives;
  RecycleCall recycle;
  void (*progress)(ULONG, void*);
  void* context;
  ULONG done;
  ChatRecycleReport* report;
};

ChatStay StayFor(BinVerdict verdict) {
  return verdict == kBinMissing         ? kStayNoBin
         : verdict == kBinDeletesAtOnce ? kStayBinDeletes
         : verdict == kBinTooSmall      ? kStayBinTooSmall
                                        : kStayNotMoved;
}

void MoveMonth(HANDLE target, HANDLE month, void* context) {
  Moving& moving = *static_cast<Moving*>(context);
  ChatRecycleReport& report = *moving.report;
  std::wstring paths;
  std::vector<ByteCount> sizes;
  FileWalk listing = {};
  listing.paths = &paths;
  listing.sizes = &sizes;
  const int drive = DriveOf(target, *moving.drives);
  const bool named = OpenFolderPath(target, listing.path);
  listing.length = wcslen(listing.path);
  ChatSize handled = {};
  if (!named || drive < 0 || moving.drives->verdicts[drive] != kBinKeeps) {
    handled = SizeBelow(target);
    AddSize(report.stayed[named && drive >= 0 ? StayFor(moving.drives->verdicts[drive])
                                              : kStayNotMoved],
            handled);
  } else {
    WalkFiles(target, listing);
    handled = listing.found;
    if (handled.files) {
      paths.push_back(L'\0');
      std::unique_ptr<bool[]> keptBack(new bool[sizes.size()]());
      moving.recycle(paths.c_str(), keptBack.get());
      ChatSize refused = {};
      for (size_t i = 0; i < sizes.size(); ++i)
        if (keptBack[i]) AddSize(refused, {sizes[i], 1});
      AddSize(report.stayed[kStayBinRefused], refused);
      // What else is still there stayed for some other reason; the folders the move emptied go.
      FileWalk after = {};
      after.removeEmptied = true;
      WalkFiles(target, after);
      if (after.found.files > refused.files)
        report.stayed[kStayNotMoved].files += after.found.files - refused.files;
      if (after.found.bytes > refused.bytes)
        report.stayed[kStayNotMoved].bytes += after.found.bytes - refused.bytes;
      // A file the client wrote meanwhile stays too, and takes nothing off what moved.
      if (after.found.files < handled.files)
        report.moved.files += handled.files - after.found.files;
      if (after.found.bytes < handled.bytes)
        report.moved.bytes += handled.bytes - after.found.bytes;
      DeleteOpenItem(target);
      if (month) DeleteOpenItem(month);
    }
  }
  moving.done += handled.files;
  if (moving.progress) moving.progress(moving.done, moving.context);
}

}  // namespace

const wchar_t* const* ChatPrograms(ChatLayout layout) {
  return layout == kNewQQLayout ? kQQPrograms : kWeChatPrograms;
}

void ChatRowLabel(const ChatRow& row, wchar_t* label, size_t size) {
  const wchar_t* const kinds[] = {L"图片", L"视频", L"文件"};
  swprintf(label, size, L"%ls %ls %ls", row.layout == kNewQQLayout ? L"QQ" : L"微信", row.account,
           kinds[row.kind]);
}

bool ParseMonthFolder(const wchar_t* name, size_t length, int* year, int* month) {
  if (length != 7 || name[4] != L'-') return false;
  for (size_t i = 0; i < 7; ++i)
    if (i != 4 && (name[i] < L'0' || name[i] > L'9')) return false;
  *year = (name[0] - L'0') * 1000 + (name[1] - L'0') * 100 + (name[2] - L'0') * 10 + name[3] - L'0';
  *month = (name[5] - L'0') * 10 + name[6] - L'0';
  return *month >= 1 && *month <= 12;
}

bool IsMonthOlder(int year, int month, const SYSTEMTIME& today, int monthsAgo) {
  const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  auto daysIn = [&](int y, int m) {
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return kDays[m - 1] + (m == 2 && leap ? 1 : 0);
  };
  // The day monthsAgo months before today, as year, month and day.
  const int months = today.wYear * 12 + (today.wMonth - 1) - monthsAgo;
  const int thenYear = months / 12, thenMonth = months % 12 + 1;
  const int thenDay =
      today.wDay < daysIn(thenYear, thenMonth) ? today.wDay : daysIn(thenYear, thenMonth);
  // The month's last day lies before that day.
  if (year != thenYear || month != thenMonth) return year * 12 + month < thenYear * 12 + thenMonth;
  return daysIn(year, month) < thenDay;
}

void FindChatRows(ChatRows& rows) {
  rows.count = 0;
  for (int layout = 0; layout < kChatLayoutCount; ++layout) {
    MonthWalk walk = {static_cast<ChatLayout>(layout), nullptr, nullptr, 0, NoteRow, nullptr,
                      nullptr, nullptr};
    Finding finding = {&rows, &walk};
    walk.context = &finding;
    WalkLayout(walk);
  }
}

ChatSize SizeChatRow(const ChatRow& row, const ChatAge& age) {
  ChatSize size = {};
  WalkRowMonths(row, age, 0, SizeMonth, &size);
  return size;
}

void RecycleChatRows(const ChatRows& rows, const ChatAge& age, RecycleCall recycle,
                     void (*progress)(ULONG filesDone, void* context), void* context,
                     ChatRecycleReport& report) {
  report = ChatRecycleReport();
  bool runs[kChatLayoutCount];
  for (int layout = 0; layout < kChatLayoutCount; ++layout)
    runs[layout] = IsAnyProgramRunning(ChatPrograms(static_cast<ChatLayout>(layout)));
  // All that is chosen on a drive must fit in its bin, which is asked before anything moves.
  Drives drives = {};
  for (int i = 0; i < rows.count; ++i)
    if (!runs[rows.rows[i].layout]) WalkRowMonths(rows.rows[i], age, 0, NoteDrive, &drives);
  for (int i = 0; i < drives.count; ++i) {
    RecycleBinAnswers answers;
    AskRecycleBin(drives.roots[i], &answers);
    drives.verdicts[i] = JudgeRecycleBin(answers, drives.selection[i]);
  }
  Moving moving = {&drives, recycle, progress, context, 0, &report};
  for (int i = 0; i < rows.count; ++i) {
    const ChatRow& row = rows.rows[i];
    if (runs[row.layout]) {
      AddSize(report.stayed[kStayClientRuns], SizeChatRow(row, age));
    } else {
      WalkRowMonths(row, age, DELETE, MoveMonth, &moving);
    }
  }
}
