#include "engine/walk/caller_thread.h"

bool CCallerThread::Start(void (*routine)(void* context), void* context) {
  if (m_hThread) return false;
  HANDLE token = nullptr;
  // Opened with the process's rights: the user impersonated need not be allowed to.
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_IMPERSONATE | TOKEN_QUERY, TRUE, &token)) {
    if (GetLastError() != ERROR_NO_TOKEN) return false;
    token = nullptr;
  }
  m_pfnRoutine = routine;
  m_pContext = context;
  m_hToken = token;
  m_hThread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  if (m_hThread) return true;
  if (m_hToken) CloseHandle(m_hToken);
  m_hToken = nullptr;
  return false;
}

void CCallerThread::Join() {
  if (!m_hThread) return;
  WaitForSingleObject(m_hThread, INFINITE);
  CloseHandle(m_hThread);
  m_hThread = nullptr;
  if (m_hToken) CloseHandle(m_hToken);
  m_hToken = nullptr;
}

DWORD WINAPI CCallerThread::Run(void* self) {
  CCallerThread& thread = *static_cast<CCallerThread*>(self);
  if (thread.m_hToken && !SetThreadToken(nullptr, thread.m_hToken)) return 1;
  thread.m_pfnRoutine(thread.m_pContext);
  if (thread.m_hToken) RevertToSelf();
  return 0;
}
