// A second thread that acts with the rights of the thread that starts it. A per-user clean runs
// on a thread that impersonates the signed-in user, so that Windows refuses whatever that user
// could not delete; a thread started plainly would act with the process's own rights, an
// administrator's.
#pragma once

#include <windows.h>

class CCallerThread {
 public:
  CCallerThread() : m_pfnRoutine(nullptr), m_pContext(nullptr), m_hToken(nullptr),
                    m_hThread(nullptr) {}
  ~CCallerThread() { Join(); }
  CCallerThread(const CCallerThread&) = delete;
  CCallerThread& operator=(const CCallerThread&) = delete;

  // Starts routine(context) on a new thread under the calling thread's impersonation token, or
  // under none when the caller has none. False when no thread was started, the caller's token
  // being unreadable included. Where the token cannot be put on the new thread, routine is not
  // called: whatever it would have done is left to the caller.
  bool Start(void (*routine)(void* context), void* context);

  // Waits for the thread's end; returns at once when none was started.
  void Join();

 private:
  static DWORD WINAPI Run(void* self);

  void (*m_pfnRoutine)(void* context);
  void* m_pContext;
  HANDLE m_hToken;
  HANDLE m_hThread;
};
