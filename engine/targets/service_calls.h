// The Service Control Manager calls and the clock that the service stop and restart go through.
// The program uses the real ones; tests put a simulated manager and clock in their place.
#pragma once

#include <windows.h>

struct ServiceCalls {
  decltype(&::OpenSCManagerW) openManager;
  decltype(&::OpenServiceW) openService;
  decltype(&::QueryServiceStatusEx) queryStatus;
  decltype(&::ControlService) control;
  decltype(&::EnumDependentServicesW) enumDependents;
  decltype(&::CloseServiceHandle) close;
  decltype(&::GetTickCount) tickCount;
  decltype(&::Sleep) sleep;
  decltype(&::StartServiceW) start;
};

extern const ServiceCalls kWindowsServiceCalls;

// The services that a stop took down, in the order it sent them the stop request.
struct StoppedServices {
  static const int kCapacity = 16;
  static const int kNameUnits = 257;  // service names have at most 256 characters
  wchar_t names[kCapacity][kNameUnits];
  int count;
};

// With a record, a service is stopped only when there is room to note it, and noted once it
// has accepted the stop request.
void StopServiceWithDependents(const ServiceCalls& calls, StoppedServices* stopped = nullptr);
BOOL StopActiveDependents(const ServiceCalls& calls, SC_HANDLE service, SC_HANDLE manager,
                          StoppedServices* stopped = nullptr);
// Starts the noted services again, the last stopped first, each once it has finished stopping
// and each waited for within a budget of its own.
void StartStoppedServices(const ServiceCalls& calls, const StoppedServices& stopped);
// Stops "WSearch" and its active dependents, runs work whatever the stop's outcome, then
// starts again every service that the stop took down. Services that were not running before
// stay stopped.
void RunWithSearchStopped(const ServiceCalls& calls, void (*work)());
// The search cache target with the service calls given; CleanSearchCache uses Windows' own.
ByteCount CleanSearchCacheWith(const ServiceCalls& calls, BOOL measureOnly);
