// The re-indenter: the line scanner, the indentation rules and the procedure spacing pass.
#pragma once

#include "../host/per_thread.hpp"

#include <cstddef>
#include <string>
#include <vector>

// One recorded word of a line, as written in Trimmed: the column of its first character, its
// length, and what its respelling depends on.
struct LineWord {
  int Position; // 1-based column in Trimmed
  int Length;
  bool KeywordPlace; // a keyword can stand here: not in a preprocessor line, not after ":" ...
  int Bracket;       // the innermost "[" open around it (its number on the line), or -1
};

// The scanned form of one line. The buffers are reused from line to line.
struct ScannedLine {
  std::string Trimmed;
  std::string Rebuilt;
  std::vector<LineWord> Words;
  bool Continued;
};

// The regions whose lines are printed or compiled as they stand.
enum VerbatimKind {
  VerbatimNone = 0,
  VerbatimText = 1,       // TEXT ... ENDTEXT
  VerbatimPragmaText = 2, // #pragma __text, __cstream or __stream ... #pragma __endtext
  VerbatimDump = 3,       // #pragma BEGINDUMP ... #pragma ENDDUMP
  VerbatimCommandText = 4 // a text command of the program's own ... ENDTEXT or #pragma __endtext
};

// The first word of a rule of the program's own, upper-cased, and whether four letters or
// more of it stand for it (#command and #translate rules). A text command's rule turns it
// into a text region (its result begins with #pragma __text, __stream or __cstream).
struct TextCommandWord {
  std::string Upper;
  bool Abbreviated;
};

// True when the word of Length characters at Text names Command: in full, or by four letters
// or more of it when the rule allows.
bool NamesCommand(const char *Text, std::size_t Length, const TextCommandWord &Command);
// Adds Word to Words unless it is there already.
void AddRuleWord(std::vector<TextCommandWord> &Words, const TextCommandWord &Word);

// The first words of the program's own rules whose results make text of what they match (a
// stringify marker: <"x">, <(x)>, #<x>): a call respelled there would change a string.
// Commands match as a statement's first word, translations anywhere on a line.
struct StringifyingWords {
  std::vector<TextCommandWord> Commands;
  std::vector<TextCommandWord> Translations;
};

// A preprocessor rule being read over the lines it continues on, and the stringifying rules
// read so far.
struct DirectiveReader {
  std::string Rule;
  bool InRule = false;
  StringifyingWords Stringifying;
};

// Reads one trimmed line of a program or header (Continued: it ends with ";"): a rule whose
// result opens a text region adds its command to Commands once the rule ends, one whose
// result stringifies adds its first word to Reader.Stringifying; for an #include line
// Included gets the header's name and the result is true. Any other line, outside a rule,
// reads nothing.
bool ReadDirectiveLine(DirectiveReader &Reader, const char *Text, std::size_t Length,
                       bool Continued, std::vector<TextCommandWord> &Commands,
                       std::string &Included);

// What the headers a program includes tell the re-indenter: the text commands and the
// stringifying words their rules define, and what makes line numbers matter in them (as
// reported by Reindent), or null.
// A word a program's own #define or rule makes a block's statement of (#define BEGIN
// WHILE .T.), upper-cased, and the role and block kinds of that statement.
struct BlockAliasWord {
  std::string Upper;
  int Role;
  int Blocks;
};
// Adds the word a trimmed preprocessor line (not continued) defines to Aliases when its
// result is one block statement.
void NoteBlockAlias(const char *Text, std::size_t Length, std::vector<BlockAliasWord> &Aliases);

struct HeaderFindings {
  std::vector<TextCommandWord> Commands;
  StringifyingWords Stringifying;
  const char *LineNumbers = nullptr;
  std::vector<BlockAliasWord> BlockAliases;
};
// Adds to Into what Other holds that Into lacks.
void AddFindings(HeaderFindings &Into, const HeaderFindings &Other);
// What a header's text tells, and the names of the headers it includes.
void ReadHeaderText(const std::string &Bytes, HeaderFindings &Found,
                    std::vector<std::string> &Included);
