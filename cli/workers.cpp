// Worker processes for many files (worker threads on Windows: workers_windows.cpp). Each record
// travels back through a pipe as one message: the file's index, its status, whether it changed, its
// output and its lines for standard error, each length-prefixed.
#include "workers.hpp"
#include "fileio.hpp"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>

#ifndef _WIN32
#include <poll.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

void RunHere(const std::vector<std::string> &Files, std::size_t From,
             const std::function<FileRunRecord(const std::string &)> &Work,
             const std::function<void(FileRunRecord &)> &Report) {
  for (std::size_t I = From; I < Files.size(); ++I) {
    FileRunRecord R = Work(Files[I]);
    Report(R);
  }
}

#ifndef _WIN32

void PutNumber(std::string &Out, std::uint64_t Value) {
  Out.append(reinterpret_cast<const char *>(&Value), sizeof(Value));
}

void PutText(std::string &Out, const std::string &Text) {
  PutNumber(Out, Text.size());
  Out += Text;
}

std::string Message(std::size_t Index, const FileRunRecord &R) {
  std::string Out;
  PutNumber(Out, 0); // the message's length, filled in below
  PutNumber(Out, Index);
  PutNumber(Out, static_cast<std::uint64_t>(R.Status));
  PutNumber(Out, (R.Changed ? 1 : 0) | (R.Skipped ? 2 : 0));
  PutText(Out, R.Out);
  PutNumber(Out, R.Err.size());
  for (const std::string &Line : R.Err)
    PutText(Out, Line);
  std::uint64_t Length = Out.size();
  std::memcpy(&Out[0], &Length, sizeof(Length));
  return Out;
}

// Reads the message at the front of Buffer; false when it is not complete yet.
bool TakeMessage(std::string &Buffer, std::size_t &Index, FileRunRecord &R) {
  std::uint64_t Length = 0;
  if (Buffer.size() < sizeof(Length))
    return false;
  std::memcpy(&Length, Buffer.data(), sizeof(Length));
  if (Buffer.size() < Length)
    return false;
  std::size_t At = sizeof(Length);
  auto Number = [&]() {
    std::uint64_t Value;
    std::memcpy(&Value, Buffer.data() + At, sizeof(Value));
    At += sizeof(Value);
    return Value;
  };
  auto Text = [&]() {
    std::size_t Size = Number();
    std::string T = Buffer.substr(At, Size);
    At += Size;
    return T;
  };
  Index = Number();
  R.Status = static_cast<int>(Number());
  std::uint64_t Flags = Number();
  R.Changed = (Flags & 1) != 0;
  R.Skipped = (Flags & 2) != 0;
  R.Out = Text();
  R.Err.resize(Number());
  for (std::string &Line : R.Err)
    Line = Text();
  Buffer.erase(0, Length);
  return true;
}

#endif

} // namespace

int WorkerCount(std::size_t Count) {
#ifdef _WIN32
  long Cores = ProcessorCount();
#else
  long Cores = sysconf(_SC_NPROCESSORS_ONLN);
#endif
  const char *Forced = std::getenv("QMATE_WORKERS");
  if (Forced && std::atol(Forced) > 0)
    Cores = std::atol(Forced);
  if (Cores < 1)
    Cores = 1;
  return static_cast<int>(static_cast<std::size_t>(Cores) < Count ? Cores : Count);
}

void RunOnFiles(const std::vector<std::string> &Files, int Workers,
                const std::function<FileRunRecord(const std::string &)> &Work,
                const std::function<void(FileRunRecord &)> &Report) {
  if (Workers < 2 || Files.size() < 2) {
    RunHere(Files, 0, Work, Report);
    return;
  }
#ifdef _WIN32
  RunOnThreads(Files, Workers, Work, Report);
#else
  // The next file to take, shared by the workers.
  void *Shared = mmap(nullptr, sizeof(std::atomic<std::size_t>), PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (Shared == MAP_FAILED) {
    RunHere(Files, 0, Work, Report);
    return;
  }
  std::atomic<std::size_t> *Next = new (Shared) std::atomic<std::size_t>(0);
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  std::vector<pid_t> Pids;
  std::vector<int> Pipes;
  for (int W = 0; W < Workers; ++W) {
    int Fds[2];
    if (pipe(Fds) != 0)
      break;
    pid_t Pid = fork();
    if (Pid < 0) {
      close(Fds[0]);
      close(Fds[1]);
      break;
    }
    if (Pid == 0) {
      close(Fds[0]);
      for (int Fd : Pipes)
        close(Fd);
      bool Ok = true;
      for (std::size_t I = (*Next)++; Ok && I < Files.size(); I = (*Next)++) {
        std::string Sent = Message(I, Work(Files[I]));
        Ok = WriteAll(Fds[1], Sent.data(), Sent.size());
      }
      _exit(Ok ? 0 : 1);
    }
    close(Fds[1]);
    Pids.push_back(Pid);
    Pipes.push_back(Fds[0]);
  }
  // The records as they come, printed as soon as all those before them were.
  std::map<std::size_t, FileRunRecord> Waiting;
  std::size_t Printed = 0;
  std::vector<std::string> Buffers(Pipes.size());
  std::vector<bool> Open(Pipes.size(), true);
  std::size_t OpenCount = Pipes.size();
  std::vector<char> Chunk(1 << 16);
  while (OpenCount > 0) {
    std::vector<pollfd> Polled;
    std::vector<std::size_t> Which;
    for (std::size_t P = 0; P < Pipes.size(); ++P)
      if (Open[P]) {
        Polled.push_back({Pipes[P], POLLIN, 0});
        Which.push_back(P);
      }
    if (poll(Polled.data(), Polled.size(), -1) < 0)
      continue;
    for (std::size_t K = 0; K < Polled.size(); ++K) {
      if (Polled[K].revents == 0)
        continue;
      std::size_t P = Which[K];
      ssize_t Got = read(Pipes[P], Chunk.data(), Chunk.size());
      if (Got <= 0) {
        Open[P] = false;
        --OpenCount;
        close(Pipes[P]);
        continue;
      }
      Buffers[P].append(Chunk.data(), static_cast<std::size_t>(Got));
      std::size_t Index;
      FileRunRecord R;
      while (TakeMessage(Buffers[P], Index, R))
        Waiting[Index] = std::move(R);
      for (auto It = Waiting.find(Printed); It != Waiting.end(); It = Waiting.find(Printed)) {
        Report(It->second);
        Waiting.erase(It);
        ++Printed;
      }
    }
  }
  for (pid_t Pid : Pids)
    waitpid(Pid, nullptr, 0);
  munmap(Shared, sizeof(std::atomic<std::size_t>));
  // Files whose records never came (a worker that died, or none started) are run here.
  for (; Printed < Files.size(); ++Printed) {
    auto It = Waiting.find(Printed);
    if (It != Waiting.end()) {
      Report(It->second);
      continue;
    }
    FileRunRecord R = Work(Files[Printed]);
    Report(R);
  }
#endif
}
