// The terminal on POSIX systems: termios for raw input, ANSI escapes written as they are.
#include "fileio.hpp"
#include "platform.hpp"

#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct TerminalRecord {
  bool Raw = false;
  termios Saved;
};
TerminalRecord Terminal;

const char EnterSequence[] = "\x1b[?1049h\x1b[H\x1b[2J";
const char LeaveSequence[] = "\x1b[0m\x1b[?25h\x1b[?1049l";

// Puts the terminal back; only calls that are safe inside a signal handler.
void RestoreTerminal() {
  if (!Terminal.Raw)
    return;
  Terminal.Raw = false;
  WriteAll(STDOUT_FILENO, LeaveSequence, sizeof(LeaveSequence) - 1);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &Terminal.Saved);
}

extern "C" void OnTerminalSignal(int Signal) {
  RestoreTerminal();
  std::signal(Signal, SIG_DFL);
  std::raise(Signal);
}

extern "C" void RestoreTerminalAtExit() {
  RestoreTerminal();
}

} // namespace

bool StdioIsTerminal() {
  return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
}

bool TerminalSize(int &Columns, int &Rows) {
  winsize Size;
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &Size) != 0 || Size.ws_col == 0 || Size.ws_row == 0)
    return false;
  Columns = Size.ws_col;
  Rows = Size.ws_row;
  return true;
}

bool EnterRawTerminal() {
  if (Terminal.Raw)
    return true;
  if (tcgetattr(STDIN_FILENO, &Terminal.Saved) != 0)
    return false;
  termios Raw = Terminal.Saved;
  // Keys arrive one at a time, unechoed; Ctrl+C still raises SIGINT, which restores.
  Raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | IEXTEN));
  Raw.c_iflag &= static_cast<tcflag_t>(~(IXON | ICRNL | INLCR | ISTRIP));
  Raw.c_cc[VMIN] = 1;
  Raw.c_cc[VTIME] = 0;
  static bool HandlersSet = false;
  if (!HandlersSet) {
    HandlersSet = true;
    std::signal(SIGINT, OnTerminalSignal);
    std::signal(SIGTERM, OnTerminalSignal);
    std::signal(SIGHUP, OnTerminalSignal);
    std::atexit(RestoreTerminalAtExit);
  }
  if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &Raw) != 0)
    return false;
  Terminal.Raw = true;
  WriteAll(STDOUT_FILENO, EnterSequence, sizeof(EnterSequence) - 1);
  return true;
}

void LeaveRawTerminal() {
  RestoreTerminal();
}

void WriteTerminal(const std::string &Text) {
  WriteAll(STDOUT_FILENO, Text.data(), Text.size());
}

bool ReadTerminalByte(unsigned char &Byte, int WaitMilliseconds) {
  if (WaitMilliseconds >= 0) {
    pollfd In{STDIN_FILENO, POLLIN, 0};
    if (poll(&In, 1, WaitMilliseconds) <= 0)
      return false;
  }
  return read(STDIN_FILENO, &Byte, 1) == 1;
}
