// Reading a program's blocks with the Modern rules' scanner and word table, and telling where
// their nesting is broken.
#include "blocks.hpp"
#include "../host/headers.hpp"
#include "../host/session.hpp"
#include "../settings/settings.hpp"
#include "reindent.hpp"

#include <algorithm>

namespace {

// The open blocks where a conditional-compilation region began and where its first branch
// ended.
struct BranchRecord {
  std::vector<BlockFound> AtStart;
  std::vector<BlockFound> FirstBranchEnd;
  bool InLaterBranch;
};

struct BlockReader {
  BlockReading Result;
  std::vector<BlockFound> Open;
  std::vector<BranchRecord> Branches;
  std::vector<int> BranchLines; // where the branch being read of each open region began
  bool InClass = false;
  int ClassLine = -1;                  // the header of the class being read
  std::vector<BlockAliasWord> Aliases; // the program's own words for block statements
};

// The statement at Text as the program's own word for a block statement: the word alone,
// or before a comment. RoleNone when it is none.
StatementKind AliasStatement(const BlockReader &R, const char *Text, std::size_t Length) {
  std::size_t End = 0;
  std::string Word;
  for (; End < Length && (IsLetter(static_cast<unsigned char>(Text[End])) || Text[End] == '_' ||
                          (End > 0 && Text[End] >= '0' && Text[End] <= '9'));
       ++End)
    Word += AsciiUpper(Text[End]);
  std::size_t Rest = End;
  while (Rest < Length && IsSpaceOrTab(Text[Rest]))
    ++Rest;
  const bool Alone =
      Rest == Length || (Rest + 1 < Length &&
                         ((Text[Rest] == '/' && (Text[Rest + 1] == '/' || Text[Rest + 1] == '*')) ||
                          (Text[Rest] == '&' && Text[Rest + 1] == '&')));
  if (!Word.empty() && Alone)
    for (const BlockAliasWord &Alias : R.Aliases)
      if (Alias.Upper == Word)
        return StatementKind{Alias.Role, Alias.Blocks, End};
  return StatementKind{RoleNone, 0, 0};
}

// The name of a block kind, as its opener is written.
const char *KindName(int Kind) {
  switch (Kind) {
  case BlockIf:
    return "IF";
  case BlockWhile:
    return "DO WHILE";
  case BlockFor:
    return "FOR";
  case BlockCase:
    return "DO CASE";
  case BlockSwitch:
    return "SWITCH";
  case BlockSequence:
    return "BEGIN SEQUENCE";
  case BlockTry:
    return "TRY";
  default:
    return "WITH OBJECT";
  }
}

// The names of the kinds in Kinds, joined with "or".
std::string KindNames(int Kinds) {
  std::string Out;
  for (int Bit = BlockIf; Bit <= BlockWith; Bit <<= 1)
    if (Kinds & Bit)
      Out += (Out.empty() ? "" : " or ") + std::string(KindName(Bit));
  return Out;
}

// The lowest kind bit of Kinds.
int FirstKind(int Kinds) {
  return Kinds & -Kinds;
}

// The statement's words as written, upper-cased, single blanks between them.
std::string StatementWords(const char *Text, std::size_t End) {
  std::string Out;
  for (std::size_t K = 0; K < End; ++K) {
    if (IsSpaceOrTab(Text[K])) {
      if (!Out.empty() && Out.back() != ' ')
        Out += ' ';
    } else {
      Out += AsciiUpper(Text[K]);
    }
  }
  while (!Out.empty() && Out.back() == ' ')
    Out.pop_back();
  return Out;
}

// A statement's words, spelled out only for a message: most statements need none.
struct WrittenWords {
  const char *Text;
  std::size_t End;
  std::string Get() const { return StatementWords(Text, End); }
};

// A header's words and the name it defines: "STATIC FUNCTION Foo".
std::string HeaderName(const std::string &T, std::size_t WordsEnd) {
  std::size_t End = WordsEnd;
  while (End < T.size() && (IsLetter(static_cast<unsigned char>(T[End])) || T[End] == '_' ||
                            T[End] == ':' || (T[End] >= '0' && T[End] <= '9')))
    ++End;
  std::string Name = StatementWords(T.data(), WordsEnd);
  return Name + " " + T.substr(WordsEnd, End - WordsEnd);
}

void Report(BlockReader &R, int Line, int Column, const std::string &Message) {
  R.Result.Problems.push_back(BlockProblem{Line, Column, Message});
}

// Reports every block still open as not closed before What, and forgets them.
void EndOpenBlocks(BlockReader &R, const std::string &What) {
  for (BlockFound &B : R.Open) {
    Report(R, B.OpenLine, B.OpenColumn,
           std::string(KindName(B.Kind)) + " opened here is not closed " + What);
    R.Result.Blocks.push_back(B);
  }
  R.Open.clear();
}

void OpenNew(BlockReader &R, int Kinds, const BlockWord &Word) {
  R.Open.push_back(BlockFound{FirstKind(Kinds), Word.Line, Word.Column, {}, -1, {Word}});
}

std::string LineText(int Line) {
  return "line " + std::to_string(Line + 1);
}

// A closer (Words as written) of the kinds in Kinds at Line and Column: it closes the innermost
// block of those kinds, as the Modern rules take it. One after a ";" may be a command's
// argument: it closes what it finds and tells nothing.
void Close(BlockReader &R, int Kinds, const WrittenWords &Words, const BlockWord &Word,
           bool First) {
  const int Line = Word.Line, Column = Word.Column;
  std::size_t Found = R.Open.size();
  while (Found > 0 && !(R.Open[Found - 1].Kind & Kinds))
    --Found;
  if (!First && Found == 0)
    return;
  if (R.Open.empty()) {
    Report(R, Line, Column,
           Words.Get() + " without " + (Kinds == BlockAny ? "an open block" : KindNames(Kinds)));
    return;
  }
  // A closer of another kind is taken for the innermost block's, mistyped.
  const std::size_t Closed = Found > 0 ? Found - 1 : R.Open.size() - 1;
  if (First && (Closed + 1 != R.Open.size() || !(R.Open.back().Kind & Kinds))) {
    const BlockFound &Top = R.Open.back();
    Report(R, Line, Column,
           Words.Get() + " closes " + KindName(Top.Kind) + " opened at " + LineText(Top.OpenLine));
    for (std::size_t K = Closed + 1; K + 1 < R.Open.size(); ++K)
      Report(R, R.Open[K].OpenLine, R.Open[K].OpenColumn,
             std::string(KindName(R.Open[K].Kind)) + " opened here is not closed before " +
                 Words.Get() + " at " + LineText(Line));
  }
  R.Open[Closed].Words.push_back(Word);
  for (std::size_t K = Closed; K < R.Open.size(); ++K) {
    R.Open[K].CloseLine = K == Closed ? Line : -1;
    R.Result.Blocks.push_back(R.Open[K]);
  }
  R.Open.resize(Closed);
}

// A middle word of the kinds in Kinds: it belongs to the innermost open block when that is of
// one of them; one with no such block open at all stands alone.
void Middle(BlockReader &R, int Kinds, const WrittenWords &Words, const BlockWord &Word) {
  const int Line = Word.Line, Column = Word.Column;
  if (!R.Open.empty() && (R.Open.back().Kind & Kinds)) {
    R.Open.back().Middles.push_back(Line);
    R.Open.back().Words.push_back(Word);
    return;
  }
  for (const BlockFound &B : R.Open)
    if (B.Kind & Kinds)
      return;
  Report(R, Line, Column, Words.Get() + " without " + KindNames(Kinds));
}

// The length of the word LOOP or EXIT standing alone as the statement at Text (before a
// comment or a ";" at most), or 0 when the statement is something else.
std::size_t LoopJumpLength(const char *Text, std::size_t Length) {
  std::size_t End = 0;
  while (End < Length && IsLetter(static_cast<unsigned char>(Text[End])))
    ++End;
  std::string Word;
  for (std::size_t K = 0; K < End; ++K)
    Word += AsciiUpper(Text[K]);
  if (Word != "LOOP" && Word != "EXIT")
    return 0;
  std::size_t Rest = End;
  while (Rest < Length && IsSpaceOrTab(Text[Rest]))
    ++Rest;
  const bool Alone = Rest == Length || Text[Rest] == ';' ||
                     (Rest + 1 < Length &&
                      ((Text[Rest] == '/' && (Text[Rest + 1] == '/' || Text[Rest + 1] == '*')) ||
                       (Text[Rest] == '&' && Text[Rest + 1] == '&')));
  return Alone ? End : 0;
}

// LOOP and EXIT belong to the innermost loop open around them, whatever blocks stand between.
void LoopJump(BlockReader &R, const BlockWord &Word) {
  for (std::size_t K = R.Open.size(); K > 0; --K)
    if (R.Open[K - 1].Kind & (BlockWhile | BlockFor)) {
      R.Open[K - 1].Words.push_back(Word);
      return;
    }
}

// Ends the span of the class being read before Line.
void EndClass(BlockReader &R, int Line) {
  if (R.ClassLine >= 0)
    R.Result.Spans.push_back(BlockSpan{R.ClassLine, Line - 1, SpanClass});
  R.ClassLine = -1;
}

// A statement starting at At in trimmed line T, written from column Column of line Line. Only
// the first statement of a line may be a header or a middle word, as with the Modern rules.
void ReadStatement(BlockReader &R, const std::string &T, std::size_t At, int Line, int Column,
                   bool First) {
  StatementKind Kind = ClassifyStatement(T.data() + At, T.size() - At, R.InClass);
  if (Kind.Role == RoleNone && IsListCondition(T.data() + At, T.size() - At))
    Kind = StatementKind{RoleOpens, BlockIf, 2};
  if (Kind.Role == RoleNone && !R.Aliases.empty())
    Kind = AliasStatement(R, T.data() + At, T.size() - At);
  if (Kind.Role == RoleNone) {
    const std::size_t Jump = LoopJumpLength(T.data() + At, T.size() - At);
    if (Jump > 0)
      LoopJump(R, BlockWord{Line, Column, static_cast<int>(Jump)});
    return;
  }
  // The compilers read END and any word after it as END: END IF closes a DO WHILE too.
  if (Kind.Role == RoleCloses && !(Kind.Blocks & BlockDialog) && Kind.WordsEnd > 3 &&
      AsciiUpper(T[At]) == 'E' && IsSpaceOrTab(T[At + 3]))
    Kind.Blocks = BlockAny;
  // The GUI libraries' definitions (DEFINE DIALOG ... ACTIVATE DIALOG, END POPUP) are not
  // the language's blocks: they are left alone.
  if (Kind.Role == RoleNone || (Kind.Blocks & BlockDialog))
    return;
  // END and a word that names none of the language's blocks, with no block open, is a GUI
  // library's own command (HMG's END TEXT, END LAYOUT) whose header is not at hand.
  if (Kind.Role == RoleCloses && Kind.Blocks == BlockAny && R.Open.empty() &&
      At + Kind.WordsEnd < T.size() && IsLetter(static_cast<unsigned char>(T[At + Kind.WordsEnd])))
    return;
  const WrittenWords Words{T.data() + At, Kind.WordsEnd};
  std::size_t WordsLength = std::min(Kind.WordsEnd, T.size() - At);
  while (WordsLength > 0 && IsSpaceOrTab(T[At + WordsLength - 1]))
    --WordsLength;
  const BlockWord Word{Line, Column, static_cast<int>(WordsLength)};
  switch (Kind.Role) {
  case RoleOpens:
    OpenNew(R, Kind.Blocks, Word);
    break;
  case RoleCloses:
    Close(R, Kind.Blocks, Words, Word, First);
    break;
  case RoleMiddle:
    if (First)
      Middle(R, Kind.Blocks, Words, Word);
    break;
  case RoleHeader:
  case RoleClass:
  case RoleClassEnd:
    if (!First)
      break;
    if (!R.Open.empty())
      EndOpenBlocks(
          R, "before " + (Kind.Role == RoleClassEnd ? Words.Get() : HeaderName(T, Kind.WordsEnd)) +
                 " at " + LineText(Line));
    R.InClass = Kind.Role == RoleClass;
    EndClass(R, Line);
    if (Kind.Role != RoleClassEnd)
      R.Result.Headers.push_back(Line);
    if (Kind.Role == RoleClass)
      R.ClassLine = Line;
    break;
  }
}

// The nesting at the start of a conditional-compilation branch is the nesting at its #if;
// after #endif the code goes on from where the first branch ended.
void FollowBranch(BlockReader &R, int Branch, int Line) {
  if (Branch == BranchIf)
    R.BranchLines.push_back(Line);
  else if ((Branch == BranchElse || Branch == BranchEnd) && !R.BranchLines.empty()) {
    R.Result.Spans.push_back(BlockSpan{R.BranchLines.back(), Line - 1, SpanBranch});
    if (Branch == BranchElse)
      R.BranchLines.back() = Line;
    else
      R.BranchLines.pop_back();
  }
  if (Branch == BranchIf) {
    R.Branches.push_back(BranchRecord{R.Open, {}, false});
    return;
  }
  if (R.Branches.empty())
    return;
  BranchRecord &B = R.Branches.back();
  if (Branch == BranchElse) {
    if (!B.InLaterBranch) {
      B.FirstBranchEnd = R.Open;
      B.InLaterBranch = true;
    }
    R.Open = B.AtStart;
  } else if (Branch == BranchEnd) {
    if (B.InLaterBranch)
      R.Open.swap(B.FirstBranchEnd);
    R.Branches.pop_back();
  }
}

// The words a text region's opener is named by in a message: TEXT, or #pragma and its word.
std::string RegionName(const std::string &T) {
  std::size_t After = 0;
  while (After < T.size() && !IsSpaceOrTab(T[After]))
    ++After;
  if (T.empty() || T[0] != '#')
    return StatementWords(T.data(), After);
  std::size_t Word = After;
  while (Word < T.size() && IsSpaceOrTab(T[Word]))
    ++Word;
  std::size_t End = Word;
  while (End < T.size() && !IsSpaceOrTab(T[End]))
    ++End;
  return "#pragma " + T.substr(Word, End - Word);
}

int LeadingBlanks(const std::string &Text) {
  std::size_t K = 0;
  while (K < Text.size() && IsBlankChar(Text[K]))
    ++K;
  return static_cast<int>(K);
}

} // namespace

