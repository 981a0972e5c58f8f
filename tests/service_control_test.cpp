// Stopping the search service and its dependents, and starting again what was stopped, against
// a simulated Service Control Manager.
// The simulated clock moves only when the code sleeps, so no test waits for real.
#include "test_support.h"

#include "engine/engine.h"
#include "engine/targets/service_calls.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

const ULONGLONG kNever = ~0ULL;

struct SimService {
  DWORD state = SERVICE_RUNNING;
  DWORD waitHint = 1000;
  ULONGLONG stopsAt = kNever;            // clock time at which a pending stop ends...
  DWORD afterPending = SERVICE_STOPPED;  // ...in this state (a failed stop runs again)
  ULONGLONG stopTakes = kNever;          // how long a stop request takes to complete
  ULONGLONG startTakes = 0;              // how long a start takes
  ULONGLONG startsAt = kNever;           // clock time at which a pending start ends
  DWORD startError = 0;
  std::vector<std::string> dependents;   // in the manager's order
  DWORD openError = 0, controlError = 0, enumError = 0;  // the call fails with this code
  int failingQuery = 0;  // the query, counted from 1, that fails with queryError
  DWORD queryError = 0;
  int queries = 0;
};

struct Sim {
  std::map<std::string, SimService> services;
  DWORD managerError = 0;
  DWORD tickBase = 0;  // tick count when the run starts
  ULONGLONG now = 0;   // milliseconds since the run started
  std::vector<std::string> calls;
  std::map<SC_HANDLE, std::string> open;  // handle -> "manager" or the service name
  uintptr_t lastHandle = 0x100;
};

Sim* g_sim;

std::string Hex(DWORD value) {
  char text[16];
  snprintf(text, sizeof text, "0x%lx", value);
  return text;
}

template <typename Result = BOOL>
Result Fail(DWORD error) {
  SetLastError(error);
  return Result();
}

std::string What(SC_HANDLE handle) {
  auto it = g_sim->open.find(handle);
  return it == g_sim->open.end() ? "?" : it->second;
}

SC_HANDLE NewHandle(const std::string& what) {
  SC_HANDLE handle = reinterpret_cast<SC_HANDLE>(++g_sim->lastHandle);
  g_sim->open[handle] = what;
  return handle;
}

// The leading SERVICE_STATUS part, which the status record shares.
SERVICE_STATUS StatusOf(const SimService& service) {
  return {SERVICE_WIN32_OWN_PROCESS, service.state, 0, 0, 0, 0, service.waitHint};
}

void Settle(SimService& service) {
  if (service.state == SERVICE_STOP_PENDING && g_sim->now >= service.stopsAt)
    service.state = service.afterPending;
  if (service.state == SERVICE_START_PENDING && g_sim->now >= service.startsAt)
    service.state = SERVICE_RUNNING;
}

// Records the call and gives the service behind an open handle, brought up to date.
SimService& Opened(SC_HANDLE handle, const std::string& call) {
  std::string name = What(handle);
  EXPECT_NE(name, "?") << call << " on a handle that is not open";
  g_sim->calls.push_back(call + " " + name);
  SimService& service = g_sim->services[name];
  Settle(service);
  return service;
}

// The search index folder, which row 10 walks between the stop and the restart.
std::wstring IndexFile() {
  return KnownFolder(CSIDL_COMMON_APPDATA) +
         L"\\Microsoft\\Search\\Data\\Applications\\Windows\\Windows.edb";
}

SC_HANDLE WINAPI SimOpenManager(LPCWSTR machine, LPCWSTR database, DWORD access) {
  EXPECT_TRUE(!machine && !database) << "not the local active database";
  // The restart connects, the stop asks for all access: whether the index was walked in
  // between shows here.
  if (access == SC_MANAGER_CONNECT)
    g_sim->calls.push_back(PathExists(IndexFile()) ? "Index left" : "Index walked");
  g_sim->calls.push_back("OpenSCManager " + Hex(access));
  if (g_sim->managerError) return Fail<SC_HANDLE>(g_sim->managerError);
  return NewHandle("manager");
}

SC_HANDLE WINAPI SimOpenService(SC_HANDLE manager, LPCWSTR wideName, DWORD access) {
  EXPECT_EQ(What(manager), "manager");
  std::string name(wideName, wideName + wcslen(wideName));
  g_sim->calls.push_back("OpenService " + name + " " + Hex(access));
  auto it = g_sim->services.find(name);
  if (it == g_sim->services.end()) return Fail<SC_HANDLE>(ERROR_SERVICE_DOES_NOT_EXIST);
  if (it->second.openError) return Fail<SC_HANDLE>(it->second.openError);
  return NewHandle(name);
}