// VerbatimCommandText when the trimmed line begins with one of Commands as a command (not as
// a variable assigned or a function called), else VerbatimNone.
int TextCommandOpened(const std::vector<TextCommandWord> &Commands, const std::string &Trimmed);
// The name a line uses that makes its file's line numbers matter ("__LINE__", "ProcLine(",
// "#pragma linenumber"), or null. Comment lines are not looked at; strings are, except for
// ProcLine when Words, the words the scanner recorded on the line, are given.
const char *LineNumberUse(const std::string &Trimmed, const std::vector<LineWord> *Words);

// What the re-indent loop learned about each line of its range, kept for the spacing pass.
enum LineMark {
  MarkVerbatim = 1,       // inside a verbatim region: neither deleted nor tested as a header
  MarkAfterContinued = 2, // follows a continued line: part of that statement
  MarkHeadStart = 4,      // a routine header, or the first line of the comments above it
  MarkBlank = 8,          // blank as written
  MarkHeader = 16,        // a routine header as written
  // The editor ends a line at a lone CR, the compiler reads on: a line that ends at one, or
  // follows one, is neither deleted nor given an empty line before it, and one that follows
  // one keeps its text as written.
  MarkLoneCrEnd = 32,
  MarkAfterLoneCr = 64,
  MarkLoneCr = MarkLoneCrEnd | MarkAfterLoneCr,
};

// The kinds of block the Modern rules follow, as bits so that a middle word can belong to
// several.
enum BlockKind {
  BlockIf = 1,
  BlockWhile = 2,
  BlockFor = 4,
  BlockCase = 8,
  BlockSwitch = 16,
  BlockSequence = 32,
  BlockTry = 64,
  BlockWith = 128,
  BlockAny = 255,    // a bare END closes any of the kinds above
  BlockDialog = 256, // DEFINE DIALOG ... ACTIVATE DIALOG, DEFINE TABLE ... END DATABASE
  BlockFlat = 512,   // added to an open block whose lines stand at its opener's column
};

// What a statement does to the structure, by its first words.
enum StatementRole {
  RoleNone = 0,
  RoleOpens,    // opens a block of its kind
  RoleMiddle,   // stands at its block's opener and continues it (ELSE, CASE, RECOVER)
  RoleCloses,   // closes the innermost open block of its kind (of any kind for a bare END)
  RoleHeader,   // a routine header
  RoleMethod,   // a method header outside a class, a declaration inside one
  RoleClass,    // a class declaration's header
  RoleClassEnd, // ENDCLASS, END CLASS
};

struct StatementKind {
  int Role;
  int Blocks;           // BlockKind bits
  std::size_t WordsEnd; // where the text after the statement's words (and blanks) starts
};

// The role of a statement whose first line, trimmed, is Text. Words that stand as values
// (before ":=", ":", "->", "[" or an assignment operator) play no role.
StatementKind ClassifyStatement(const char *Text, std::size_t Length, bool InClass);

// The words the text's own definitions end with (END POPUP, ENDMENU: POPUP, MENU), upper case,
// gathered before a Modern run: the statements that begin with them open a definition block.
struct DefinitionWordsRecord {
  std::vector<std::string> Ends;
};
extern PER_THREAD DefinitionWordsRecord DefinitionWords;
// Adds to Ends the word Line ends a definition with, if it does.
void NoteDefinitionEnd(const std::string &Line, std::vector<std::string> &Ends);

// True when Text, trimmed, is an IF whose condition is a parenthesised list of two
// expressions, IF ( a, b ): the IF() function takes three.
bool IsListCondition(const char *Text, std::size_t Length);

// True when Text, trimmed, declares names: LOCAL, STATIC, PRIVATE, PUBLIC, MEMVAR, FIELD or
// PARAMETERS (or their four-letter abbreviations) and a name.
bool IsDeclaration(const char *Text, std::size_t Length);

// Where the statement after the one at From on trimmed line T starts (Harbour separates
// statements with ";"), or npos when no other follows before a comment or the line's end.
std::size_t LaterStatementAt(const std::string &T, std::size_t From);
// True when trimmed line T starts with a comment (*, //, /* or &&).
bool IsCommentStart(const std::string &T);