namespace {

// The "{" braces less the "}" ones of Text from At, those of C strings and characters left out.
int BraceBalance(const std::string &Text, std::size_t At) {
  int Balance = 0;
  char Quote = 0;
  for (std::size_t K = At; K < Text.size(); ++K) {
    const char C = Text[K];
    if (Quote) {
      if (C == '\\')
        ++K;
      else if (C == Quote)
        Quote = 0;
    } else if (C == '"' || C == '\'') {
      Quote = C;
    } else if (C == '{') {
      ++Balance;
    } else if (C == '}') {
      --Balance;
    }
  }
  return Balance;
}

// Where the C code of an HB_INLINE( ... ) { on Text begins (its "{"), npos when none does.
std::size_t InlineCodeStart(const std::string &Text) {
  std::size_t At = 0;
  while ((At = Text.find_first_of("hH", At)) != std::string::npos) {
    const char Before = At > 0 ? Text[At - 1] : ' ';
    bool Named = Text.size() - At >= 9 && !IsLetter(static_cast<unsigned char>(Before)) &&
                 Before != '_' && !(Before >= '0' && Before <= '9');
    for (std::size_t K = 0; Named && K < 9; ++K)
      Named = AsciiUpper(Text[At + K]) == "HB_INLINE"[K];
    if (Named) {
      std::size_t K = At + 9;
      while (K < Text.size() && IsSpaceOrTab(Text[K]))
        ++K;
      if (K < Text.size() && Text[K] == '(') {
        const std::size_t Close = Text.find(')', K);
        if (Close == std::string::npos)
          return std::string::npos;
        const std::size_t Open = Text.find_first_not_of(" \t", Close + 1);
        return Open != std::string::npos && Text[Open] == '{' ? Open : std::string::npos;
      }
    }
    ++At;
  }
  return std::string::npos;
}

} // namespace

