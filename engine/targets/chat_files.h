// The pictures, videos and files that WeChat 4, WeChat 3 and the new QQ keep of every chat,
// sorted into month folders named YYYY-MM. They are the user's own data, often the only copy
// (the server keeps them only for a while), so no clean row takes them: only the chat-files
// tool, by the user's choice of rows and age. Every routine here reaches them from the roots
// the cache rows find (chat_roots.h), through handles, never through a link; callers act as
// the user (a CUserRights that Acts()).
#pragma once

#include "engine/engine.h"

// The client layouts, each with its own account folders and month folders.
enum ChatLayout { kWeChat4Layout, kWeChat3Layout, kNewQQLayout };
const int kChatLayoutCount = 3;

enum ChatKind { kChatPictures, kChatVideos, kChatFiles };

// The image names of the layout's program (ending in a null): while one runs, its rows stay.
const wchar_t* const* ChatPrograms(ChatLayout layout);

// Account folders with longer names are passed over.
const int kChatAccountSize = 128;

// One row of the tool: an account's pictures, videos or files.
struct ChatRow {
  ChatLayout layout;
  ChatKind kind;
  wchar_t account[kChatAccountSize];
};

const int kMaxChatRows = 60;

struct ChatRows {
  int count;
  ChatRow rows[kMaxChatRows];
};

// "<client> <account> <kind>": "微信 wxid_x 图片", "QQ 12345 视频" (label: size units).
void ChatRowLabel(const ChatRow& row, wchar_t* label, size_t size);

// Whether a listed name (length characters, not terminated) is a month folder's: exactly
// four digits, "-", and a month 01 to 12. Its year and month then.
bool ParseMonthFolder(const wchar_t* name, size_t length, int* year, int* month);

// Whether the last day of a month lies more than monthsAgo months before today: "older than N
// months". The day N months before today is today's day in that month, or its last day where
// the month is shorter.
bool IsMonthOlder(int year, int month, const SYSTEMTIME& today, int monthsAgo);

// The files the tool takes: those in month folders older than monthsAgo months before today.
struct ChatAge {
  SYSTEMTIME today;
  int monthsAgo;
};

// The rows found, one for each account and kind with a month folder, each client's accounts in
// the order found and each account's kinds in the order pictures, videos, files. Never the File
// Transfer Assistant's chat, the databases, nor anything else.
void FindChatRows(ChatRows& rows);

struct ChatSize {
  ByteCount bytes;
  ULONG files;
};

// What a row holds older than age. Links in month folders are neither followed nor counted.
ChatSize SizeChatRow(const ChatRow& row, const ChatAge& age);

// What taking rows into the Recycle Bin did.
enum ChatStay {
  kStayNotMoved,     // the shell left them (in use, refused to the user)
  kStayNoBin,        // their drive has no Recycle Bin
  kStayBinDeletes,   // their Recycle Bin is set to delete files at once
  kStayBinTooSmall,  // their Recycle Bin cannot hold what was chosen on that drive
  kStayBinRefused,   // the shell, moving them, found their Recycle Bin would not keep them
  kStayClientRuns,   // their client was running
};
const int kChatStayCount = 6;

struct ChatRecycleReport {
  ChatSize moved;
  ChatSize stayed[kChatStayCount];
};

// The move itself: recycle gets a list of full paths, each ending in a NUL and the list in a
// second, and moves them into the Recycle Bin, setting the flag in keptBack (one for each path,
// false on entry) of each it left because the bin would not keep it (MoveToRecycleBin; tests
// put others in its place).
typedef void (*RecycleCall)(const wchar_t* paths, bool* keptBack);

// Moves the rows' files older than age into their drive's Recycle Bin with recycle, one month
// folder at a time, and removes the folders it has emptied, calling progress with the number of
// files handled so far after each. A drive whose Recycle Bin would not keep all that was chosen
// there (JudgeRecycleBin) keeps it all; so do the rows of a client that runs.
void RecycleChatRows(const ChatRows& rows, const ChatAge& age, RecycleCall recycle,
                     void (*progress)(ULONG filesDone, void* context), void* context,
                     ChatRecycleReport& report);
