#include "tools/move_directory_dlg.h"

#include "engine/places.h"
#include "res/resource.h"
#include "tools/folder_dialog.h"

#include <knownfolders.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <string>

namespace {

struct UserFolder {
  int csidl;
  const KNOWNFOLDERID* id;  // the same folder for the known-folder manager
  const wchar_t* name;      // the same English name in every language of the system
  const wchar_t* label;     // how the tool names it to the user
};

const UserFolder kUserFolders[] = {
    {CSIDL_MYPICTURES, &FOLDERID_Pictures, L"Pictures", L"我的图片"},
    {CSIDL_DESKTOPDIRECTORY, &FOLDERID_Desktop, L"Desktop", L"我的桌面"},
    {CSIDL_PERSONAL, &FOLDERID_Documents, L"Documents", L"我的文档"},
    {CSIDL_MYMUSIC, &FOLDERID_Music, L"Music", L"我的音乐"},
    {CSIDL_MYVIDEO, &FOLDERID_Videos, L"Videos", L"我的视频"},
};
const int kUserFolderCount = sizeof kUserFolders / sizeof kUserFolders[0];
const wchar_t kCaption[] = L"转移我的XX";

// Only a full path names one place whatever the current folder is: a drive letter with
// ":\" or a network path.
bool IsAbsoluteFolderPath(const wchar_t* text) {
  wchar_t drive = text[0];
  bool letter = (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
  if (letter && text[1] == L':' && text[2] == L'\\') return true;
  return text[0] == L'\\' && text[1] == L'\\' && text[2] && text[2] != L'\\';
}

// destination, a separator unless it ends in one (a drive root), and name, into the
// zero-filled path; false when that would not fit.
bool ComposeDestination(const wchar_t* destination, const wchar_t* name, wchar_t* path) {
  if (!AppendPath(path, destination)) return false;
  size_t length = wcslen(path);
  if ((length == 0 || path[length - 1] != L'\\') && !AppendPath(path, L"\\")) return false;
  return AppendPath(path, name);
}

// One move by the shell, with its own windows and owned by none; it reports what goes wrong
// itself. from and to are double-NUL-terminated lists.
void MoveWithShell(const wchar_t* from, const wchar_t* to) {
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_MOVE;
  operation.pFrom = from;
  operation.pTo = to;
  SHFileOperationW(&operation);
}

// A user folder's current path (MAX_PATH units). The shell's S_FALSE, a folder not there on
// disk, still gives the path.
bool LookUp(const UserFolder& folder, wchar_t* path) {
  ZeroMemory(path, MAX_PATH * sizeof(wchar_t));
  return SUCCEEDED(SHGetFolderPathW(nullptr, folder.csidl, nullptr, SHGFP_TYPE_CURRENT, path));
}

// As the file system compares names: ordinal, without regard to case.
bool SamePath(const wchar_t* first, const wchar_t* second) {
  return CompareStringOrdinal(first, -1, second, -1, TRUE) == CSTR_EQUAL;
}

// Whether the system puts both paths on one volume; when it cannot tell, they count as two.
bool OnSameVolume(const wchar_t* first, const wchar_t* second) {
  wchar_t firstVolume[MAX_PATH], secondVolume[MAX_PATH];
  return GetVolumePathNameW(first, firstVolume, MAX_PATH) &&
         GetVolumePathNameW(second, secondVolume, MAX_PATH) &&
         SamePath(firstVolume, secondVolume);
}

// Why the folder at source stays, with what lies at its destination now.
FolderStay WhyStays(const wchar_t* source, const wchar_t* destination, const MoveLimits& limits) {
  return WhyFolderStays(source, destination, GetFileAttributesW(destination), limits);
}

// The error of the hold that gave item: none where it gave one.
DWORD HoldError(HANDLE item) {
  if (item) return ERROR_SUCCESS;
  DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : ERROR_PATH_NOT_FOUND;
}

// The folder at source as WhyFolderStays let it go: reached from the profile folder, or on
// another drive from its root, no part a link, the folder itself included.
HANDLE ReachSource(const wchar_t* source, const MoveLimits& limits, ACCESS_MASK extraAccess) {
  const wchar_t* below = PartBelowProfile(source, limits.profile);
  if (!below) return OpenBelowRoot(source, kFolderItem, extraAccess);
  return OpenInsideProfile(limits.profile, below, kFolderItem, extraAccess);
}

HANDLE HoldSource(const wchar_t* source, const MoveLimits& limits) {
  HANDLE reached = ReachSource(source, limits, 0);
  if (!reached) return nullptr;
  HANDLE held = HoldItem(reached, kFolderItem, 0);
  const DWORD error = GetLastError();
  CloseHandle(reached);
  SetLastError(error);
  return held;
}

// What an open folder holds, as its listing shows it.
struct HeldNames {
  int count;
  size_t longest;  // characters
};

void CountName(HANDLE, const ListedItem& item, void* names) {
  HeldNames& held = *static_cast<HeldNames*>(names);
  ++held.count;
  if (ListedNameLength(item) > held.longest) held.longest = ListedNameLength(item);
}

// Whether two handles have the one item: the same volume and file number.
bool IsSameItem(HANDLE first, HANDLE second) {
  BY_HANDLE_FILE_INFORMATION one, other;
  return GetFileInformationByHandle(first, &one) && GetFileInformationByHandle(second, &other) &&
         IsSameFileId(one, other);
}

// Lists an open folder not listed before; false when it cannot be.
bool ListNames(HANDLE folder, HeldNames* names) {
  *names = HeldNames();
  CListingBuffer buffer;
  if (!buffer.Get()) return false;
  ListFolder(folder, nullptr, buffer.Get(), &CountName, names);
  return true;
}

// The attributes that make Windows show a user folder by its desktop.ini (its name in the
// user's language, its icon) go with its files.
void CopyFolderLook(HANDLE source, HANDLE destination) {
  const DWORD kLook = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  FILE_BASIC_INFO from = {}, to = {};
  if (!GetFileInformationByHandleEx(source, FileBasicInfo, &from, sizeof from) ||
      !GetFileInformationByHandleEx(destination, FileBasicInfo, &to, sizeof to) ||
      !(from.FileAttributes & kLook))
    return;
  FILE_BASIC_INFO look = {};  // times of zero stay as they are
  look.FileAttributes = to.FileAttributes | (from.FileAttributes & kLook);
  SetFileInformationByHandle(destination, FileBasicInfo, &look, sizeof look);
}

// Records path as the user folder's place, as the shell does when it moves the folder itself.
void RecordPlace(const UserFolder& folder, const wchar_t* path) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IKnownFolderManager* manager = nullptr;
  IKnownFolder* known = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_KnownFolderManager, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(&manager))) &&
      SUCCEEDED(manager->GetFolder(*folder.id, &known))) {
    known->SetPath(0, path);
    known->Release();
  }
  if (manager) manager->Release();
  if (SUCCEEDED(com)) CoUninitialize();
}

