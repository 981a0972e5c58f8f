// Stopping the Windows Search service, and what depends on it, while its data is deleted,
// and starting again what was stopped.
#include "engine/engine.h"
#include "engine/targets/service_calls.h"

#include <stdio.h>
#include <wchar.h>

namespace {

const wchar_t kSearchService[] = L"WSearch";
const DWORD kBudgetMs = 30000;

bool BudgetSpent(const ServiceCalls& calls, DWORD start) {
  return calls.tickCount() - start > kBudgetMs;  // unsigned: survives the counter's wrap
}

// A tenth of the hint, kept between one and ten seconds.
DWORD PendingWait(DWORD waitHint) {
  DWORD wait = waitHint / 10;
  if (wait < 1000) return 1000;
  if (wait > 10000) return 10000;
  return wait;
}

// Whether name can be noted in stopped (always, without a record) with keepFree places left
// over for services still to be stopped.
bool CanNote(const StoppedServices* stopped, const wchar_t* name, int keepFree) {
  return !stopped || (stopped->count + keepFree < StoppedServices::kCapacity &&
                      wcslen(name) < StoppedServices::kNameUnits);
}

void Note(StoppedServices* stopped, const wchar_t* name) {
  if (!stopped || !CanNote(stopped, name, 0)) return;
  wcscpy(stopped->names[stopped->count++], name);
}

BOOL QueryStatus(const ServiceCalls& calls, SC_HANDLE service, SERVICE_STATUS_PROCESS* status) {
  DWORD needed = 0;
  return calls.queryStatus(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(status),
                           sizeof(SERVICE_STATUS_PROCESS), &needed);
}

// Stops one dependent and waits for it; false at any failure or when the budget is spent.
// A dependent that cannot be noted is not stopped, so that nothing stays down unnoted; one
// place stays free for the service it depends on.
BOOL StopDependent(const ServiceCalls& calls, SC_HANDLE manager, const wchar_t* name,
                   DWORD start, StoppedServices* record) {
  if (!CanNote(record, name, 1)) return FALSE;
  SC_HANDLE dependent = calls.openService(manager, name, SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (!dependent) return FALSE;
  SERVICE_STATUS_PROCESS status = {};
  BOOL stopped = calls.control(dependent, SERVICE_CONTROL_STOP,
                               reinterpret_cast<SERVICE_STATUS*>(&status));
  if (stopped) Note(record, name);
  while (stopped && status.dwCurrentState != SERVICE_STOPPED) {
    calls.sleep(status.dwWaitHint);
    if (!QueryStatus(calls, dependent, &status)) stopped = FALSE;
    else if (status.dwCurrentState == SERVICE_STOPPED) break;
    else if (BudgetSpent(calls, start)) stopped = FALSE;
  }
  calls.close(dependent);
  return stopped;
}

// Waits out a stop that is already pending. True when the caller should go on and stop
// the service itself; every other outcome has written its line.
bool WaitForPendingStop(const ServiceCalls& calls, SC_HANDLE service,
                        SERVICE_STATUS_PROCESS* status, DWORD start) {
  while (status->dwCurrentState == SERVICE_STOP_PENDING) {
    printf("Service stop pending...\n");
    calls.sleep(PendingWait(status->dwWaitHint));
    if (!QueryStatus(calls, service, status)) {
      printf("QueryServiceStatusEx failed (%d)\n", static_cast<int>(GetLastError()));
      return false;
    }
    if (status->dwCurrentState == SERVICE_STOPPED) {
      printf("Service stopped successfully.\n");
      return false;
    }
    if (BudgetSpent(calls, start)) {
      printf("Service stop timed out.\n");
      return false;
    }
  }
  return true;
}

// Sends the stop request and waits until the service reports it has stopped.
void StopAndWait(const ServiceCalls& calls, SC_HANDLE service, SERVICE_STATUS_PROCESS* status,
                 DWORD start, StoppedServices* stopped) {
  if (!calls.control(service, SERVICE_CONTROL_STOP, reinterpret_cast<SERVICE_STATUS*>(status))) {
    printf("ControlService failed (%d)\n", static_cast<int>(GetLastError()));
    return;
  }
  Note(stopped, kSearchService);
  while (status->dwCurrentState != SERVICE_STOPPED) {
    calls.sleep(status->dwWaitHint);
    if (!QueryStatus(calls, service, status)) {
      printf("QueryServiceStatusEx failed (%d)\n", static_cast<int>(GetLastError()));
      return;
    }
    if (status->dwCurrentState == SERVICE_STOPPED) break;
    if (BudgetSpent(calls, start)) {
      printf("Wait timed out\n");
      return;
    }
  }
  printf("Service stopped successfully\n");
}

// Queries the status into status and waits, in steps of a tenth of the wait hint, while it is
// pending; false when a query fails or the budget counted from start runs out first.
bool WaitWhilePending(const ServiceCalls& calls, SC_HANDLE service, DWORD pending,
                      SERVICE_STATUS_PROCESS* status, DWORD start) {
  if (!QueryStatus(calls, service, status)) return false;
  while (status->dwCurrentState == pending) {
    if (BudgetSpent(calls, start)) return false;
    calls.sleep(PendingWait(status->dwWaitHint));
    if (!QueryStatus(calls, service, status)) return false;
  }
  return true;
}

// Starts one stopped service and waits until it runs. A stop that ran out of time may still be
// under way: the service can start only once it has ended. A service that someone else has
// started meanwhile is left as it is.
void StartAndWait(const ServiceCalls& calls, SC_HANDLE manager, const wchar_t* name) {
  const DWORD start = calls.tickCount();
  SC_HANDLE service = calls.openService(manager, name, SERVICE_START | SERVICE_QUERY_STATUS);
  if (!service) {
    printf("%S  OpenService failed (%d)\n", name, static_cast<int>(GetLastError()));
    return;
  }
  SERVICE_STATUS_PROCESS status = {};
  if (!WaitWhilePending(calls, service, SERVICE_STOP_PENDING, &status, start)) {
    printf("%S  stop did not end\n", name);
  } else if (status.dwCurrentState == SERVICE_STOPPED) {
    if (!calls.start(service, 0, nullptr))
      printf("%S  StartService failed (%d)\n", name, static_cast<int>(GetLastError()));
    else if (WaitWhilePending(calls, service, SERVICE_START_PENDING, &status, start) &&
             status.dwCurrentState == SERVICE_RUNNING)
      printf("%S  started\n", name);
    else
      printf("%S  did not start\n", name);
  }
  calls.close(service);
}

}  // namespace

const ServiceCalls kWindowsServiceCalls = {
    ::OpenSCManagerW, ::OpenServiceW,       ::QueryServiceStatusEx, ::ControlService,
    ::EnumDependentServicesW, ::CloseServiceHandle, ::GetTickCount, ::Sleep,
    ::StartServiceW,
};

BOOL StopActiveDependents(const ServiceCalls& calls, SC_HANDLE service, SC_HANDLE manager,
                          StoppedServices* stopped) {
  const DWORD start = calls.tickCount();
  DWORD needed = 0;
  DWORD count = 0;
  if (calls.enumDependents(service, SERVICE_ACTIVE, nullptr, 0, &needed, &count)) return TRUE;
  if (GetLastError() != ERROR_MORE_DATA) return FALSE;
  HANDLE heap = GetProcessHeap();
  auto* dependents =
      static_cast<ENUM_SERVICE_STATUSW*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, needed));
  if (!dependents) return FALSE;
  BOOL allStopped =
      calls.enumDependents(service, SERVICE_ACTIVE, dependents, needed, &needed, &count);
  for (DWORD i = 0; allStopped && i < count; ++i)
    allStopped = StopDependent(calls, manager, dependents[i].lpServiceName, start, stopped);
  HeapFree(heap, 0, dependents);
  return allStopped;
}

