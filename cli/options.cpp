// Parsing of the qmate command line into CliOptions, with one clear line for each mistake,
// and the help texts. The verbs and the options are two tables: a new verb is one row of
// VerbRules (and one line of RunCommandLine).
#include "options.hpp"
#include "setting_keys.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#ifndef QMATE_VERSION
#define QMATE_VERSION "0.0"
#endif

namespace {

// The options, each a bit in a verb's set.
enum OptionBit : unsigned {
  OptSetup = 1u << 0,
  OptSet = 1u << 1,
  OptAssume = 1u << 2,
  OptLines = 1u << 3,
  OptCursor = 1u << 4,
  OptInPlace = 1u << 5,
  OptCheck = 1u << 6,
  OptDiff = 1u << 7,
  OptMenu = 1u << 8,
  OptSave = 1u << 9,
  OptInfer = 1u << 10,
  OptForceExtension = 1u << 11,
  OptWrite = 1u << 12,
  OptInclude = 1u << 13,
  OptNoVerify = 1u << 14,
  OptFormat = 1u << 15,
};
const unsigned Common = OptSetup | OptSet;

struct OptionRule {
  unsigned Bit;
  const char *Long;
  const char *Short; // or null
  const char *Value; // the value's name, or null for a switch
  const char *Help;
};

const OptionRule OptionRules[] = {
    {OptLines, "--lines", nullptr, "A-B",
     "work on lines A to B (from 1, inclusive; N alone is one line), as a block marked in "
     "the editor"},
    {OptCursor, "--cursor", nullptr, "L:C",
     "the cursor's place when the command starts (line from 1, column from 0); a block is "
     "re-indented from the cursor's column"},
    {OptInPlace, "--in-place", "-i", nullptr,
     "rewrite the files (through a temporary file and a rename; unchanged files are not "
     "touched)"},
    {OptCheck, "--check", nullptr, nullptr,
     "change nothing; name each file that would change and exit 1 (with --diff: show the "
     "changes instead)"},
    {OptDiff, "--diff", nullptr, nullptr, "print the changes as a unified diff"},
    {OptForceExtension, "--force-extension", nullptr, nullptr,
     "with -i, --check or --diff, work on named files whatever their extension (without it, "
     "a file not named .prg or .ch is skipped; a binary or UTF-16 file always is)"},
    {OptMenu, "--menu", nullptr, nullptr,
     "print the list as the plug-in's menu shows it, the pre-selected entry marked *"},
    {OptSave, "--save", nullptr, nullptr,
     "write the settings of the setup folder and --set to its qmate.ini"},
    {OptInfer, "--infer", nullptr, nullptr,
     "first infer the settings that fit each file's own indentation best (as qmate infer "
     "does), then re-indent it with them"},
    {OptWrite, "--write", nullptr, nullptr,
     "write the settings into FOLDER/.qmate.ini (one FOLDER named): the keys inferred "
     "change or are added, every other key, section and comment stays"},
    {OptNoVerify, "--no-verify", nullptr, nullptr,
     "do not check that the re-indented text is the same program (without it, a result whose "
     "tokens, strings, comments or text regions differ is refused: exit status 3)"},
    {OptFormat, "--format", nullptr, "FORMAT",
     "text (FILE:LINE:COLUMN: warning: MESSAGE, one line a problem; the default) or json (an "
     "array of {file, line, column, severity, message})"},
    {OptSetup, "--setup", nullptr, "DIR",
     "the folder with qmate.ini, Keywords.dat and Replace.dat (default: $QMATE_SETUP, else "
     "setup beside qmate, else ../share/qmate/setup, else the built-in word files)"},
    {OptSet, "--set", nullptr, "KEY=VALUE",
     "one setting for this run, over every settings file (KEY in any case; see SETTINGS)"},
    {OptInclude, "--include", "-I", "DIR",
     "a folder searched for the headers a file includes, after the file's own folder and "
     "before the folders of [Rules] Include (repeatable)"},
    {OptAssume, "--assume-filename", nullptr, "NAME",
     "the name used for standard input (-) in messages, diffs and the search for "
     ".qmate.ini (default stdin.prg)"},
};

struct VerbRule {
  const char *Name;
  const char *Operands; // shown after the options in the usage line
  const char *Summary;
  unsigned Options;
  bool TakesFiles; // FILE... (or WORD... for spell)
  bool NeedsLines;
  bool Folders; // FILE may be a folder, and several files are taken
};

const VerbRule VerbRules[] = {
    {"reindent", "FILE...", "re-indent the files (or the lines of --lines)",
     Common | OptAssume | OptLines | OptCursor | OptInPlace | OptCheck | OptDiff | OptInfer |
         OptForceExtension | OptInclude | OptNoVerify,
     true, false, true},
    {"annotate", "FILE...", "add the opening clause as a comment to each ENDIF, NEXT and ENDDO",
     Common | OptAssume | OptLines | OptInPlace | OptCheck | OptDiff | OptForceExtension, true,
     false, true},
    {"comment", "FILE...", "comment the lines of --lines out with //",
     Common | OptAssume | OptLines | OptInPlace | OptDiff | OptForceExtension, true, true, true},
    {"uncomment", "FILE...", "remove the // of the lines of --lines",
     Common | OptAssume | OptLines | OptInPlace | OptDiff | OptForceExtension, true, true, true},
    {"procs", "FILE...", "list the procedure and function headers as FILE:LINE:TEXT",
     Common | OptAssume | OptCursor | OptMenu, true, false, true},
    {"infer", "FILE...",
     "print the settings (Modern rules) that reproduce the files' own indentation best, one "
     "set for all of them, as qmate.ini lines, then the files that fit them worst",
     Common | OptAssume | OptWrite | OptInclude, true, false, true},
    {"lint", "FILE...",
     "report the blocks left open, closed by a word of another kind or closed without an "
     "opener, and text regions and comments never closed; exit 1 when there is any",
     Common | OptAssume | OptInclude | OptFormat, true, false, true},
    {"spell", "WORD...", "respell words as the re-indenter does", Common, true, false, false},
    {"settings", "[FILE]",
     "print the settings in effect (for FILE: with its .qmate.ini) and the files read",
     Common | OptSave, true, false, false},
    {"preview", "", "draw the settings dialog with its preview", Common, false, false, false},
    {"configure", "", "run the settings dialog in the terminal and save it to qmate.ini", Common,
     false, false, false},
    {"lsp", "", "serve the Language Server Protocol on standard input and output",
     Common | OptInclude | OptNoVerify, false, false, false},
};

bool ParseInt(const std::string &Text, long long Low, long long High, int &Out) {
  if (Text.empty())
    return false;
  std::size_t I = 0;
  if (Text[0] == '-' || Text[0] == '+')
    I = 1;
  if (I >= Text.size())
    return false;
  for (std::size_t K = I; K < Text.size(); ++K)
    if (Text[K] < '0' || Text[K] > '9')
      return false;
  errno = 0;
  long long Value = std::strtoll(Text.c_str(), nullptr, 10);
  if (errno == ERANGE || Value < Low || Value > High)
    return false;
  Out = static_cast<int>(Value);
  return true;
}

bool ParsePair(const std::string &Text, char Separator, int &A, int &B, long long LowB) {
  std::size_t At = Text.find(Separator);
  if (At == std::string::npos)
    return false;
  return ParseInt(Text.substr(0, At), 1, INT_MAX, A) &&
         ParseInt(Text.substr(At + 1), LowB, INT_MAX, B);
}

const VerbRule *FindVerb(const std::string &Name) {
  for (const VerbRule &R : VerbRules)
    if (Name == R.Name)
      return &R;
  return nullptr;
}

const OptionRule *FindOption(const std::string &Name) {
  for (const OptionRule &O : OptionRules)
    if (Name == O.Long || (O.Short && Name == O.Short))
      return &O;
  return nullptr;
}

std::string UsageLine(const VerbRule &R) {
  std::string Line = std::string("qmate ") + R.Name + " [options]";
  if (*R.Operands)
    Line += std::string(" ") + R.Operands;
  return Line;
}

// "  NAME   text" with the text from column Indent, wrapped to 79 columns.
std::string HelpEntry(const std::string &Name, const std::string &Text, std::size_t Indent = 26) {
  std::string Out = "  " + Name;
  if (Out.size() >= Indent)
    Out += "\n" + std::string(Indent, ' ');
  else
    Out += std::string(Indent - Out.size(), ' ');
  std::size_t Column = Indent;
  bool LineStart = true;
  std::size_t At = 0;
  while (At < Text.size()) {
    std::size_t End = Text.find(' ', At);
    if (End == std::string::npos)
      End = Text.size();
    std::string Word = Text.substr(At, End - At);
    At = End + 1;
    if (!LineStart && Column + 1 + Word.size() > 79) {
      Out += "\n" + std::string(Indent, ' ');
      Column = Indent;
      LineStart = true;
    }
    if (!LineStart) {
      Out += " ";
      ++Column;
    }
    Out += Word;
    Column += Word.size();
    LineStart = false;
  }
  return Out + "\n";
}

std::string OptionName(const OptionRule &O) {
  std::string Name = O.Short ? std::string(O.Short) + ", " + O.Long : O.Long;
  if (O.Value)
    Name += std::string("=") + O.Value;
  return Name;
}

std::string OptionsHelp(unsigned Set) {
  std::string Out;
  for (const OptionRule &O : OptionRules)
    if (Set & O.Bit)
      Out += HelpEntry(OptionName(O), O.Help);
  return Out;
}

const char *const SettingsTitle = "keys of qmate.ini and .qmate.ini, and of --set KEY=VALUE";
const char *const IncludeHelp =
    "folders searched for the headers a file includes, after its own "
    "folder, separated by ; (relative ones from the file's folder): "
    "the text commands their rules define are kept as written (not for --set: "
    "--include adds folders)";

std::string SettingRange(const SettingKeyRow &Row) {
  return Row.Choices ? std::string(Row.Choices)
                     : std::to_string(Row.Low) + ".." + std::to_string(Row.High);
}

std::string SettingsHelp() {
  std::string Out = std::string("SETTINGS (") + SettingsTitle + "):\n";
  std::string Section;
  for (std::size_t I = 0; I < SettingKeyCount; ++I) {
    const SettingKeyRow &Row = SettingKeyRows[I];
    if (Section != Row.Section) {
      Section = Row.Section;
      Out += "  [" + Section + "]\n";
    }
    Out += HelpEntry(std::string(Row.Key) + "=" + SettingValueText(Row, Row.Default),
                     std::string(Row.Help) + " (" + SettingRange(Row) + ")");
  }
  Out += HelpEntry("Include=", IncludeHelp);
  return Out;
}

const char *const Overview =
    "Quillmate's commands for Clipper code (.prg, .ch) on the command line";
const char *const Usage = "qmate VERB [options] FILE...";
const char *const HelpUsage = "qmate VERB --help | qmate --help | qmate --version";

const char *const FilesHelp =
    "FILES:\n"
    "  FILE may be - for standard input. A folder stands for every .prg and .ch file\n"
    "  under it (any case of the extension; hidden folders and links skipped).\n"
    "  With -i, --check or --diff a named file whose name does not end in .prg or\n"
    "  .ch is skipped (unless --force-extension), and so is one that looks binary\n"
    "  (a NUL byte in its first 8 KiB) or is UTF-16 or UTF-32.\n"
    "  The settings for a file: the defaults, then qmate.ini of the setup folder,\n"
    "  then the nearest .qmate.ini from the file's folder upwards (up to a folder\n"
    "  holding .git), then --set.\n";

const char *const ExitHelp =
    "EXIT STATUS:\n"
    "  0 done; 1 --check found changes, lint found problems, or configure was\n"
    "  cancelled; 2 bad usage, a file or folder that cannot be read or written, a\n"
    "  file that changed while it was being rewritten, output that cannot be\n"
    "  written, or only skipped files; 3 a re-indented text that would not be the\n"
    "  same program (the file is left unchanged and nothing is printed for it;\n"
    "  --no-verify skips the check).\n";

// Text for roff: backslashes and minus signs escaped (options are copied from the page), and a
// line that would start with a control character guarded.
std::string RoffText(const std::string &Text) {
  std::string Out = !Text.empty() && (Text[0] == '.' || Text[0] == '\'') ? "\\&" : "";
  for (char C : Text)
    Out += C == '\\' ? "\\e" : C == '-' ? "\\-" : std::string(1, C);
  return Out;
}

// A help block as a section of the manual page: its heading line, then its lines without their
// indent, filled by roff.
std::string RoffSection(const char *Block) {
  const char *Line = std::strchr(Block, '\n');
  std::string Out = ".SH \"" + std::string(Block, Line - 1) + "\"\n";
  for (++Line; *Line; ++Line) {
    const char *End = std::strchr(Line, '\n');
    std::string Text(Line, End);
    Out += RoffText(Text.erase(0, Text.find_first_not_of(' '))) + "\n";
    Line = End;
  }
  return Out;
}

std::string RoffOptionTag(const OptionRule &O) {
  std::string Tag = O.Short ? "\\fB" + RoffText(O.Short) + "\\fR, " : "";
  Tag += "\\fB" + RoffText(O.Long) + "\\fR";
  if (O.Value)
    Tag += "=\\fI" + RoffText(O.Value) + "\\fR";
  return Tag;
}

} // namespace