// What a preprocessor line does to conditional compilation.
enum PreprocessorBranch { BranchNone = 0, BranchIf, BranchElse, BranchEnd };
int PreprocessorBranchOf(const char *Text, std::size_t Length);

// The kind bits a closer looks for: BlockIf ... BlockWith and BlockDialog.
const int BlockKindBits = 9;

// One open block of the Modern rules. The open blocks form a stack whose entries live in one
// table and name the entry below them, so that a stack is saved as its innermost entry's
// number, whatever its depth. Entries are numbered from 1; 0 stands for none.
// An entry's step may wait for the block's first line: the block's lines then stand as that
// line stands from the column it is measured from, and Depth holds the step the block takes
// when no line measures it.
struct OpenBlockEntry {
  unsigned short Kind;
  unsigned char Pending; // BlockPending: what waits for the block's first line
  int Below;             // the entry below it
  long long Depth;       // the indentation it and the blocks below it add
  long long Middle;      // how far right of the opener its CASE and OTHERWISE lines stand
  long long Reference;   // the column as written its first line is measured from
  long long Shift;       // how far right of the lines around it its opener stands (KeepOpeners)
  bool HasFirst;         // its first statement has come, written at column FirstWritten
  long long FirstWritten;
  // For each kind bit, the innermost entry from this one down that holds it.
  int Innermost[BlockKindBits];
};

enum BlockPending {
  PendingNone = 0,
  PendingStep = 1,     // the step waits for the first line inside the block
  PendingCase = 2,     // a DO CASE or SWITCH waits for its first CASE
  PendingCaseBody = 3, // its step waits for the first line under a CASE
};

// A conditional-compilation region being read: the open blocks where it began and where its
// first branch ended, and how many entries the region keeps (those it saved are among them).
struct ConditionalRegion {
  int AtStart;
  int FirstBranchEnd;
  bool InLaterBranch;
  std::size_t Kept;
};

// A comment line whose place waits for the next statement: above a header it belongs to
// the header.
struct PendingComment {
  int Index;
  long long Indent;
  bool Fixed; // kept at its column
  std::string Text;
};

struct ReindentReplayRecord;

// What one re-indent run carries from a line to the next.
struct ReindentState {
  bool InLineComment;
  bool InBlockComment;
  bool InDoubleQuote;
  bool InSingleQuote;
  bool InBracketString;
  bool PrevContinued;
  bool PrevDirective; // the line before was a preprocessor line or continued one
  int LineIndent;
  int NextIndent;
  bool ContinuationActive;
  int ContinuationOffset;
  bool OpenerDeferred;
  bool InsideFunction;
  int Verbatim; // VerbatimKind of the region the next lines belong to
  // The text commands defined so far, in the file or the headers it includes.
  std::vector<TextCommandWord> TextCommands;
  DirectiveReader Directives;
  const char *LineNumbers;          // what makes line numbers matter in the text (Modern), or null
  std::vector<unsigned char> Marks; // LineMark bits, one per line handled, from the range start
  // The Modern rules: the open blocks and the indentation they add.
  std::vector<OpenBlockEntry> BlockEntries; // the open blocks and those a #if branch restores
  int OpenTop;                              // the innermost open block's entry, 0 for none
  long long Depth;
  long long Base; // the column the range starts from
  bool InClass;
  // A routine's body as its first statement stands: whether that statement is still to come,
  // the header's column as written and as written now, and the body's distance from the
  // header once known.
  bool BodyPending;
  bool HasBodyTab;
  long long HeaderWritten;
  long long HeaderColumn;
  long long BodyTab;
  // The first statement outside any block in the routine (or before the first one), once it
  // has come: its column as written (KeepOpeners).
  bool HasBodyWritten;
  long long BodyWritten;
  // The step of the routine's blocks once a block's first line has shown it.
  bool HasRoutineStep;
  long long RoutineStep;
  std::vector<ConditionalRegion> Conditionals;
  // The first line of the statement being read: its column as written and as written now.
  long long StatementWritten;
  long long StatementIndent;
  // The line that opened the block comment being read: likewise.
  long long CommentWritten;
  long long CommentIndent;
  std::vector<PendingComment> Pending;
  std::size_t PendingStart; // the mark of the pending run's first line
  // The record of the text's lines and scans this run keeps or replays (ReindentSink.Replay
  // when it serves this run), or null.
  ReindentReplayRecord *Replay;
  // The comment that ended the line before, when it did: its column as written and as
  // written now. The comment lines written under it stay under it.
  bool HasTrailing;
  long long TrailingWritten;
  long long TrailingIndent;
  // The statement being read, for the respelling by role: how its next words are spelled
  // (SpellMode), what its first word makes of them, and how many words it has had.
  int SpellMode;
  int StatementFirst;
  int StatementWords;
  // The names the tables would respell that the file (up to FileNames) and the routine being
  // read declare or assign, upper-cased: they keep their spelling (Modern rules).
  std::vector<std::string> DeclaredNames;
  std::size_t FileNames;
  bool InRoutine;
  // The words of the program's own stringifying rules (Modern rules): the statement is kept
  // as written from one of them on.
  StringifyingWords Stringifying;
};