BOOL WINAPI SimQuery(SC_HANDLE handle, SC_STATUS_TYPE level, LPBYTE buffer, DWORD size,
                     LPDWORD needed) {
  SimService& service = Opened(handle, "Query");
  EXPECT_EQ(level, SC_STATUS_PROCESS_INFO);
  EXPECT_EQ(size, 36u);
  if (++service.queries == service.failingQuery) return Fail(service.queryError);
  *reinterpret_cast<SERVICE_STATUS*>(buffer) = StatusOf(service);
  *needed = sizeof(SERVICE_STATUS_PROCESS);
  return TRUE;
}

BOOL WINAPI SimControl(SC_HANDLE handle, DWORD control, LPSERVICE_STATUS status) {
  SimService& service = Opened(handle, "Stop");
  EXPECT_EQ(control, static_cast<DWORD>(SERVICE_CONTROL_STOP));
  if (service.controlError) return Fail(service.controlError);
  if (service.state == SERVICE_RUNNING) {
    service.state = SERVICE_STOP_PENDING;
    service.afterPending = SERVICE_STOPPED;
    service.stopsAt = service.stopTakes == kNever ? kNever : g_sim->now + service.stopTakes;
    Settle(service);
  }
  *status = StatusOf(service);
  return TRUE;
}

BOOL WINAPI SimStart(SC_HANDLE handle, DWORD argumentCount, LPCWSTR* arguments) {
  SimService& service = Opened(handle, "Start");
  EXPECT_TRUE(argumentCount == 0 && !arguments);
  if (service.startError) return Fail(service.startError);
  if (service.state != SERVICE_STOPPED) return Fail(ERROR_SERVICE_ALREADY_RUNNING);
  service.state = SERVICE_START_PENDING;
  service.startsAt = service.startTakes == kNever ? kNever : g_sim->now + service.startTakes;
  Settle(service);
  return TRUE;
}

BOOL WINAPI SimEnumDependents(SC_HANDLE handle, DWORD filter, LPENUM_SERVICE_STATUSW buffer,
                              DWORD size, LPDWORD needed, LPDWORD count) {
  SimService& service = Opened(handle, "EnumDependents");
  EXPECT_EQ(filter, static_cast<DWORD>(SERVICE_ACTIVE));
  *count = 0;
  if (service.enumError) return Fail(service.enumError);
  std::vector<std::wstring> active;
  for (const std::string& name : service.dependents)
    if (g_sim->services[name].state != SERVICE_STOPPED)
      active.emplace_back(name.begin(), name.end());
  *needed = 0;
  for (const std::wstring& name : active)
    *needed += sizeof(ENUM_SERVICE_STATUSW) + (name.size() + 1) * sizeof(wchar_t);
  if (size < *needed) return Fail(ERROR_MORE_DATA);
  wchar_t* text = reinterpret_cast<wchar_t*>(buffer + active.size());
  for (const std::wstring& name : active) {
    *buffer++ = {text, text, {}};
    text = std::copy(name.c_str(), name.c_str() + name.size() + 1, text);
  }
  *count = static_cast<DWORD>(active.size());
  return TRUE;
}

BOOL WINAPI SimClose(SC_HANDLE handle) {
  g_sim->calls.push_back("Close " + What(handle));
  EXPECT_EQ(g_sim->open.erase(handle), 1u) << "closing a handle that is not open";
  return TRUE;
}

DWORD WINAPI SimTickCount() { return g_sim->tickBase + static_cast<DWORD>(g_sim->now); }

VOID WINAPI SimSleep(DWORD ms) {
  g_sim->calls.push_back("Sleep " + std::to_string(ms));
  g_sim->now += std::max<DWORD>(ms, 1);  // even Sleep(0) lets time pass
}

const ServiceCalls kSimCalls = {SimOpenManager,    SimOpenService, SimQuery,
                                SimControl,        SimEnumDependents, SimClose,
                                SimTickCount,      SimSleep,       SimStart};

using Calls = std::vector<std::string>;

std::string Repeat(const std::string& line, int times) {
  std::string text;
  while (times-- > 0) text += line;
  return text;
}