std::string ManPageText() {
  std::string Out = ".TH QMATE 1 \"\" \"" + RoffText(VersionText()) + "\" \"User Commands\"\n" +
                    ".nh\n.ad l\n.SH NAME\nqmate \\- " + RoffText(Overview) +
                    "\n.SH SYNOPSIS\n.nf\n";
  for (const VerbRule &R : VerbRules)
    Out += RoffText(UsageLine(R)) + "\n";
  Out += RoffText(HelpUsage) + "\n.fi\n.SH VERBS\n";
  for (const VerbRule &R : VerbRules) {
    std::string Options;
    for (const OptionRule &O : OptionRules)
      if (R.Options & O.Bit)
        Options += (Options.empty() ? "" : ", ") + RoffText(O.Long);
    Out += ".TP\n\\fB" + std::string(R.Name) + "\\fR" +
           RoffText(UsageLine(R).substr(std::strlen("qmate ") + std::strlen(R.Name))) + "\n" +
           RoffText(R.Summary) + ".\n.br\nOptions: " + Options + ".\n";
  }
  Out += ".SH OPTIONS\n";
  for (const OptionRule &O : OptionRules)
    Out += ".TP\n" + RoffOptionTag(O) + "\n" + RoffText(O.Help) + ".\n";
  Out += ".SH SETTINGS\nThe " + RoffText(SettingsTitle) + ":\n";
  std::string Section;
  for (std::size_t I = 0; I < SettingKeyCount; ++I) {
    const SettingKeyRow &Row = SettingKeyRows[I];
    if (Section != Row.Section) {
      Section = Row.Section;
      Out += ".SS [" + RoffText(Section) + "]\n";
    }
    Out += ".TP\n\\fB" + RoffText(Row.Key) +
           "\\fR=" + RoffText(SettingValueText(Row, Row.Default)) + "\n" + RoffText(Row.Help) +
           " (" + RoffText(SettingRange(Row)) + ").\n";
  }
  Out += ".TP\n\\fBInclude\\fR=\n" + RoffText(IncludeHelp) + ".\n";
  return Out + RoffSection(FilesHelp) + RoffSection(ExitHelp);
}