void StopServiceWithDependents(const ServiceCalls& calls, StoppedServices* stopped) {
  const DWORD start = calls.tickCount();
  SC_HANDLE manager = calls.openManager(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) {
    printf("OpenSCManager failed (%d)\n", static_cast<int>(GetLastError()));
    return;
  }
  SC_HANDLE service = calls.openService(
      manager, kSearchService, SERVICE_STOP | SERVICE_ENUMERATE_DEPENDENTS | SERVICE_QUERY_STATUS);
  if (!service) {
    printf("%S  OpenService failed (%d)\n", kSearchService, static_cast<int>(GetLastError()));
    calls.close(manager);
    return;
  }
  SERVICE_STATUS_PROCESS status = {};
  if (!QueryStatus(calls, service, &status)) {
    printf("QueryServiceStatusEx failed (%d)\n", static_cast<int>(GetLastError()));
  } else if (status.dwCurrentState == SERVICE_STOPPED) {
    printf("Service is already stopped.\n");
  } else if (WaitForPendingStop(calls, service, &status, start)) {
    StopActiveDependents(calls, service, manager, stopped);
    StopAndWait(calls, service, &status, start, stopped);
  }
  calls.close(service);
  calls.close(manager);
}

void StartStoppedServices(const ServiceCalls& calls, const StoppedServices& stopped) {
  if (stopped.count == 0) return;
  SC_HANDLE manager = calls.openManager(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) {
    printf("OpenSCManager failed (%d)\n", static_cast<int>(GetLastError()));
    return;
  }
  // Last stopped first: a service runs again before the services that depend on it.
  for (int i = stopped.count - 1; i >= 0; --i) StartAndWait(calls, manager, stopped.names[i]);
  calls.close(manager);
}

void RunWithSearchStopped(const ServiceCalls& calls, void (*work)()) {
  StoppedServices stopped = {};
  StopServiceWithDependents(calls, &stopped);
  work();
  StartStoppedServices(calls, stopped);
}

void StopServiceWithDependents() { StopServiceWithDependents(kWindowsServiceCalls); }

BOOL StopActiveDependents(SC_HANDLE service, SC_HANDLE manager) {
  return StopActiveDependents(kWindowsServiceCalls, service, manager);
}