BlockReading ReadBlocks(const std::vector<std::string> &Lines, const std::string &FileName) {
  BlockReader R;
  // The headers a program includes are looked for from its folder; the definitions its own
  // words end are gathered first, as a Modern run does.
  const char *const SessionFile = EditorSession.Info.FileName;
  EditorSession.Info.FileName = FileName.c_str();
  const int DialogBlocks = PluginRules.DialogBlocks;
  PluginRules.DialogBlocks = 1;
  std::vector<std::string> Ends;
  Ends.swap(DefinitionWords.Ends);
  // The program's own words for block statements, in its lines and the headers it includes.
  DirectiveReader Directives;
  HeaderFindings Included;
  std::vector<TextCommandWord> Commands;
  std::string Name;
  for (const std::string &Text : Lines) {
    NoteDefinitionEnd(Text, DefinitionWords.Ends);
    std::size_t First, End;
    TrimBounds(Text, First, End);
    const bool Continued = End > First && Text[End - 1] == ';';
    if (ReadDirectiveLine(Directives, Text.data() + First, End - First, Continued, Commands, Name))
      AddIncludedFindings(Name, Included);
    else if (!Continued)
      NoteBlockAlias(Text.data() + First, End - First, R.Aliases);
  }
  HeaderFindings Own;
  Own.BlockAliases.swap(R.Aliases);
  AddFindings(Own, Included);
  R.Aliases.swap(Own.BlockAliases);

  int &LastLine = R.Result.LastLine;
  LastLine = static_cast<int>(Lines.size()) - 1;
  while (LastLine >= 0 && Lines[static_cast<std::size_t>(LastLine)].empty())
    --LastLine;
  ReindentState S{};
  ScannedLine Line{};
  int RegionLine = -1, CommentLine = -1, CommentColumn = 0;
  std::string RegionOpener;
  int InlineDepth = 0, InlineLine = -1;
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    const std::string &Text = Lines[I];
    const int Index = static_cast<int>(I);
    // The C code of HB_INLINE( ... ) { ... } runs to the brace that closes its first one.
    if (InlineDepth > 0) {
      InlineDepth += BraceBalance(Text, 0);
      if (InlineDepth <= 0)
        R.Result.Spans.push_back(BlockSpan{InlineLine, Index, SpanRegion});
      continue;
    }
    if (S.Verbatim != VerbatimNone) {
      if (!VerbatimClosed(S.Verbatim, Text))
        continue;
      S.Verbatim = VerbatimNone;
      R.Result.Spans.push_back(BlockSpan{RegionLine, Index, SpanRegion});
    }
    const bool InComment = S.InBlockComment;
    const bool Continuation = S.PrevContinued;
    ScanLine(S, Text, Line);
    const std::string &T = Line.Trimmed;
    if (InComment && !S.InBlockComment && CommentLine >= 0)
      R.Result.Spans.push_back(BlockSpan{CommentLine, Index, SpanComment});
    if (!InComment && S.InBlockComment) {
      CommentLine = Index;
      const std::size_t At = Text.rfind("/*");
      CommentColumn = At == std::string::npos ? 0 : static_cast<int>(At);
    }
    const int Column = LeadingBlanks(Text);
    if (T.empty() || InComment || Continuation || IsCommentStart(T)) {
      // Not a statement's first line.
    } else if (T[0] == '#') {
      FollowBranch(R, PreprocessorBranchOf(T.data(), T.size()), Index);
    } else {
      ReadStatement(R, T, 0, Index, Column, true);
      for (std::size_t At = LaterStatementAt(T, 0); At != std::string::npos;
           At = LaterStatementAt(T, At))
        ReadStatement(R, T, At, Index, Column + static_cast<int>(At), false);
    }
    if (!InComment && !S.InBlockComment) {
      const std::size_t Inline = InlineCodeStart(Text);
      if (Inline != std::string::npos && (InlineDepth = BraceBalance(Text, Inline)) > 0)
        InlineLine = Index;
    }
    // A region opens at a statement's first line: not inside a comment, nor where a rule's
    // result (a text command's) or a command's clause (DEFINE MAIL ... ; TEXT x) goes on.
    S.Verbatim = RegionOpened(S, Line, InComment);
    if (InComment || Continuation)
      S.Verbatim = VerbatimNone;
    if (S.Verbatim != VerbatimNone) {
      RegionLine = Index;
      RegionOpener = RegionName(T);
    }
    S.PrevContinued = Line.Continued;
  }
  EndOpenBlocks(R, "by the end of the file");
  EndClass(R, LastLine + 1);
  if (S.Verbatim != VerbatimNone)
    R.Result.Spans.push_back(BlockSpan{RegionLine, LastLine, SpanRegion});
  else if (S.InBlockComment && CommentLine >= 0)
    R.Result.Spans.push_back(BlockSpan{CommentLine, LastLine, SpanComment});
  // The compiler takes C code to the end of the file when no ENDDUMP ends it.
  if (S.Verbatim != VerbatimNone && S.Verbatim != VerbatimDump)
    Report(R, RegionLine, LeadingBlanks(Lines[static_cast<std::size_t>(RegionLine)]),
           RegionOpener + " is never closed");
  else if (S.InBlockComment && CommentLine >= 0)
    Report(R, CommentLine, CommentColumn, "/* comment is never closed");

  DefinitionWords.Ends.swap(Ends);
  PluginRules.DialogBlocks = DialogBlocks;
  EditorSession.Info.FileName = SessionFile;
  std::stable_sort(R.Result.Problems.begin(), R.Result.Problems.end(),
                   [](const BlockProblem &A, const BlockProblem &B) {
                     return A.Line != B.Line ? A.Line < B.Line : A.Column < B.Column;
                   });
  std::sort(
      R.Result.Blocks.begin(), R.Result.Blocks.end(), [](const BlockFound &A, const BlockFound &B) {
        return A.OpenLine != B.OpenLine ? A.OpenLine < B.OpenLine : A.OpenColumn < B.OpenColumn;
      });
  return R.Result;
}

