#include <windows.h>
// After windows.h: the Task Scheduler's interfaces.
#include <taskschd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "kernel/calendar.h"
#include "kernel/hourly_schedule.h"
#include "kernel/utf16_win32.h"

namespace {

constexpr wchar_t kTaskName[] = L"Lumvik Hastighed hver time";
// The run without a console of its own, beside this program.
constexpr wchar_t kScheduledProgram[] = L"lumvik-hastighed-scheduled.exe";

// The ids, of our own: the libraries that would bring them clash with wx's copy of libuuid.
const CLSID kTaskScheduler = {
    0x0f87369f, 0xa4e5, 0x4cfc, {0xbd, 0x3e, 0x73, 0xe6, 0x15, 0x45, 0x72, 0xdd}};
const IID kITaskService = {
    0x2faba4c7, 0x4da9, 0x4013, {0x96, 0x97, 0x20, 0xcc, 0x3f, 0xd4, 0x0f, 0x85}};
const IID kIDailyTrigger = {
    0x126c5cd8, 0xb288, 0x41d5, {0x8d, 0xbf, 0xe4, 0x91, 0x44, 0x6a, 0xdc, 0x5c}};
const IID kIExecAction = {
    0x4c3d624d, 0xfd6b, 0x49a3, {0xb9, 0xb7, 0x09, 0xcb, 0x3c, 0xd3, 0xf0, 0x47}};

// A COM interface released when it goes.
template <typename T>
class Com {
 public:
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (m_p) m_p->Release();
  }
  T** Out() { return &m_p; }
  void** AsVoid() { return reinterpret_cast<void**>(&m_p); }
  T* operator->() const { return m_p; }
  T* Get() const { return m_p; }

 private:
  T* m_p = nullptr;
};

class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : m_b(::SysAllocString(text.c_str())) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { ::SysFreeString(m_b); }
  operator BSTR() const { return m_b; }

 private:
  BSTR m_b;
};

std::string Failed(const char* what, HRESULT result) {
  char text[128];
  std::snprintf(text, sizeof text, "%s failed (0x%08lX)", what, static_cast<unsigned long>(result));
  return text;
}

bool IsMissing(HRESULT result) {
  return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
         result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// COM on this thread for as long as it lives.
class ComThread {
 public:
  ComThread() : m_result(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ComThread(const ComThread&) = delete;
  ComThread& operator=(const ComThread&) = delete;
  ~ComThread() {
    if (SUCCEEDED(m_result)) ::CoUninitialize();
  }

 private:
  HRESULT m_result;
};

// The user's Task Scheduler and its root folder; false with the reason in `why`.
bool OpenScheduler(Com<ITaskService>& service, Com<ITaskFolder>& folder, std::string* why) {
  HRESULT result = ::CoCreateInstance(kTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, kITaskService,
                                      service.AsVoid());
  if (FAILED(result)) {
    *why = Failed("the Task Scheduler", result);
    return false;
  }
  VARIANT none;
  ::VariantInit(&none);
  if (FAILED(result = service->Connect(none, none, none, none))) {
    *why = Failed("connecting to the Task Scheduler", result);
    return false;
  }
  if (FAILED(result = service->GetFolder(Bstr(L"\\"), folder.Out()))) {
    *why = Failed("the Task Scheduler's folder", result);
    return false;
  }
  return true;
}

// Today at `hour`:`minute`, local time, as the Task Scheduler writes a start.
std::wstring TodayAt(int hour, int minute) {
  const std::tm parts = LocalParts(std::time(nullptr));
  wchar_t text[32];
  std::swprintf(text, 32, L"%04d-%02d-%02dT%02d:%02d:00", parts.tm_year + 1900, parts.tm_mon + 1,
                parts.tm_mday, hour, minute);
  return text;
}

// The minute of the hour this computer's runs start at, chosen once as the task is made:
// with the random delay of up to 10 minutes, the customers' runs spread over the whole hour.
int MinuteOfItsOwn() {
  std::random_device random;
  return static_cast<int>(random() % 50);
}

std::wstring ScheduledProgramPath() {
  wchar_t own[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, own, MAX_PATH);
  std::wstring path(own, length);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + kScheduledProgram;
}

// Every hour at a minute of its own, each start delayed by up to 10 minutes more at random,
// given `arguments` after --scheduled; the run in the user's
// session, on battery too, ended after 15 minutes, never two at once. The hours are 24
// daily triggers rather than one repeated: Wine's Task Scheduler has daily triggers only.
// A setting that the scheduler refuses leaves the task without it: its name goes into
// `unset`, and the task runs all the same.
HRESULT DescribeTask(ITaskDefinition* task, const std::string& arguments,
                     std::vector<std::string>* unset) {
  const auto setting = [unset](HRESULT result, const char* name) {
    if (FAILED(result)) unset->push_back(Failed(name, result));
  };
  HRESULT result;
  Com<ITaskSettings> settings;
  if (FAILED(result = task->get_Settings(settings.Out()))) return result;
  setting(settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE), "the start on battery");
  setting(settings->put_StopIfGoingOnBatteries(VARIANT_FALSE), "the run on battery");
  setting(settings->put_ExecutionTimeLimit(Bstr(L"PT15M")), "the limit of 15 minutes a run");
  setting(settings->put_MultipleInstances(TASK_INSTANCES_IGNORE_NEW), "one run at a time");
  Com<ITriggerCollection> triggers;
  if (FAILED(result = task->get_Triggers(triggers.Out()))) return result;
  HRESULT delay = S_OK;
  const int minute = MinuteOfItsOwn();
  for (int hour = 0; hour < 24; ++hour) {
    Com<ITrigger> trigger;
    Com<IDailyTrigger> daily;
    if (FAILED(result = triggers->Create(TASK_TRIGGER_DAILY, trigger.Out())) ||
        FAILED(result = trigger->QueryInterface(kIDailyTrigger, daily.AsVoid())) ||
        FAILED(result = daily->put_StartBoundary(Bstr(TodayAt(hour, minute)))) ||
        FAILED(result = daily->put_DaysInterval(1))) {
      return result;
    }
    if (const HRESULT delayed = daily->put_RandomDelay(Bstr(L"PT10M")); FAILED(delayed)) {
      delay = delayed;
    }
  }
  setting(delay, "the random delay of each start");
  Com<IActionCollection> actions;
  Com<IAction> action;
  Com<IExecAction> run;
  if (FAILED(result = task->get_Actions(actions.Out())) ||
      FAILED(result = actions->Create(TASK_ACTION_EXEC, action.Out())) ||
      FAILED(result = action->QueryInterface(kIExecAction, run.AsVoid())) ||
      FAILED(result = run->put_Path(Bstr(ScheduledProgramPath()))) ||
      FAILED(result = run->put_Arguments(Bstr(Widen("--scheduled " + arguments))))) {
    return result;
  }
  return S_OK;
}

// What the registered task gives the scheduled run after --scheduled; empty where it cannot
// be read.
std::string TaskArguments(IRegisteredTask* task) {
  Com<ITaskDefinition> definition;
  Com<IActionCollection> actions;
  Com<IAction> action;
  Com<IExecAction> run;
  BSTR arguments = nullptr;
  if (FAILED(task->get_Definition(definition.Out())) ||
      FAILED(definition->get_Actions(actions.Out())) ||
      FAILED(actions->get_Item(1, action.Out())) ||
      FAILED(action->QueryInterface(kIExecAction, run.AsVoid())) ||
      FAILED(run->get_Arguments(&arguments)) || !arguments) {
    return std::string();
  }
  std::string words = Narrow(arguments);
  ::SysFreeString(arguments);
  const std::string scheduled = "--scheduled";
  if (words.rfind(scheduled, 0) == 0) words.erase(0, scheduled.size());
  return words.substr(std::min(words.size(), words.find_first_not_of(' ')));
}

}  // namespace

