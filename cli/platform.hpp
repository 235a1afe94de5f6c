// What the tool asks of the operating system where POSIX and Windows differ: the command
// line, file names, folders, standard input and output, and the terminal. platform_posix.cpp and
// platform_windows.cpp hold the two ways; every path and argument here is UTF-8.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The characters that separate a path's components ("/", and "\" too on Windows).
extern const char PathSeparators[];

// The arguments after the program's name, as UTF-8 (Windows hands them over as UTF-16).
std::vector<std::string> CommandLineArguments(int Argc, char **Argv);
// The tool's own path, so that the setup folder beside it is found.
std::string ToolExecutablePath(const char *Argv0);
// Standard input and output pass their bytes unchanged: no line ends are translated.
void UseBinaryStdio();
// A write to a closed pipe fails with an error instead of ending the tool.
void IgnoreBrokenPipe();

// Opens a file by its UTF-8 name, as std::fopen does.
std::FILE *OpenFile(const std::string &Path, const char *Mode);

enum PathKind { PathMissing, PathFolder, PathRegularFile, PathLink, PathOtherKind };
// What Path names; with FollowLinks a link is looked through. PathMissing (errno telling why)
// when it cannot be looked at.
PathKind KindOfPath(const std::string &Path, bool FollowLinks);
// A file's identity, size and times, for telling whether it changed.
struct FileIdentityRecord {
  unsigned long long Device = 0;
  unsigned long long Inode = 0;
  unsigned long long Size = 0;
  long long Modified = 0;
  long long Changed = 0;
};
// False (errno telling why) when the file cannot be looked at.
bool IdentifyFile(const std::string &Path, FileIdentityRecord &Identity);
// The names in Folder but "." and ".."; false (errno telling why) when it cannot be read.
bool ReadFolderNames(const std::string &Folder, std::vector<std::string> &Names);
// Makes a folder; false (errno telling why) when it cannot.
bool MakeFolder(const std::string &Path);
// Makes a new folder of the tool's own among the temporary files and names it in Folder;
// false when it cannot (Folder then names where it tried).
bool MakeTempFolder(std::string &Folder);
// Removes a file, a link or an empty folder; nothing happens when it cannot.
void RemovePath(const std::string &Path);
// The path made absolute with every link resolved; empty when it cannot be.
std::string CanonicalPath(const std::string &Path);
// The length of the path's root: 1 for "/..." here; on Windows "C:", "C:\", "\" or
// "\\server\share\". 0 for a relative path.
std::size_t PathRootLength(const std::string &Path);
// The separator to put between Folder and a name in it.
char SeparatorAfter(const std::string &Folder);
// Path as the plug-in's own file calls take it: unchanged here; on Windows with backslashes
// (the tool's plug-in takes UTF-8 names there: QMATE_UTF8_FILE_NAMES).
std::string HostPath(const std::string &Path);

// Work on a thread of its own. StartBackground runs Work(Context) there and returns its
// handle, or null when no thread could be made (then nothing runs); FinishBackground waits
// for the work to end and frees the handle.
typedef void (*BackgroundWork)(void *Context);
struct BackgroundTask;
BackgroundTask *StartBackground(BackgroundWork Work, void *Context);
void FinishBackground(BackgroundTask *Task);

// The terminal of `qmate configure` (terminal_posix.cpp, terminal_windows.cpp). What is
// written to it is UTF-8 text with the few ANSI escape sequences terminal.cpp uses (cursor
// position, colours, erase to the end of the line, cursor shown or hidden); a Windows console
// without virtual terminal processing has them carried out through the console API.

// True when both standard input and standard output are a terminal (a console on Windows).
bool StdioIsTerminal();
// The terminal's size in columns and rows; false when it cannot be told.
bool TerminalSize(int &Columns, int &Rows);
// Switches the terminal to raw input on a screen of its own; the old state comes back with
// LeaveRawTerminal, at exit, or when the tool is interrupted (Ctrl+C; SIGTERM and SIGHUP
// too on POSIX). False when that is impossible.
bool EnterRawTerminal();
void LeaveRawTerminal();
// Writes to the terminal; a failed write leaves the screen as it is.
void WriteTerminal(const std::string &Text);
// The next byte of the keys typed, as a POSIX terminal sends them (keys without a character
// of their own as their escape sequences). Waits at most WaitMilliseconds, or for ever when
// it is negative; false when none came in time or input ended.
bool ReadTerminalByte(unsigned char &Byte, int WaitMilliseconds);