std::vector<BlockSpan> FoldingSpans(const BlockReading &Reading) {
  std::vector<BlockSpan> Found = Reading.Spans;
  for (const BlockFound &B : Reading.Blocks) {
    if (B.CloseLine < 0)
      continue;
    Found.push_back(BlockSpan{B.OpenLine, B.CloseLine - 1, SpanBlock});
    for (std::size_t K = 0; K < B.Middles.size(); ++K) {
      const int Next = K + 1 < B.Middles.size() ? B.Middles[K + 1] : B.CloseLine;
      Found.push_back(BlockSpan{B.Middles[K], Next - 1, SpanBlock});
    }
  }
  std::vector<int> Classes;
  for (const BlockSpan &S : Reading.Spans)
    if (S.Kind == SpanClass)
      Classes.push_back(S.First);
  std::sort(Classes.begin(), Classes.end());
  const std::vector<int> &H = Reading.Headers;
  for (std::size_t K = 0; K < H.size(); ++K)
    if (!std::binary_search(Classes.begin(), Classes.end(), H[K]))
      Found.push_back(
          BlockSpan{H[K], K + 1 < H.size() ? H[K + 1] - 1 : Reading.LastLine, SpanRoutine});
  // One span for each first line, the widest: an editor folds at a line, not at a column.
  std::sort(Found.begin(), Found.end(), [](const BlockSpan &A, const BlockSpan &B) {
    return A.First != B.First ? A.First < B.First : A.Last > B.Last;
  });
  std::vector<BlockSpan> Spans;
  for (const BlockSpan &S : Found)
    if (S.Last > S.First && (Spans.empty() || Spans.back().First != S.First))
      Spans.push_back(S);
  return Spans;
}

std::vector<BlockWord> MatchingBlockWords(const BlockReading &Reading, int Line, int Column) {
  for (const BlockFound &B : Reading.Blocks) {
    if (B.OpenLine > Line)
      break;
    for (const BlockWord &W : B.Words)
      if (W.Line == Line && Column >= W.Column && Column <= W.Column + W.Length)
        return B.Words;
  }
  return {};
}

int EnclosingHeader(const BlockReading &Reading, int Line) {
  auto After = std::upper_bound(Reading.Headers.begin(), Reading.Headers.end(), Line);
  return After == Reading.Headers.begin() ? -1 : *(After - 1);
}
