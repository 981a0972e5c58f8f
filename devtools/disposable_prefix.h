// The guard of every program that creates and deletes files on the machine it runs on: such a
// program runs only inside Wine and only in a prefix that our scripts made and marked as
// disposable; anywhere else, a real Windows included, it refuses.
#pragma once

#include <windows.h>

#include <string>

bool InDisposableWinePrefix();

// The Linux path at which Wine keeps a Windows path; empty outside Wine.
std::wstring UnixPath(const std::wstring& path);

// Wine keeps its Recycle Bin in the freedesktop.org trash under XDG_DATA_HOME, which our
// scripts set inside the prefix. The trash folder as a Windows path, or empty when it lies
// anywhere else: nothing may then be recycled or the bin emptied, since that would reach
// a Linux user's own trash.
std::wstring RecycleBinInsidePrefix();
