// The video-ad blocking tool's dialog: "好" turns blocking on, button 7 turns it off, Esc and
// the close box leave everything as it is. All the work is done before the dialog goes; the
// closing message says whether the hosts file changed.
#pragma once

#include "framework/framework.h"
#include "res/resource.h"
#include "tools/ad_blocking.h"

class CBlockADDlg : public CDialog {
 public:
  CBlockADDlg() : CDialog(IDD_BLOCK_AD) {}

 protected:
  void OnBlockAds();
  void OnUnblockAds();
  void OnBnClickedCancel() { OnCancel(); }
  DECLARE_MESSAGE_MAP()

 private:
  // The closing messages when the hosts file did not simply change as asked: failed names
  // what failed ("屏蔽失败：" or "撤销屏蔽失败："); the backup kept says where it is.
  void ShowHostsFailure(const wchar_t* failed, HostsResult result);
  void ShowBackupKept();
};
