// Worker threads for many files on Windows. The plug-in's module-level records are one per
// thread in this build (PER_THREAD), so each worker starts from a copy of what the main
// thread loaded, takes the next file from a shared counter and leaves its record for the
// main thread, which reports the records in the files' order as they arrive.
#include "workers.hpp"
#include "../sim/sim.hpp"
#include "../src/host/session.hpp"
#include "../src/reindent/reindent.hpp"
#include "../src/settings/settings.hpp"
#include "../src/words/words.hpp"
#include "driver.hpp"

#include <atomic>
#include <map>
#include <process.h>
#include <windows.h>

namespace {

// The plug-in's and the simulated host's state as the main thread's start left it.
struct LoadedStateRecord {
  PluginSettingsRecord Settings;
  PluginRulesRecord Rules;
  std::string IncludeFolders;
  std::string Folder;
  WordTablesRecord Words;
  PluginStartupInfo Services;
  EditorSessionRecord Session;
  DefinitionWordsRecord Definitions;
  ReindentSinkRecord Sink;
  const char *LineNumbers;
  SimHostRecord Host;
  CliSetupRecord Setup;
};

LoadedStateRecord TakeLoadedState() {
  return {PluginSettings, PluginRules,   PluginIncludeFolders, PluginFolder, WordTables,
          HostServices,   EditorSession, DefinitionWords,      ReindentSink, ReindentLineNumbers,
          SimHost,        CliSetup};
}

void UseLoadedState(const LoadedStateRecord &State) {
  PluginSettings = State.Settings;
  PluginRules = State.Rules;
  PluginIncludeFolders = State.IncludeFolders;
  PluginFolder = State.Folder;
  WordTables = State.Words;
  HostServices = State.Services;
  EditorSession = State.Session;
  DefinitionWords = State.Definitions;
  ReindentSink = State.Sink;
  ReindentLineNumbers = State.LineNumbers;
  SimHost = State.Host;
  CliSetup = State.Setup;
}

// What the workers share: the files, the work, the next file to take and the records done,
// the last two under Lock.
struct ThreadRunRecord {
  const std::vector<std::string> &Files;
  const std::function<FileRunRecord(const std::string &)> &Work;
  const LoadedStateRecord &State;
  std::atomic<std::size_t> Next{0};
  CRITICAL_SECTION Lock{};
  CONDITION_VARIABLE Arrived{};
  std::map<std::size_t, FileRunRecord> Done{};
  int Running = 0;
};

unsigned __stdcall RunWorker(void *Context) {
  ThreadRunRecord &Run = *static_cast<ThreadRunRecord *>(Context);
  UseLoadedState(Run.State);
  for (std::size_t I = Run.Next++; I < Run.Files.size(); I = Run.Next++) {
    FileRunRecord R = Run.Work(Run.Files[I]);
    EnterCriticalSection(&Run.Lock);
    Run.Done.emplace(I, std::move(R));
    LeaveCriticalSection(&Run.Lock);
    WakeConditionVariable(&Run.Arrived);
  }
  EnterCriticalSection(&Run.Lock);
  --Run.Running;
  LeaveCriticalSection(&Run.Lock);
  WakeConditionVariable(&Run.Arrived);
  return 0;
}

} // namespace

long ProcessorCount() {
  DWORD Count = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
  if (Count == 0) {
    SYSTEM_INFO Info;
    GetSystemInfo(&Info);
    Count = Info.dwNumberOfProcessors;
  }
  return static_cast<long>(Count < MaxThreadWorkers ? Count : MaxThreadWorkers);
}

void RunOnThreads(const std::vector<std::string> &Files, int Workers,
                  const std::function<FileRunRecord(const std::string &)> &Work,
                  const std::function<void(FileRunRecord &)> &Report) {
  LoadedStateRecord State = TakeLoadedState();
  ThreadRunRecord Run{Files, Work, State};
  InitializeCriticalSection(&Run.Lock);
  InitializeConditionVariable(&Run.Arrived);
  std::vector<HANDLE> Threads;
  for (int W = 0; W < Workers && W < MaxThreadWorkers; ++W) {
    EnterCriticalSection(&Run.Lock);
    ++Run.Running;
    LeaveCriticalSection(&Run.Lock);
    uintptr_t Thread = _beginthreadex(nullptr, 0, RunWorker, &Run, 0, nullptr);
    if (Thread == 0) {
      EnterCriticalSection(&Run.Lock);
      --Run.Running;
      LeaveCriticalSection(&Run.Lock);
      break;
    }
    Threads.push_back(reinterpret_cast<HANDLE>(Thread));
  }
  // The records in the files' order, each as soon as those before it were reported. A file
  // no worker took (none could be started) is run here.
  EnterCriticalSection(&Run.Lock);
  for (std::size_t Printed = 0; Printed < Files.size();) {
    auto It = Run.Done.find(Printed);
    if (It == Run.Done.end() && Run.Running > 0) {
      SleepConditionVariableCS(&Run.Arrived, &Run.Lock, INFINITE);
      continue;
    }
    FileRunRecord R;
    bool Here = It == Run.Done.end();
    if (!Here) {
      R = std::move(It->second);
      Run.Done.erase(It);
    }
    LeaveCriticalSection(&Run.Lock);
    if (Here) {
      UseLoadedState(State);
      R = Work(Files[Printed]);
    }
    Report(R);
    ++Printed;
    EnterCriticalSection(&Run.Lock);
  }
  LeaveCriticalSection(&Run.Lock);
  for (HANDLE Thread : Threads) {
    WaitForSingleObject(Thread, INFINITE);
    CloseHandle(Thread);
  }
  DeleteCriticalSection(&Run.Lock);
}
