// The video-ad blocking tool's dialog: "好" turns blocking on, button 7 turns it off, Esc and
// the close box leave everything as it is. All the work is done before the dialog goes.
#pragma once

#include "framework/framework.h"
#include "res/resource.h"

class CBlockADDlg : public CDialog {
 public:
  CBlockADDlg() : CDialog(IDD_BLOCK_AD) {}

 protected:
  void OnBlockAds();
  void OnUnblockAds();
  void OnBnClickedCancel() { OnCancel(); }

  DECLARE_MESSAGE_MAP()
};