// After the shell's move: where the source is empty, the destination becomes the user
// folder's place and the source goes. A source the user left partly in place stays theirs.
void FinishMove(const UserFolder& folder, const wchar_t* source, const wchar_t* destination,
                const MoveLimits& limits) {
  HANDLE emptied = ReachSource(source, limits, DELETE);
  if (!emptied) return;
  HeldNames left;
  if (ListNames(emptied, &left) && left.count == 0) {
    RecordPlace(folder, destination);
    DeleteOpenItem(emptied);
  }
  CloseHandle(emptied);
}

// Moves what the folder at source holds into the folder name in the chosen folder, which is
// made where it is not there. Both ends are held across the shell's move, so that neither can
// be swapped for a link meanwhile: the shell, which follows links, gets path texts that still
// lead to the items checked. Moving the files rather than the folder keeps the destination the
// item held: given an existing folder, the shell would move the source into it. Says why the
// folder stayed, or kFolderMoves when the shell was given the move.
FolderStay MoveHeld(const UserFolder& folder, const wchar_t* source, const wchar_t* chosen,
                    const wchar_t* destination, const MoveLimits& limits) {
  HANDLE heldSource = HoldSource(source, limits);
  DWORD sourceError = HoldError(heldSource);
  HeldNames names = {};
  if (heldSource && !ListNames(heldSource, &names)) sourceError = ERROR_NOT_ENOUGH_MEMORY;
  const size_t length = wcslen(destination);
  // The destination is made only for a folder that can move.
  FolderStay stay = WhyHeldFolderStays(sourceError, ERROR_SUCCESS, length, names.longest, false);
  HANDLE heldDestination = nullptr;
  if (stay == kFolderMoves) {
    HANDLE parent = OpenTrustedFolder(chosen, 0);
    heldDestination = parent ? HoldFolderIn(parent, folder.name, FILE_WRITE_ATTRIBUTES) : nullptr;
    const DWORD destinationError = HoldError(heldDestination);
    if (parent) CloseHandle(parent);
    stay = WhyHeldFolderStays(sourceError, destinationError, length, names.longest,
                              heldDestination && IsSameItem(heldSource, heldDestination));
  }
  if (stay == kFolderMoves) {
    CopyFolderLook(heldSource, heldDestination);
    if (g_pfnBeforeShellMove) g_pfnBeforeShellMove(source, destination);
    // A wildcard that matches nothing would have the shell report an error.
    if (names.count > 0) {
      const std::wstring from = std::wstring(source) + L"\\*" + L'\0';
      MoveWithShell(from.c_str(), destination);
    }
  }
  if (heldDestination) CloseHandle(heldDestination);
  if (heldSource) CloseHandle(heldSource);
  if (stay == kFolderMoves) FinishMove(folder, source, destination, limits);
  return stay;
}

