#include "tools/move_directory_dlg.h"

#include "engine/paths.h"
#include "res/resource.h"
#include "tools/folder_dialog.h"

#include <shlobj.h>

namespace {

struct UserFolder {
  int csidl;
  const wchar_t* name;  // the same English name in every language of the system
};

const UserFolder kUserFolders[] = {
    {CSIDL_MYPICTURES, L"Pictures"}, {CSIDL_DESKTOPDIRECTORY, L"Desktop"},
    {CSIDL_PERSONAL, L"Documents"},  {CSIDL_MYMUSIC, L"Music"},
    {CSIDL_MYVIDEO, L"Videos"},
};

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
// itself.
void MoveWithShell(const wchar_t* source, const wchar_t* destination) {
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_MOVE;
  operation.pFrom = source;
  operation.pTo = destination;
  SHFileOperationW(&operation);
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
  // Paths take up to MAX_PATH units with their terminator; the unit past them stays zero as
  // the second terminator that ends the shell's path lists, even after a path of full length.
  wchar_t source[MAX_PATH + 1], destination[MAX_PATH + 1];
  for (const UserFolder& folder : kUserFolders) {
    ZeroMemory(source, sizeof source);
    ZeroMemory(destination, sizeof destination);
    if (FAILED(SHGetFolderPathW(nullptr, folder.csidl, nullptr, SHGFP_TYPE_CURRENT, source))) {
      OnOK();
      return;
    }
    if (!ComposeDestination(m_strDestination, folder.name, destination)) continue;
    if (wcscmp(source, destination) != 0) MoveWithShell(source, destination);
  }
  OnOK();
}
