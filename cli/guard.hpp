// The guard: before a re-indented text is written or shown, it is read again by a lexer of
// its own and compared with the text it came from, so that a result that is not the same
// program never reaches a file or an editor.
#pragma once

#include "guard_lexer.hpp"

#include <cstddef>
#include <string>

// Set by tests (or QMATE_TEST_BREAK_TOKEN in the environment): the guard reads the
// re-indented text with one token changed, so a test can see it refuse a result.
extern bool CliInjectBrokenToken;

// The 1-based line of Before at which After stops being the same program, or 0 when it is
// the same: the same non-blank lines in order, each of the same tokens; words the same but
// for case or as the word tables respell them; strings, numbers, operators and comments
// byte for byte; the lines of text regions (TEXT ... ENDTEXT, #pragma __text, __stream,
// __cstream and BEGINDUMP regions, and those of text commands the file defines) byte for byte
// with their leading blanks. Blank lines, and blanks before and between tokens, are free.
int FirstChangedLine(const char *Before, std::size_t BeforeSize, const char *After,
                     std::size_t AfterSize);
// The same for the lines ReadAfter reads from After.
int FirstChangedLine(const char *Before, std::size_t BeforeSize, const void *After,
                     GuardLineReader ReadAfter);

// The same for the editor's text against the bytes it was loaded from (Before), its lines
// read where the editor keeps them.
int EditorFirstChangedLine(const char *Before, std::size_t BeforeSize);

// The message for a result refused at Line of the file Name ("NAME:LINE: ...").
std::string GuardRefusal(const std::string &Name, int Line);