std::wstring Size(ByteCount bytes) {
  wchar_t text[64];
  FormatByteCount(bytes, text);
  return text;
}

}  // namespace

CMoveDirectoryDlg::CMoveDirectoryDlg(CWnd* parent) : CDialog(IDD_MOVE_DIRECTORY, parent) {}

BEGIN_MESSAGE_MAP(CMoveDirectoryDlg, CDialog)
  ON_BN_CLICKED(IDC_BROWSE, OnBrowse)
  ON_BN_CLICKED(IDOK, OnMove)
END_MESSAGE_MAP()

void CMoveDirectoryDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_DESTINATION, m_strDestination);
}

void CMoveDirectoryDlg::OnBrowse() {
  m_strDestination.Empty();
  CFolderDialog picker(this);
  if (picker.DoModal() == IDOK) m_strDestination = picker.m_chosenPath;
  // A cancelled browse clears the edit too: it never shows a folder that will not be used.
  UpdateData(FALSE);
}

void CMoveDirectoryDlg::OnMove() {
  // What the edit shows is what is used, typed or picked.
  UpdateData(TRUE);
  // No destination, or a text that names no one place: nothing moves.
  if (!IsAbsoluteFolderPath(m_strDestination)) {
    OnOK();
    return;
  }
  // Asked before acting as the user: the process's own token is read with the process's rights.
  const bool sameUser = IsShellUserProcessUser();
  // From the sizing to the last move everything runs as the user at the keyboard, so that
  // Windows refuses to move what that user could not move themselves.
  CUserRights rights;
  const RunStay run = WhyNothingMoves(rights.Acts(), sameUser);
  if (run != kRunMoves) {
    MessageBox(run == kRunWithoutUserRights
                   ? L"无法以桌面上登录的用户的身份转移文件夹（可能资源管理器没有运行）。"
                     L"以管理员身份转移，会把这个用户自己不能转移的文件夹也转移走，"
                     L"所以没有转移任何文件夹。\n\n请在桌面正常显示时再试一次。"
                   : L"桌面上登录的用户不是运行本程序的账户（可能是用管理员的密码运行的）。"
                     L"以管理员身份转移别的账户的文件夹，会让它们的所有者和位置出错，"
                     L"所以没有转移任何文件夹。\n\n请让这个用户自己用管理员权限运行本程序。",
               kCaption, MB_OK | MB_ICONWARNING);
    OnOK();
    return;
  }
  MoveLimits limits;
  FindMoveLimits(&limits);
  // When the folders do not fit, the dialog stays open for another destination.
  if (!HasRoomFor(limits)) return;
  FolderOutcome outcomes[kUserFolderCount];
  MoveFolders(limits, outcomes);
  ReportLocations(outcomes);
  OnOK();
}

bool CMoveDirectoryDlg::HasRoomFor(const MoveLimits& limits) {
  FolderToMove folders[kUserFolderCount];
  int count = 0;
  wchar_t source[MAX_PATH], destination[MAX_PATH];
  for (const UserFolder& folder : kUserFolders) {
    ZeroMemory(destination, sizeof destination);
    if (!LookUp(folder, source) ||
        !ComposeDestination(m_strDestination, folder.name, destination) ||
        WhyStays(source, destination, limits) != kFolderMoves)
      continue;
    // Sized from the profile folder as Windows resolves it (a profile moved with a junction
    // included); a folder on another drive from that drive's root.
    ByteCount size = PartBelowProfile(source, limits.profile) ? WalkKnown(folder.csidl, L"", TRUE)
                                                              : WalkFolder(source, TRUE, TRUE);
    folders[count++] = {size, !OnSameVolume(source, m_strDestination)};
  }
  wchar_t volume[MAX_PATH];
  ULARGE_INTEGER available = {};
  bool known = GetVolumePathNameW(m_strDestination, volume, MAX_PATH) &&
               GetDiskFreeSpaceExW(volume, &available, nullptr, nullptr);
  ByteCount needed = 0;
  if (FoldersFit(folders, count, known ? available.QuadPart : 0, &needed)) return true;
  std::wstring text =
      known ? std::wstring(L"“") + m_strDestination.GetString() + L"”所在的磁盘只剩 " +
                  Size(available.QuadPart) + L"，放不下要转移的文件夹（共 " + Size(needed) +
                  L"）。"
            : std::wstring(L"读不出“") + m_strDestination.GetString() +
                  L"”所在磁盘的剩余空间。";
  text += L"\n\n没有转移任何文件夹。请选一个空间够的地方。";
  MessageBox(text.c_str(), kCaption, MB_OK | MB_ICONWARNING);
  return false;
}

