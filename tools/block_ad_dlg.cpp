#include "tools/block_ad_dlg.h"

#include "engine/engine.h"
#include "tools/ad_blocking.h"

#include <wchar.h>

namespace {

// Why the hosts file was left as it was, after "屏蔽失败：" or "撤销屏蔽失败：".
const wchar_t* FailureReason(HostsResult result) {
  return result == kHostsNotText
             ? L"hosts 文件是 UTF-16 编码的，Spruce 只改动 8 位文本的 hosts 文件，以免损坏它。"
             : L"无法读取或替换 hosts 文件，它可能正被其他程序占用，或被安全软件保护。";
}

}  // namespace

BEGIN_MESSAGE_MAP(CBlockADDlg, CDialog)
  ON_BN_CLICKED(IDOK, OnBlockAds)
  ON_BN_CLICKED(IDCANCEL, OnBnClickedCancel)
  ON_BN_CLICKED(IDNO, OnUnblockAds)
END_MESSAGE_MAP()

void CBlockADDlg::OnBlockAds() {
  const HostsResult hosts = AppendHostsBlock();
  for (const wchar_t* host : kFlashHosts) BlockFlashStorage(host);
  // The players' cached ads and statistics scripts would otherwise still be used.
  CleanInternetCache(FALSE);
  OnOK();
  if (hosts == kHostsDone) {
    MessageBox(L"好了，可能屏掉几个呢？", L"!", MB_OK);
  } else {
    ShowHostsFailure(L"屏蔽失败：", hosts);
  }
}

void CBlockADDlg::OnUnblockAds() {
  const HostsResult hosts = RestoreHostsFile();
  for (const wchar_t* host : kFlashHosts) UnblockFlashStorage(host);
  if (hosts == kHostsDone) {
    MessageBox(L"有办法不看视频只看广告吗？", L"!", MB_OK);
  } else if (hosts == kHostsBackupKept) {
    ShowBackupKept();
  } else {
    ShowHostsFailure(L"撤销屏蔽失败：", hosts);
  }
  OnCancel();
}

void CBlockADDlg::ShowHostsFailure(const wchar_t* failed, HostsResult result) {
  wchar_t text[256];
  swprintf(text, 256, L"%ls%ls\nhosts 文件没有改动。", failed, FailureReason(result));
  MessageBox(text, L"!", MB_OK | MB_ICONWARNING);
}

void CBlockADDlg::ShowBackupKept() {
  wchar_t hosts[MAX_PATH];
  wchar_t backup[MAX_PATH];
  if (!BuildHostsPaths(hosts, backup)) backup[0] = L'\0';
  wchar_t text[512];
  swprintf(text, 512,
           L"有办法不看视频只看广告吗？\n\n屏蔽条目已经去掉。不过 hosts 文件少了屏蔽前的一些行"
           L"（可能被其他程序改过），屏蔽前的 hosts 文件还保存在：\n%ls",
           backup);
  MessageBox(text, L"!", MB_OK | MB_ICONINFORMATION);
}