const char *VersionText() {
  return "qmate " QMATE_VERSION;
}

std::string HelpText() {
  std::string Out = std::string("OVERVIEW: ") + Overview + "\n\nUSAGE: " + Usage + "\n       " +
                    HelpUsage + "\n\nVERBS:\n";
  for (const VerbRule &R : VerbRules)
    Out += HelpEntry(R.Name, R.Summary, 14);
  Out += "\nOPTIONS:\n";
  unsigned All = 0;
  for (const VerbRule &R : VerbRules)
    All |= R.Options;
  Out += OptionsHelp(All);
  Out += "\n" + SettingsHelp() + "\n" + FilesHelp + "\n" + ExitHelp;
  return Out;
}

std::string VerbHelpText(const std::string &Verb) {
  const VerbRule *R = FindVerb(Verb);
  if (!R)
    return std::string();
  std::string Out = std::string("USAGE: ") + UsageLine(*R) + "\n\n" + R->Summary +
                    "\n\nOPTIONS:\n" + OptionsHelp(R->Options);
  if (R->Options & OptSet)
    Out += "\n" + SettingsHelp();
  if (R->Folders)
    Out += std::string("\n") + FilesHelp;
  return Out;
}

bool VerbTakesFolders(const std::string &Verb) {
  const VerbRule *R = FindVerb(Verb);
  return R && R->Folders;
}

