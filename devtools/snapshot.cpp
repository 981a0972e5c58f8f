// spruce_snapshot PROGRAM SURVEY.png [CLEANED.png]: starts Spruce, waits until its survey has
// written every size and saves a picture of its window as PNG. With a second picture, it then
// presses "一键清理", waits until every checked row reads "OK" and the button is back, and saves
// the window again. Then it closes Spruce. The README's run command uses it where there is no
// display to show the window on.
// spruce_snapshot PROGRAM --chat-files CHAT.png: opens the chat-files tool from its picture
// button once the survey is done, waits until it has sized every row and saves a picture of it.
// A desktop shell window stands in for Explorer meanwhile, so that the tool acts as the user.
#include "devtools/remote_list.h"
#include "res/resource.h"

#include <gdiplus.h>
#include <stdio.h>
#include <wchar.h>

#include <string>

namespace {

const CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
const DWORD kWaitLimitMs = 120000;

bool CleanRunDone(const CRemoteList& list, HWND cleanButton) {
  if (!IsWindowEnabled(cleanButton)) return false;
  for (int row = 0; row < 18; ++row) {
    if (list.Checked(row) && list.Text(row, 1) != L"OK") return false;
  }
  return true;
}

bool SaveWindowPicture(HWND window, const wchar_t* path) {
  RECT frame;
  GetWindowRect(window, &frame);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, picture);
  BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
  SelectObject(memory, old);

  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  bool saved = false;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) {
    Gdiplus::GpBitmap* image = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(picture, nullptr, &image) ==
        Gdiplus::Ok) {
      saved = Gdiplus::DllExports::GdipSaveImageToFile(image, path, &kPngEncoder, nullptr) ==
              Gdiplus::Ok;
      Gdiplus::DllExports::GdipDisposeImage(image);
    }
    Gdiplus::GdiplusShutdown(token);
  }
  DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

bool ChatRowsSized(const CRemoteList& list) {
  for (int row = 0; row < list.Count(); ++row)
    if (list.Text(row, 1) == L"counting...") return false;
  return true;
}

bool SaveChatFilesPicture(HWND window, HANDLE process, const wchar_t* path) {
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CHAT_FILES, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_CHAT_FILES)));
  HWND tool = nullptr;
  // Shown only once its rows are in.
  WaitFor(
      [&] {
        tool = FindWindowW(L"#32770", L"清理聊天文件");
        return tool && IsWindowVisible(tool);
      },
      kWaitLimitMs);
  if (!tool) return false;
  CRemoteList list(GetDlgItem(tool, IDC_CHAT_LIST), process);
  WaitFor([&] { return ChatRowsSized(list); }, kWaitLimitMs);
  Sleep(300);
  SetForegroundWindow(tool);
  const bool saved = SaveWindowPicture(tool, path);
  PostMessageW(tool, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  Sleep(300);
  return saved;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && argc != 4) {
    fprintf(stderr, "usage: spruce_snapshot PROGRAM SURVEY.png [CLEANED.png]\n"
                    "       spruce_snapshot PROGRAM --chat-files CHAT.png\n");
    return 2;
  }
  const bool chatFiles = argc == 4 && wcscmp(argv[2], L"--chat-files") == 0;
  PROCESS_INFORMATION process = {};
  if (!StartProgram(argv[1], nullptr, &process)) {
    fprintf(stderr, "cannot start %ls (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  int result = 1;
  HWND window = WaitForSpruceWindow(process.dwProcessId, kWaitLimitMs);
  DWORD exitCode = 0;
  if (window) {
    CRemoteList list(FindWindowExW(window, nullptr, L"SysListView32", nullptr), process.hProcess);
    WaitFor([&] { return SurveyDone(list); }, kWaitLimitMs);
    Sleep(300);  // let the last row's text be painted
    SetForegroundWindow(window);
    bool saved = chatFiles ? SaveChatFilesPicture(window, process.hProcess, argv[3])
                           : SaveWindowPicture(window, argv[2]);
    if (saved && argc == 4 && !chatFiles) {
      HWND cleanButton = GetDlgItem(window, IDC_CLEAN);
      PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CLEAN, BN_CLICKED),
                   reinterpret_cast<LPARAM>(cleanButton));
      // The survey never writes "OK", so the rows read so only once the run has reached them.
      bool done = WaitFor([&] { return CleanRunDone(list, cleanButton); }, kWaitLimitMs);
      if (!done) fprintf(stderr, "the clean run did not end in time\n");
      Sleep(300);  // let the last "OK" be painted
      saved = done && SaveWindowPicture(window, argv[3]);
    }
    if (saved) result = 0;
    CloseAndWait(window, process.hProcess, 10000, &exitCode);
  } else {
    fprintf(stderr, "Spruce's window did not appear\n");
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}