// The sleeps expected: {count, milliseconds} runs in order.
Calls Sleeps(std::initializer_list<std::pair<int, DWORD>> runs) {
  Calls sleeps;
  for (auto run : runs)
    sleeps.insert(sleeps.end(), run.first, "Sleep " + std::to_string(run.second));
  return sleeps;
}

class ServiceStop : public testing::Test {
 protected:
  ServiceStop() { g_sim = &m_sim; }

  SimService& Search(DWORD state, DWORD waitHint, ULONGLONG stopTakes = kNever) {
    SimService& search = m_sim.services["WSearch"];
    search.state = state;
    search.waitHint = waitHint;
    search.stopTakes = stopTakes;
    return search;
  }
  SimService& Dependent(const std::string& name, ULONGLONG stopTakes, DWORD waitHint = 1000) {
    m_sim.services["WSearch"].dependents.push_back(name);
    SimService& dependent = m_sim.services[name];
    dependent.stopTakes = stopTakes;
    dependent.waitHint = waitHint;
    return dependent;
  }
  // Runs the stop and gives what it wrote; every handle it opened must be closed again.
  std::string Run() {
    testing::internal::CaptureStdout();
    StopServiceWithDependents(kSimCalls);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(m_sim.open.empty()) << m_sim.open.size() << " handle(s) left open";
    return out;
  }
  Calls Only(const std::string& kind) const {
    Calls found;
    for (const std::string& call : m_sim.calls)
      if (call.rfind(kind + " ", 0) == 0) found.push_back(call);
    return found;
  }

  Sim m_sim;
};

TEST_F(ServiceStop, AlreadyStoppedWritesOneLineAndTouchesNothing) {
  Search(SERVICE_STOPPED, 0);
  Dependent("Helper", 0);
  EXPECT_EQ(Run(), "Service is already stopped.\n");
  EXPECT_EQ(m_sim.calls, (Calls{"OpenSCManager 0xf003f", "OpenService WSearch 0x2c",
                                "Query WSearch", "Close WSearch", "Close manager"}));
}

TEST_F(ServiceStop, PendingStopIsWaitedOutInTenthsOfTheHintWithoutAStopRequest) {
  struct Case { DWORD hint; ULONGLONG stopsAt; DWORD wait; int waits; };
  for (Case c : {Case{5000, 2500, 1000, 3}, Case{200000, 25000, 10000, 3},
                 Case{40000, 9000, 4000, 3}, Case{0, 500, 1000, 1}}) {
    SCOPED_TRACE(c.hint);
    m_sim = Sim();
    Search(SERVICE_STOP_PENDING, c.hint).stopsAt = c.stopsAt;
    Dependent("Helper", 0);
    EXPECT_EQ(Run(), Repeat("Service stop pending...\n", c.waits) +
                         "Service stopped successfully.\n");
    EXPECT_EQ(Only("Sleep"), Sleeps({{c.waits, c.wait}}));
    EXPECT_EQ(Only("Stop"), Calls());
    EXPECT_EQ(Only("EnumDependents"), Calls());
  }
}

// Thirty seconds are still within the budget, and a stop seen by the query that passes it counts.
TEST_F(ServiceStop, TimesOutOnlyPastThirtySecondsEvenWhenTheTickCountWraps) {
  for (DWORD tickBase : {0ul, 0xFFFFFFFFul - 15000}) {
    for (ULONGLONG stopsAt : {kNever, 40000ull}) {
      SCOPED_TRACE(testing::Message() << tickBase << " " << stopsAt);
      bool stops = stopsAt != kNever;
      m_sim = Sim();
      m_sim.tickBase = tickBase;
      Search(SERVICE_STOP_PENDING, 200000).stopsAt = stopsAt;  // waits of 10 s
      std::string last = stops ? "Service stopped successfully.\n" : "Service stop timed out.\n";
      EXPECT_EQ(Run(), Repeat("Service stop pending...\n", 4) + last);
      EXPECT_EQ(Only("Sleep"), Sleeps({{4, 10000}}));
      EXPECT_EQ(Only("Stop"), Calls());

      m_sim = Sim();
      m_sim.tickBase = tickBase;
      Search(SERVICE_RUNNING, 10000, stopsAt);
      EXPECT_EQ(Run(), stops ? "Service stopped successfully\n" : "Wait timed out\n");
      EXPECT_EQ(Only("Sleep"), Sleeps({{4, 10000}}));
    }
  }
}

