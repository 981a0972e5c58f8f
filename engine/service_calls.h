// The Service Control Manager calls and the clock that the service stop goes through.
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
};

extern const ServiceCalls kWindowsServiceCalls;

void StopServiceWithDependents(const ServiceCalls& calls);
BOOL StopActiveDependents(const ServiceCalls& calls, SC_HANDLE service, SC_HANDLE manager);