void CMoveDirectoryDlg::MoveFolders(const MoveLimits& limits, FolderOutcome* outcomes) {
  for (int i = 0; i < kUserFolderCount; ++i) outcomes[i] = FolderOutcome();
  // Paths take up to MAX_PATH units with their terminator; the unit past them stays zero as
  // the second terminator that ends the shell's path lists, even after a path of full length.
  // Each folder is looked up only after the moves before it: a folder that lay inside one moved
  // earlier has moved with it.
  wchar_t source[MAX_PATH + 1];
  for (int i = 0; i < kUserFolderCount; ++i) {
    FolderOutcome& outcome = outcomes[i];
    if (!LookUp(kUserFolders[i], source)) return;  // the run ends at a folder not found
    source[MAX_PATH] = L'\0';
    if (!ComposeDestination(m_strDestination, kUserFolders[i].name, outcome.destination))
      continue;
    outcome.stay = WhyStays(source, outcome.destination, limits);
    if (outcome.stay != kFolderMoves) continue;
    outcome.stay =
        MoveHeld(kUserFolders[i], source, m_strDestination, outcome.destination, limits);
    outcome.moveTried = outcome.stay == kFolderMoves;
  }
}

void CMoveDirectoryDlg::ReportLocations(const FolderOutcome* outcomes) {
  std::wstring text;
  bool oneDrive = false;
  wchar_t now[MAX_PATH];
  for (int i = 0; i < kUserFolderCount; ++i) {
    const FolderOutcome& outcome = outcomes[i];
    text += kUserFolders[i].label;
    // Where the folder is now, as Windows reads it back after the moves, and whether it is
    // there on disk.
    bool there = LookUp(kUserFolders[i], now) && PathFileExistsW(now);
    if (there && outcome.stay == kFolderInOneDrive) {
      text += std::wstring(L"：在OneDrive中，没有转移，仍在 ") + now;
      oneDrive = true;
    } else if (there && outcome.stay == kFolderOutsideUserPlaces) {
      text += std::wstring(L"：没有转移，仍在 ") + now +
              L"。它既不在用户的个人文件夹中，也不在系统盘以外的磁盘上，"
              L"可能是别的程序的文件夹";
    } else if (there && outcome.stay == kDestinationIsLink) {
      text += std::wstring(L"：没有转移，仍在 ") + now + L"。目标“" + outcome.destination +
              L"”是一个链接，转移过去的文件会落到它指向的别处";
    } else if (there && outcome.stay == kSourceThroughLink) {
      text += std::wstring(L"：没有转移，仍在 ") + now +
              L"。通往它的路上有一个链接，它其实在链接指向的别处，可能是别的程序的文件夹";
    } else if (there && SamePath(now, outcome.destination)) {
      text += std::wstring(outcome.moveTried ? L"：已转移到 " : L"：本来就在 ") + now;
    } else if (there && outcome.moveTried) {
      // Windows records the new place only once every file has gone.
      text += std::wstring(L"：没有转移完，仍在 ") + now + L"，已转移的文件在 " +
              outcome.destination;
    } else if (there) {
      text += std::wstring(L"：没有转移，仍在 ") + now;
    } else if (outcome.moveTried && PathFileExistsW(outcome.destination)) {
      // Moved, but Windows still looks for it where it was.
      text += std::wstring(L"：已移到 ") + outcome.destination + L"，但Windows没有记下新位置";
    } else {
      text += L"：Windows找不到这个文件夹";
    }
    text += L"\n";
  }
  if (oneDrive)
    text += L"\nOneDrive正在备份的文件夹没有转移：把它移出OneDrive，OneDrive会删掉云端和"
            L"其它设备上的副本。要转移它，请先在OneDrive的设置中关闭这个文件夹的备份。\n";
  MessageBox(text.c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
}