TEST_F(ServiceStop, BudgetRunsFromTheStartWhileDependentsCountTheirOwn) {
  SimService& search = Search(SERVICE_STOP_PENDING, 5000);
  search.stopsAt = 20000;
  search.afterPending = SERVICE_RUNNING;  // the pending stop fails after 20 s of the budget
  EXPECT_EQ(Run(), Repeat("Service stop pending...\n", 20) + "Wait timed out\n");
  EXPECT_EQ(Only("Sleep"), Sleeps({{20, 1000}, {3, 5000}}));


  m_sim = Sim();
  SimService& late = Search(SERVICE_STOP_PENDING, 5000, 1000);
  late.stopsAt = 20000;
  late.afterPending = SERVICE_RUNNING;
  Dependent("Helper", 25000, 5000);  // 20 s into the run, yet given its own 30 s
  EXPECT_EQ(Run(), Repeat("Service stop pending...\n", 20) + "Service stopped successfully\n");
  EXPECT_EQ(Only("Sleep"), Sleeps({{20, 1000}, {5, 5000}, {1, 5000}}));  // dependent, service
}

TEST_F(ServiceStop, RunningServiceWithoutActiveDependentsIsStoppedWaitingTheFullHint) {
  Search(SERVICE_RUNNING, 700, 2000);
  Dependent("Idle", 0).state = SERVICE_STOPPED;
  EXPECT_EQ(Run(), "Service stopped successfully\n");
  EXPECT_EQ(m_sim.calls,
            (Calls{"OpenSCManager 0xf003f", "OpenService WSearch 0x2c", "Query WSearch",
                   "EnumDependents WSearch", "Stop WSearch", "Sleep 700", "Query WSearch",
                   "Sleep 700", "Query WSearch", "Sleep 700", "Query WSearch", "Close WSearch",
                   "Close manager"}));
}

TEST_F(ServiceStop, DependentsAreStoppedOneAtATimeInOrderBeforeTheService) {
  Search(SERVICE_RUNNING, 1000, 1000);
  Dependent("Alpha", 0);
  Dependent("Beta", 1500, 1000);
  Dependent("Gamma", 300, 500);
  EXPECT_EQ(Run(), "Service stopped successfully\n");
  EXPECT_EQ(m_sim.calls,
            (Calls{"OpenSCManager 0xf003f", "OpenService WSearch 0x2c", "Query WSearch",
                   "EnumDependents WSearch", "EnumDependents WSearch",
                   "OpenService Alpha 0x24", "Stop Alpha", "Close Alpha",
                   "OpenService Beta 0x24", "Stop Beta", "Sleep 1000", "Query Beta",
                   "Sleep 1000", "Query Beta", "Close Beta",
                   "OpenService Gamma 0x24", "Stop Gamma", "Sleep 500", "Query Gamma",
                   "Close Gamma",
                   "Stop WSearch", "Sleep 1000", "Query WSearch", "Close WSearch",
                   "Close manager"}));
}

TEST_F(ServiceStop, FailingDependentEndsTheDependentsButTheServiceIsStillStopped) {
  enum Failure { kOpen, kStop, kQuery, kNeverStops, kEnumeration };
  for (Failure failure : {kOpen, kStop, kQuery, kNeverStops, kEnumeration}) {
    SCOPED_TRACE(failure);
    m_sim = Sim();
    SimService& search = Search(SERVICE_RUNNING, 1000, 0);
    Dependent("Alpha", 0);
    SimService& beta = Dependent("Beta", 2000, 10000);
    Dependent("Gamma", 0);
    if (failure == kOpen) beta.openError = ERROR_ACCESS_DENIED;
    if (failure == kStop) beta.controlError = ERROR_DEPENDENT_SERVICES_RUNNING;
    if (failure == kQuery) beta.failingQuery = 1, beta.queryError = ERROR_INVALID_HANDLE;
    if (failure == kNeverStops) beta.stopTakes = kNever;
    if (failure == kEnumeration) search.enumError = ERROR_ACCESS_DENIED;

    EXPECT_EQ(Run(), "Service stopped successfully\n");
    Calls stops = Only("Stop");
    ASSERT_FALSE(stops.empty());
    EXPECT_EQ(stops.back(), "Stop WSearch");
    EXPECT_EQ(Only("OpenService").size(), failure == kEnumeration ? 1u : 3u);  // never Gamma
    EXPECT_EQ(Only("Sleep").size(), failure == kNeverStops ? 4u : failure == kQuery ? 1u : 0u);
  }
}

