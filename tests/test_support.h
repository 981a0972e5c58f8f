// Helpers for building and inspecting file trees inside the disposable test prefix.
#pragma once

#include "devtools/disposable_prefix.h"
#include "engine/engine.h"

#include <string>
#include <vector>

// Creates folder and every missing folder above it.
void MakeFolders(const std::wstring& folder);

// Removes a tree the tests built (folder links are removed, never followed).
void RemoveTree(const std::wstring& path);

// A fresh, empty folder C:\spruce-tests\<name> for one test.
std::wstring FreshTestFolder(const std::wstring& name);

// Writes a file of size bytes (folders above it made first) and gives it attributes.
void WriteFileOfSize(const std::wstring& path, ByteCount size, DWORD attributes = 0);

// A sparse file of the given logical size, for sizes above 4 GiB.
void WriteSparseFile(const std::wstring& path, ByteCount size);

bool PathExists(const std::wstring& path);
bool IsEmptyFolder(const std::wstring& folder);

// The names of what a folder holds, sorted, without "." and "..".
std::vector<std::wstring> NamesIn(const std::wstring& folder);

// Makes link a folder link (a Linux symbolic link, which Wine reports as a reparse point)
// to target.
void MakeFolderLink(const std::wstring& link, const std::wstring& target);

// Makes link a Linux symbolic link to the file target, which Wine shows as a plain file.
void MakeFileLink(const std::wstring& link, const std::wstring& target);
// Removes such a link (RemoveTree would delete the file it leads to: Wine deletes by the
// target's name).
void RemoveFileLink(const std::wstring& link);

// The CMake project's version in its first parts (1 to 4) joined by dots: "0.4" for 2,
// "0.4.0.0" for 4 (the fourth part is always 0).
std::wstring ProjectVersionText(int parts);

// The path of a file that lies beside the running test program (a helper program, a script).
std::wstring BesideTestProgram(const std::wstring& name);

// Copies command_probe.exe, which lies beside the test program, into folder under name (for
// instance powercfg.exe) and returns its path. Started, the copy waits half a second (or as
// SetProbeWait says), writes its command line, its show-window request, its current folder and
// some variables to its own path followed by ".ran", and exits with code 3.
std::wstring PlaceCommandProbe(const std::wstring& folder, const std::wstring& name);

// Makes the probe at path wait that many milliseconds when started, until it is placed anew.
void SetProbeWait(const std::wstring& probe, DWORD milliseconds);

// What a placed probe wrote: "command line\nflags showWindow\ncurrent folder\nTEMP\nTMP\n
// SystemRoot\nPROBE_MARK" (a variable it lacks as an empty line); empty when it has not run.
std::wstring ReadProbeRecord(const std::wstring& probe);

// A command probe placed at path for the object's life; a file that held the path before is
// moved aside and put back when the object goes.
class CPlacedProbe {
 public:
  explicit CPlacedProbe(const std::wstring& path);
  ~CPlacedProbe();
  CPlacedProbe(const CPlacedProbe&) = delete;
  CPlacedProbe& operator=(const CPlacedProbe&) = delete;

  const std::wstring& Path() const { return m_strPath; }
  std::wstring Record() const { return ReadProbeRecord(m_strPath); }

 private:
  std::wstring m_strPath;
  bool m_bMovedAside = false;
};

// A system command's stand-in in the system folder, with decoys of the same name (for
// instance dism.exe) beside the test program and in the current folder, which must be
// another folder, for the object's life.
class CCommandStandIn {
 public:
  explicit CCommandStandIn(const std::wstring& name);

  std::wstring Record() const { return m_system.Record(); }
  void SetWait(DWORD milliseconds) const { SetProbeWait(m_system.Path(), milliseconds); }
  // True when a decoy ran: the command was looked for outside the system folder.
  bool DecoyRan() const;

 private:
  CPlacedProbe m_system, m_besideProgram, m_currentFolder;
};

// The current folder followed by "\" and name.
std::wstring InCurrentFolder(const std::wstring& name);

// A known folder's path as the engine looks it up.
std::wstring KnownFolder(int csidl);

// Builds a sample tree under folder: subfolders, a read-only file, names starting with a dot,
// a hidden file and a sparse file above 4 GiB. Returns the bytes of all its files.
ByteCount BuildSampleTree(const std::wstring& folder);

// Removes every application's data that the application cache rows look for (browsers, WeChat,
// QQ, DingTalk, the music players, graphics drivers, servicing logs, developer tools, Steam,
// crash dumps, their settings), so that no such row shows.
void RemoveApplicationData();

// A category row's measure or clean action, with the diagnostic lines it prints (missing font
// cache files, the absent search service) kept out of the test output.
ByteCount Measured(int row);
void Cleaned(int row);

// A desktop shell window for the object's life where the session has none (Wine has none unless
// a program sets one): per-user steps then act as its user, the test's own, and may reach the
// places that only the user's settings name.
class CTestShellWindow {
 public:
  CTestShellWindow();
  ~CTestShellWindow();
  CTestShellWindow(const CTestShellWindow&) = delete;
  CTestShellWindow& operator=(const CTestShellWindow&) = delete;

 private:
  HWND m_hWnd;
};