bool VerbTakesOutputModes(const std::string &Verb) {
  const VerbRule *R = FindVerb(Verb);
  return R && (R->Options & OptInPlace);
}

bool ParseArguments(const std::vector<std::string> &Args, CliOptions &Options, std::string &Error) {
  Options = CliOptions();
  if (Args.empty()) {
    Error = "no command given";
    return false;
  }
  Options.Verb = Args[0];
  const VerbRule *Rule = FindVerb(Options.Verb);
  if (!Rule) {
    Error = "unknown command '" + ShownInMessage(Options.Verb) + "'";
    return false;
  }
  bool OnlyFiles = false;
  for (std::size_t I = 1; I < Args.size(); ++I) {
    const std::string &A = Args[I];
    if (OnlyFiles || A == "-" || A.empty() || A[0] != '-') {
      if (!Rule->TakesFiles) {
        Error = "'" + Options.Verb + "' takes no file or word: '" + ShownInMessage(A) + "'";
        return false;
      }
      Options.Files.push_back(A);
      continue;
    }
    if (A == "--") {
      OnlyFiles = true;
      continue;
    }
    if (A == "--help" || A == "-h") {
      Options.Help = true;
      return true;
    }
    // --name=value, or --name value for an option that takes a value.
    std::size_t Eq = A.compare(0, 2, "--") == 0 ? A.find('=') : std::string::npos;
    std::string Name = A.substr(0, Eq);
    const OptionRule *Option = FindOption(Name);
    if (!Option || !(Rule->Options & Option->Bit)) {
      Error = "'" + Options.Verb + "' does not take the option '" + ShownInMessage(Name) + "'";
      return false;
    }
    std::string V;
    if (Option->Value) {
      if (Eq != std::string::npos) {
        V = A.substr(Eq + 1);
      } else if (I + 1 < Args.size()) {
        V = Args[++I];
      } else {
        Error = ShownInMessage(A) + " needs a value";
        return false;
      }
    } else if (Eq != std::string::npos) {
      Error = Name + " takes no value: '" + ShownInMessage(A) + "'";
      return false;
    }
    switch (Option->Bit) {
    case OptSetup:
      if (V.empty()) {
        Error = "--setup needs a folder";
        return false;
      }
      Options.SetupDir = V;
      break;
    case OptSet: {
      std::size_t At = V.find('=');
      std::string Key = At == std::string::npos ? V : V.substr(0, At);
      const SettingKeyRow *Row = FindSettingKey(Key);
      if (!Row) {
        std::string Known;
        for (std::size_t K = 0; K < SettingKeyCount; ++K)
          Known += (K == 0                     ? ""
                    : K + 1 == SettingKeyCount ? " or "
                                               : ", ") +
                   std::string(SettingKeyRows[K].Key);
        Error = "--set: unknown setting '" + ShownInMessage(Key) + "' (" + Known + ")";
        return false;
      }
      int Number = 0;
      std::string Expected;
      if (At == std::string::npos) {
        Error = "--set " + ShownInMessage(V) + ": expected KEY=VALUE";
        return false;
      }
      if (!ParseSettingValue(*Row, V.substr(At + 1), Number, Expected)) {
        Error = "--set " + ShownInMessage(V) + ": " + Row->Key + " must be " + Expected;
        return false;
      }
      Options.Overrides.emplace_back(Row->Key, Number);
      break;
    }
    case OptAssume:
      Options.AssumeFileName = V;
      break;
    case OptInclude:
      if (V.empty()) {
        Error = "--include needs a folder";
        return false;
      }
      Options.Includes.push_back(V);
      break;
    case OptLines: {
      bool Ok = V.find('-') == std::string::npos
                    ? ParseInt(V, 1, INT_MAX, Options.FirstLine) &&
                          ParseInt(V, 1, INT_MAX, Options.LastLine)
                    : ParsePair(V, '-', Options.FirstLine, Options.LastLine, 1);
      if (!Ok || Options.LastLine < Options.FirstLine) {
        Error = "--lines " + ShownInMessage(V) + ": expected A-B with 1 <= A <= B, or one line N";
        return false;
      }
      Options.HasLines = true;
      break;
    }
    case OptCursor:
      if (!ParsePair(V, ':', Options.CursorLine, Options.CursorColumn, 0)) {
        Error =
            "--cursor " + ShownInMessage(V) + ": expected LINE:COLUMN (line from 1, column from 0)";
        return false;
      }
      Options.HasCursor = true;
      break;
    case OptInPlace:
      Options.InPlace = true;
      break;
    case OptCheck:
      Options.Check = true;
      break;
    case OptDiff:
      Options.Diff = true;
      break;
    case OptMenu:
      Options.Menu = true;
      break;
    case OptSave:
      Options.Save = true;
      break;
    case OptInfer:
      Options.Infer = true;
      break;
    case OptForceExtension:
      Options.ForceExtension = true;
      break;
    case OptWrite:
      Options.Write = true;
      break;
    case OptNoVerify:
      Options.NoVerify = true;
      break;
    case OptFormat:
      if (V != "text" && V != "json") {
        Error = "--format " + ShownInMessage(V) + ": expected text or json";
        return false;
      }
      Options.Json = V == "json";
      break;
    }
  }
  if (Options.InPlace && (Options.Check || Options.Diff)) {
    Error = "-i excludes --check and --diff";
    return false;
  }
  if (Rule->NeedsLines && !Options.HasLines) {
    Error = "'" + Options.Verb + "' needs --lines A-B (the block to work on)";
    return false;
  }
  bool OptionalFile = Options.Verb == "settings";
  if (Rule->TakesFiles && Options.Files.empty() && !OptionalFile) {
    Error = Options.Verb == "spell" ? "'spell' needs at least one WORD"
                                    : "'" + Options.Verb + "' needs a FILE";
    return false;
  }
  if (OptionalFile && Options.Files.size() > 1) {
    Error = "'" + Options.Verb + "' takes one FILE";
    return false;
  }
  if (Options.Menu && Options.Files.size() > 1) {
    Error = "--menu takes one FILE";
    return false;
  }
  if (Options.Write && Options.Files.size() != 1) {
    Error = "--write takes one FOLDER (its .qmate.ini is written)";
    return false;
  }
  if ((Rule->Options & OptInPlace) && Options.Files.size() > 1 && !Options.InPlace &&
      !Options.Check && !Options.Diff) {
    Error = "several files need -i, --check or --diff";
    return false;
  }
  if (Options.Verb != "spell") {
    int Stdin = 0;
    for (const std::string &F : Options.Files)
      Stdin += F == "-";
    if (Stdin > 0 && Options.InPlace) {
      Error = "-i cannot rewrite standard input";
      return false;
    }
    if (Stdin > 1) {
      Error = "standard input can be read only once";
      return false;
    }
  }
  return true;
}
