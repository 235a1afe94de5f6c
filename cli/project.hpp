// Finding files: the .prg and .ch files under a folder, and the project settings file that
// applies to a file.
#pragma once

#include <string>
#include <vector>

// The name of the project settings file.
extern const char *const ProjectSettingsName;

// The nearest ProjectSettingsName in Folder or a folder above it, stopping at the file
// system's root or at a folder holding .git (that folder is still searched). Empty when
// there is none.
std::string NearestProjectSettings(const std::string &Folder);

// True for a name ending in .prg or .ch, in any case.
bool IsClipperFileName(const std::string &Path);

// Name in Folder: the two joined by one "/" (none added after a "/").
std::string JoinPath(const std::string &Folder, const std::string &Name);
// The folder part of a file's path ("." for a bare name).
std::string FolderOfPath(const std::string &Path);

// True for a path that names a folder (through links too).
bool PathIsFolder(const std::string &Path);
// True for a path that names a regular file (through links too).
bool PathIsRegularFile(const std::string &Path);

// Appends the files that a FILE argument stands for: the argument itself, or for a folder
// every .prg and .ch file under it (any case of the extension), each folder's entries in
// byte order of their names, hidden folders and symbolic links skipped. A folder that cannot be
// read adds a line to Errors.
void ExpandFileArgument(const std::string &Arg, std::vector<std::string> &Files,
                        std::vector<std::string> &Errors);