// How the next words of a statement are respelled.
enum SpellMode {
  SpellFree = 0,    // as their roles say
  SpellKept = 1,    // not at all: text to a standard command (an index key, a filter)
  SpellAfterTo = 2, // as their roles say up to TO, then not at all
  SpellNames = 3,   // a declaration: only calls and dotted operators (Modern rules)
  SpellString = 4,  // not at all, to the end of the line and the lines that continue it: what
                    // a rule of the program's own makes a string of (Modern rules)
};

// Clears KeywordPlace of the recorded words of a scanned line that do not stand as keywords
// by their role in their statement; Modern adds the roles of the Modern rules.
void KeepWordsByRole(ReindentState &State, ScannedLine &Line, bool Modern);

// Scans one line: trims it, follows comments, strings and continuation, records and
// respells its words, and applies the WHILE, FOR and NEXT adjustments to the counters.
void ScanLine(ReindentState &State, const std::string &Line, ScannedLine &Result);

// True when the Length characters at Text, upper-cased (a to z only), spell Upper.
bool SpellsUpper(const char *Text, std::size_t Length, const char *Upper);

// Adds two counters, held at the ends of the 32-bit range rather than overflowing, so
// that settings of any size keep the indentation defined.
int AddSaturated(int A, int B);
int SubtractSaturated(int A, int B);

// The region a line opens (VerbatimNone when it opens none); Trimmed is the trimmed line.
int VerbatimOpened(const std::string &Trimmed);
// True when the line (as read, blanks allowed around it) closes a region of that kind.
bool VerbatimClosed(int Kind, const std::string &Line);
// The region a line opens, the text commands known so far included, after following what
// its preprocessor lines define or include (not for a line that began inside a comment).
int RegionOpened(ReindentState &State, const ScannedLine &Line, bool InComment);

// What the last re-indent run found that makes the file's line numbers matter, so that its
// blank lines were kept (Modern), or null.
extern PER_THREAD const char *ReindentLineNumbers;

// True when Text, whose leading blanks are already removed, begins with PROC, PROCEDURE,
// FUNC or FUNCTION and a space.
bool IsHeaderText(const char *Text, std::size_t Length);

// True when Text holds only blanks (or nothing).
bool IsBlankText(const std::string &Text);
// The marks the spacing pass reads from a line's text as written: MarkBlank or MarkHeader.
unsigned char MarksOfWritten(const std::string &Text);