TEST_F(ServiceStop, StopActiveDependentsTellsWhetherEveryDependentStopped) {
  Search(SERVICE_RUNNING, 1000);
  SC_HANDLE manager = SimOpenManager(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE search = SimOpenService(manager, L"WSearch", SERVICE_ENUMERATE_DEPENDENTS);
  EXPECT_TRUE(StopActiveDependents(kSimCalls, search, manager));  // none
  Dependent("Alpha", 0);
  Dependent("Beta", 1000);
  EXPECT_TRUE(StopActiveDependents(kSimCalls, search, manager));
  Dependent("Gamma", 500).controlError = ERROR_ACCESS_DENIED;
  EXPECT_FALSE(StopActiveDependents(kSimCalls, search, manager));
  m_sim.services["WSearch"].enumError = ERROR_ACCESS_DENIED;
  EXPECT_FALSE(StopActiveDependents(kSimCalls, search, manager));
  EXPECT_EQ(m_sim.open.size(), 2u);  // no dependent left open
  SimClose(search);
  SimClose(manager);
}

TEST_F(ServiceStop, RefusedStopRequestIsReported) {
  Search(SERVICE_RUNNING, 1000).controlError = ERROR_ACCESS_DENIED;
  Dependent("Alpha", 0);
  EXPECT_EQ(Run(), "ControlService failed (5)\n");
  EXPECT_EQ(Only("Stop"), (Calls{"Stop Alpha", "Stop WSearch"}));
  EXPECT_EQ(Only("Sleep"), Calls());
}

TEST_F(ServiceStop, FailedStatusQueriesAreReported) {
  struct Case { DWORD state; int failingQuery; DWORD error; const char* out; size_t stops; };
  for (Case c : {Case{SERVICE_RUNNING, 1, 6, "QueryServiceStatusEx failed (6)\n", 0},
                 Case{SERVICE_STOP_PENDING, 2, 5,
                      "Service stop pending...\nQueryServiceStatusEx failed (5)\n", 0},
                 Case{SERVICE_RUNNING, 3, 1053, "QueryServiceStatusEx failed (1053)\n", 1}}) {
    SCOPED_TRACE(c.failingQuery);
    m_sim = Sim();
    SimService& search = Search(c.state, 1000);
    search.failingQuery = c.failingQuery;
    search.queryError = c.error;
    EXPECT_EQ(Run(), c.out);
    EXPECT_EQ(Only("Stop").size(), c.stops);
    EXPECT_EQ(Only("Query").size(), static_cast<size_t>(c.failingQuery));
  }
}

TEST_F(ServiceStop, UnavailableManagerOrMissingServiceIsReported) {
  m_sim.managerError = ERROR_ACCESS_DENIED;
  EXPECT_EQ(Run(), "OpenSCManager failed (5)\n");
  EXPECT_EQ(m_sim.calls, Calls{"OpenSCManager 0xf003f"});

  m_sim = Sim();  // no search service at all
  EXPECT_EQ(Run(), "WSearch  OpenService failed (1060)\n");
  EXPECT_EQ(m_sim.calls, (Calls{"OpenSCManager 0xf003f", "OpenService WSearch 0x2c",
                                "Close manager"}));
}

class ServiceRestart : public ServiceStop {
 protected:
  // Runs the search cache's clean and the restart after it, and gives what they wrote.
  std::string RunClean() {
    testing::internal::CaptureStdout();
    CleanSearchCacheWith(kSimCalls, FALSE);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(m_sim.open.empty()) << m_sim.open.size() << " handle(s) left open";
    return out;
  }
  Calls StopsAndStarts() const {
    Calls found;
    for (const std::string& call : m_sim.calls)
      if (call.rfind("Stop ", 0) == 0 || call.rfind("Start ", 0) == 0 || call[0] == 'I')
        found.push_back(call);
    return found;
  }
  std::map<std::string, DWORD> States() const {
    std::map<std::string, DWORD> states;
    for (const auto& service : m_sim.services) states[service.first] = service.second.state;
    return states;
  }
  // The calls from the index walk on.
  Calls AfterTheWalk() const {
    auto walk = std::find(m_sim.calls.begin(), m_sim.calls.end(), "Index walked");
    return walk == m_sim.calls.end() ? Calls() : Calls(walk + 1, m_sim.calls.end());
  }
};

TEST_F(ServiceRestart, WhatTheRowStoppedStartsAfterTheWalkInReverseOrder) {
  WriteFileOfSize(IndexFile(), 4096);
  Search(SERVICE_RUNNING, 1000, 0).startTakes = 1500;
  Dependent("Alpha", 0);
  Dependent("Beta", 0);
  Dependent("Idle", 0).state = SERVICE_STOPPED;
  std::map<std::string, DWORD> before = States();

  EXPECT_EQ(RunClean(), "Service stopped successfully\nWSearch  started\nBeta  started\n"
                        "Alpha  started\n");
  EXPECT_EQ(StopsAndStarts(), (Calls{"Stop Alpha", "Stop Beta", "Stop WSearch", "Index walked",
                                     "Start WSearch", "Start Beta", "Start Alpha"}));
  // Each service runs before the next is started, those that depend on it after it.
  EXPECT_EQ(AfterTheWalk(),
            (Calls{"OpenSCManager 0x1", "OpenService WSearch 0x14", "Query WSearch",
                   "Start WSearch", "Query WSearch", "Sleep 1000", "Query WSearch", "Sleep 1000",
                   "Query WSearch", "Close WSearch", "OpenService Beta 0x14", "Query Beta",
                   "Start Beta", "Query Beta", "Close Beta", "OpenService Alpha 0x14",
                   "Query Alpha", "Start Alpha", "Query Alpha", "Close Alpha", "Close manager"}));
  EXPECT_EQ(States(), before);
}

TEST_F(ServiceRestart, ServicesTheRowDidNotStopStayAsTheyWere) {
  enum Case { kAlreadyStopped, kStoppingByItself, kSearchRefuses, kManyDependents };
  for (Case c : {kAlreadyStopped, kStoppingByItself, kSearchRefuses, kManyDependents}) {
    SCOPED_TRACE(c);
    m_sim = Sim();
    SimService& search = Search(SERVICE_RUNNING, 1000, 0);
    Dependent("Alpha", 0);
    Calls starts = {"Start WSearch", "Start Alpha"};
    if (c == kAlreadyStopped) {
      search.state = SERVICE_STOPPED;
      m_sim.services["Alpha"].state = SERVICE_STOPPED;
      starts = {};
    } else if (c == kStoppingByItself) {
      search.state = SERVICE_STOP_PENDING;
      search.stopsAt = 1500;
      starts = {};
    } else if (c == kSearchRefuses) {
      search.controlError = ERROR_ACCESS_DENIED;
      starts = {"Start Alpha"};
    } else {
      // The record holds sixteen: fourteen more dependents are stopped and noted, leaving the
      // place for the search service; the last two are not stopped, so none stays down unnoted.
      for (int i = 2; i <= 17; ++i) Dependent("D" + std::to_string(i), 0);
      starts = {"Start WSearch"};
      for (int i = 15; i >= 2; --i) starts.push_back("Start D" + std::to_string(i));
      starts.push_back("Start Alpha");
    }
    std::map<std::string, DWORD> before = States();
    if (c == kStoppingByItself) before["WSearch"] = SERVICE_STOPPED;
    RunClean();
    EXPECT_EQ(Only("Start"), starts);
    EXPECT_EQ(States(), before);
  }
}

TEST_F(ServiceRestart, EachStartIsWaitedForWithinItsOwnBudgetAndFailuresDoNotStopTheRest) {
  // The search service outlasts the stop's budget, so the restart first waits for the stop to
  // end; then its start never completes.
  SimService& search = Search(SERVICE_RUNNING, 10000, 45000);
  search.startTakes = kNever;
  Dependent("Alpha", 0);
  Dependent("Beta", 0).startError = ERROR_SERVICE_DISABLED;

  EXPECT_EQ(RunClean(), "Wait timed out\nWSearch  did not start\n"
                        "Beta  StartService failed (1058)\nAlpha  started\n");
  Calls sleeps;
  for (const std::string& call : AfterTheWalk())
    if (call.rfind("Sleep ", 0) == 0) sleeps.push_back(call);
  // From 40 s on: 5 s until the stop ends at 45 s, then the start until 30 s have passed.
  EXPECT_EQ(sleeps, Sleeps({{31, 1000}}));
  EXPECT_EQ(Only("Start"), (Calls{"Start WSearch", "Start Beta", "Start Alpha"}));
  EXPECT_EQ(m_sim.services["Alpha"].state, static_cast<DWORD>(SERVICE_RUNNING));
}

// Wine's service manager has no Windows Search service.
TEST(ServiceStopUnderWine, MissingSearchServiceIsReported) {
  testing::internal::CaptureStdout();
  StopServiceWithDependents();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "WSearch  OpenService failed (1060)\n");
}

}  // namespace
