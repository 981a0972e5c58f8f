#include "tools/block_ad_dlg.h"

#include "engine/engine.h"
#include "tools/ad_blocking.h"

BEGIN_MESSAGE_MAP(CBlockADDlg, CDialog)
  ON_BN_CLICKED(IDOK, OnBlockAds)
  ON_BN_CLICKED(IDCANCEL, OnBnClickedCancel)
  ON_BN_CLICKED(IDNO, OnUnblockAds)
END_MESSAGE_MAP()

// The results are not looked at: the user hears the same either way.
void CBlockADDlg::OnBlockAds() {
  AppendHostsBlock();
  for (const wchar_t* host : kFlashHosts) BlockFlashStorage(host);
  // The players' cached ads and statistics scripts would otherwise still be used.
  CleanInternetCache(FALSE);
  OnOK();
  MessageBox(L"好了，可能屏掉几个呢？", L"!", MB_OK);
}

void CBlockADDlg::OnUnblockAds() {
  RestoreHostsFile();
  for (const wchar_t* host : kFlashHosts) UnblockFlashStorage(host);
  MessageBox(L"有办法不看视频只看广告吗？", L"!", MB_OK);
  OnCancel();
}