CScheduleStatus QueryHourlySchedule() {
  const ComThread com;
  CScheduleStatus status;
  Com<ITaskService> service;
  Com<ITaskFolder> folder;
  if (!OpenScheduler(service, folder, &status.detail)) return status;
  Com<IRegisteredTask> task;
  const HRESULT result = folder->GetTask(Bstr(kTaskName), task.Out());
  VARIANT_BOOL enabled = VARIANT_FALSE;
  if (SUCCEEDED(result) && SUCCEEDED(task->get_Enabled(&enabled)) && enabled) {
    status.state = ScheduleState::kOn;
    status.arguments = TaskArguments(task.Get());
  } else if (SUCCEEDED(result) || IsMissing(result)) {
    status.state = ScheduleState::kOff;
  } else {
    status.detail = Failed("reading the task", result);
    return status;
  }
  status.detail = Narrow(std::wstring(L"the task \"") + kTaskName + L"\"");
  return status;
}

bool SetHourlySchedule(bool on, const std::string& arguments, std::string* why) {
  const ComThread com;
  Com<ITaskService> service;
  Com<ITaskFolder> folder;
  if (!OpenScheduler(service, folder, why)) return false;
  HRESULT result;
  if (!on) {
    result = folder->DeleteTask(Bstr(kTaskName), 0);
    if (FAILED(result) && !IsMissing(result)) *why = Failed("removing the task", result);
    return SUCCEEDED(result) || IsMissing(result);
  }
  Com<ITaskDefinition> task;
  std::vector<std::string> unset;
  if (FAILED(result = service->NewTask(0, task.Out())) ||
      FAILED(result = DescribeTask(task.Get(), arguments, &unset))) {
    *why = Failed("describing the task", result);
    return false;
  }
  VARIANT none;
  ::VariantInit(&none);
  Com<IRegisteredTask> registered;
  result =
      folder->RegisterTaskDefinition(Bstr(kTaskName), task.Get(), TASK_CREATE_OR_UPDATE, none, none,
                                     TASK_LOGON_INTERACTIVE_TOKEN, none, registered.Out());
  if (FAILED(result)) {
    *why = Failed("registering the task", result);
    return false;
  }
  why->clear();
  for (const std::string& name : unset) {
    *why += (why->empty() ? "the task runs without " : "; ") + name;
  }
  return true;
}