// One line as a re-indent run read and scanned it: its text, its trimmed part, its respelled
// text (when respelling changed it) and the scanner's state after it.
struct ReindentReplayLine {
  std::size_t Text;      // Bytes[Text, Text + TextLength)
  std::size_t Respelled; // Bytes[Respelled, Respelled + RespelledLength), when ReplayRespelled
  unsigned TextLength;
  unsigned TrimStart; // Trimmed is the text's [TrimStart, TrimStart + TrimLength)
  unsigned TrimLength;
  unsigned RespelledLength;
  unsigned State; // ReplayState bits
};
enum ReplayState {
  ReplayScanned = 1, // the line was scanned (it is not inside a verbatim region)
  ReplayRespelled = 2,
  ReplayContinued = 4,
  ReplayInLineComment = 8,
  ReplayInBlockComment = 16,
  ReplayInDoubleQuote = 32,
  ReplayInSingleQuote = 64,
  ReplayInBracketString = 128,
  ReplayPrevDirective = 256,
  ReplaySpellMode = 512,  // three bits from here: the SpellMode the line leaves
  ReplayLoneCrEnd = 4096, // the line ends at a lone CR (kept whatever else the record holds)
  ReplayOpens = 8192,     // three bits from here: the VerbatimKind of the region the line opens
};
// The lines of one text, kept by the first Modern run over the whole text for the runs after
// it: no setting changes a line's text or its scan.
// The caller may give the lines' texts beforehand (TextsGiven: Bytes and each line's Text,
// TextLength and ReplayLoneCrEnd set, one line per line of the editor); a sink run then reads
// them, not the editor.
struct ReindentReplayRecord {
  std::string Bytes;
  std::vector<ReindentReplayLine> Lines; // by line number
  bool Filled = false;
  bool TextsGiven = false;
  bool EndsKnown = false; // DefinitionEnds, Stringifying and HeaderLineNumbers are gathered
  std::vector<std::string> DefinitionEnds;
  StringifyingWords Stringifying;
  const char *HeaderLineNumbers = nullptr;
  const char *LineNumbers = nullptr; // what in the text's own lines makes line numbers matter
  bool EndOfFileMark = false;        // some line holds an end-of-file mark (Ctrl-Z)
};

// Where a re-indent run sends each line it rewrites instead of the editor, while Line is set:
// the tool's settings inference wants only the new indentation of each line, not the text
// written out with its leading spaces. The editor keeps its text and the spacing pass, which
// only adds and removes blank lines, is skipped.
// Seen gathers what the runs met of the constructs some [Rules] options act on (a
// ReindentSeen bit each, whether or not Line is set): an option whose constructs a text lacks
// leaves its result as it is, so the inference need not try the option's values.
// Replay, when set, is filled by a Modern run over the whole text that finds it empty; the
// runs after it take their scans from it rather than scanning again, and sink runs their
// lines too rather than reading the editor (which they then need not hold the text).
// A sink that has seen enough sets Stop: the run then reads no further line.
struct ReindentSinkRecord {
  void (*Line)(void *Context, int Index, long long Indent, const std::string &Text);
  void *Context;
  int Seen;
  ReindentReplayRecord *Replay;
  bool Stop;
};
enum ReindentSeen {
  SeenSequence = 1,       // BEGIN SEQUENCE opening a block: FlatSequence
  SeenDialogWord = 2,     // a FiveWin definition's words: DialogBlocks
  SeenCaseBlock = 4,      // DO CASE or SWITCH: CaseIndent
  SeenColumn0Comment = 8, // a comment line at column 0: KeepColumn0Comments
  SeenReturn = 16,        // a RETURN statement: ReturnAtHeader
  SeenClass = 32,         // a class declaration: ClassBody
  SeenHeader = 64,        // a routine header: RoutineBody
};
extern PER_THREAD ReindentSinkRecord ReindentSink;

// Appends to Out the leading blanks of a line indented by Indent columns: spaces, or with Tabs
// as many tabs of TabWidth columns as fit (a TabWidth of 0 or less stands for 8) and spaces for
// the rest.
void AppendIndentation(std::string &Out, long long Indent, bool Tabs, int TabWidth);

// Re-indents the marked block, or the whole file, then runs the spacing pass.
void Reindent();
// Removes the blank lines of the range and puts one empty line before each header.
void SpaceProcedures(const ReindentState &State);
// The Modern spacing: blank lines kept up to the longest run allowed, one empty line before
// each header and the comments above it.
void SpaceModern(const ReindentState &State);
