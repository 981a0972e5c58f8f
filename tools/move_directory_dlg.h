// The folder-moving tool: moves the files of the user's Pictures, Desktop, Documents, Music
// and Videos folders into one folder each in the folder the user picks, each by one move of the
// shell, which shows its own progress, confirmations and errors, and then records the new
// place. Everything runs as the user at the keyboard, so that Windows refuses what that user
// could not move; without that user's rights, or for a desktop user other than the account
// Spruce runs as, nothing moves. Folders that OneDrive backs up stay, and so do folders that
// the user's settings put outside the profile on the Windows drive, folders reached through a
// link and folders whose destination is a link; nothing moves when the folders do not fit at
// the destination. At the end the tool says where each folder is.
#pragma once

#include "framework/framework.h"

#include "tools/move_checks.h"

class CMoveDirectoryDlg : public CDialog {
 public:
  explicit CMoveDirectoryDlg(CWnd* parent = nullptr);

 protected:
  // What happened to one user folder in a run.
  struct FolderOutcome {
    wchar_t destination[MAX_PATH + 1];  // where it was to go; a double-NUL-terminated list
    FolderStay stay;                    // why it was left in place, or kFolderMoves
    bool moveTried;                     // handed to the shell to move
  };

  void DoDataExchange(CDataExchange* pDX) override;
  void OnBrowse();
  void OnMove();
  // Whether the folders to move fit on the destination's drive; says so when they do not.
  bool HasRoomFor(const MoveLimits& limits);
  void MoveFolders(const MoveLimits& limits, FolderOutcome* outcomes);
  // Tells the user where each folder is now, as Windows reads it back.
  void ReportLocations(const FolderOutcome* outcomes);
  DECLARE_MESSAGE_MAP()

  CString m_strDestination;  // the folder the user folders go into; empty: none
};
