// The names a program declares and where it uses them, read from its text alone.
#include "symbols.hpp"

#include <cstring>

namespace {

bool IsNameStart(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_';
}

bool IsNameChar(char C) {
  return IsNameStart(C) || (C >= '0' && C <= '9');
}

char UpperOf(char C) {
  return C >= 'a' && C <= 'z' ? char(C - 'a' + 'A') : C;
}

// True when the Length characters at Text spell Upper (upper case) in any case.
bool Spells(const char *Text, std::size_t Length, const char *Upper) {
  std::size_t I = 0;
  for (; I < Length && Upper[I]; ++I)
    if (UpperOf(Text[I]) != Upper[I])
      return false;
  return I == Length && !Upper[I];
}

// True when the word is Upper or an abbreviation of it to four letters or more, as Clipper
// takes FUNC and PROC.
bool Abbreviates(const char *Text, std::size_t Length, const char *Upper) {
  if (Length < 4 || Length > std::strlen(Upper))
    return false;
  for (std::size_t I = 0; I < Length; ++I)
    if (UpperOf(Text[I]) != Upper[I])
      return false;
  return true;
}

std::size_t SkipBlanks(const char *L, std::size_t N, std::size_t At) {
  while (At < N && (L[At] == ' ' || L[At] == '\t'))
    ++At;
  return At;
}

// The length of the name that starts at At (0 when none does).
std::size_t NameAt(const char *L, std::size_t N, std::size_t At) {
  if (At >= N || !IsNameStart(L[At]))
    return 0;
  std::size_t End = At;
  while (End < N && IsNameChar(L[End]))
    ++End;
  return End - At;
}

// Walks the code of the line L (N bytes, its end of line left out) from At, calling
// Word(start, length) for each name outside strings and comments. InComment: the line starts
// inside a /* */ comment. Returns whether the line ends inside one.
template <class WordCall>
bool WalkLine(const char *L, std::size_t N, std::size_t At, bool InComment, WordCall &&Word) {
  char Previous = 0; // the last character of code before At, blanks aside
  bool First = true;
  while (At < N) {
    if (InComment) {
      const char *Close = nullptr;
      for (std::size_t K = At; K + 1 < N; ++K)
        if (L[K] == '*' && L[K + 1] == '/') {
          Close = L + K;
          break;
        }
      if (!Close)
        return true;
      At = std::size_t(Close - L) + 2;
      InComment = false;
      continue;
    }
    char C = L[At];
    if (C == ' ' || C == '\t') {
      ++At;
      continue;
    }
    if (First) {
      // A line that starts with * or the word NOTE is a comment line.
      First = false;
      if (C == '*' && !(At + 1 < N && L[At + 1] == '/'))
        return false;
      if (NameAt(L, N, At) == 4 && Spells(L + At, 4, "NOTE"))
        return false;
    }
    char Next = At + 1 < N ? L[At + 1] : 0;
    if ((C == '/' && Next == '/') || (C == '&' && Next == '&'))
      return false;
    if (C == '/' && Next == '*') {
      InComment = true;
      At += 2;
      continue;
    }
    // Strings: "...", '...', and [...] where a subscript cannot stand (not after a name,
    // a closing bracket or a brace).
    if (C == '"' || C == '\'' ||
        (C == '[' && !IsNameChar(Previous) && Previous != ')' && Previous != ']' &&
         Previous != '}')) {
      char Close = C == '[' ? ']' : C;
      const void *End = std::memchr(L + At + 1, Close, N - At - 1);
      if (!End)
        return false; // a string left open takes the rest of the line
      At = std::size_t(static_cast<const char *>(End) - L) + 1;
      Previous = '"';
      continue;
    }
    if (IsNameChar(C)) {
      std::size_t Start = At;
      while (At < N && IsNameChar(L[At]))
        ++At;
      if (IsNameStart(C))
        Word(Start, At - Start);
      Previous = 'a';
      continue;
    }
    Previous = C;
    ++At;
  }
  return InComment;
}

// Calls Line(start, length, number) for each line of Text; lines end at LF, CR LF or a
// lone CR.
template <class LineCall> void ForEachLine(const char *Text, std::size_t Size, LineCall &&Line) {
  std::size_t Start = 0;
  int Number = 0;
  for (std::size_t At = 0; At < Size; ++At) {
    char C = Text[At];
    if (C != '\n' && C != '\r')
      continue;
    Line(Start, At - Start, Number++);
    if (C == '\r' && At + 1 < Size && Text[At + 1] == '\n')
      ++At;
    Start = At + 1;
  }
  Line(Start, Size - Start, Number);
}

bool HasCommentOpener(const char *L, std::size_t N) {
  for (const char *At = L; N > 1;) {
    const void *Slash = std::memchr(At, '/', N - 1);
    if (!Slash)
      return false;
    std::size_t Skip = std::size_t(static_cast<const char *>(Slash) - At) + 1;
    At += Skip;
    N -= Skip;
    if (*At == '*')
      return true;
  }
  return false;
}

// True when Name (a word) stands anywhere in Text, in any case: a text without it needs no
// closer look.
bool MentionsName(const char *Text, std::size_t Size, const std::string &Name) {
  if (Name.empty() || Size < Name.size())
    return false;
  const char First = UpperOf(Name[0]);
  for (std::size_t At = 0; At + Name.size() <= Size; ++At)
    if (UpperOf(Text[At]) == First && SameName(Text + At, Name.size(), Name))
      return true;
  return false;
}

// What the reader knows between lines.
struct ReaderState {
  bool InComment = false;
  bool InDump = false;
  bool InClass = false;
  std::string ClassName;
};

void Add(std::vector<SymbolRecord> &Symbols, int Kind, const char *L, std::size_t At,
         std::size_t Length, std::size_t LineStart, int Line) {
  SymbolRecord Symbol;
  Symbol.Name.assign(L + At, Length);
  Symbol.Kind = Kind;
  Symbol.Line = Line;
  Symbol.Column = static_cast<int>(At);
  Symbol.Offset = LineStart + At;
  Symbols.push_back(std::move(Symbol));
}

// The directive line after its "#" at At.
void ReadDirective(const char *L, std::size_t N, std::size_t At, std::size_t LineStart, int Line,
                   ReaderState &State, std::vector<SymbolRecord> &Symbols) {
  At = SkipBlanks(L, N, At);
  std::size_t Length = NameAt(L, N, At);
  const char *Word = L + At;
  At = SkipBlanks(L, N, At + Length);
  std::size_t Name = NameAt(L, N, At);
  if (Spells(Word, Length, "DEFINE")) {
    if (Name)
      Add(Symbols, SymbolDefine, L, At, Name, LineStart, Line);
  } else if (Spells(Word, Length, "COMMAND") || Spells(Word, Length, "XCOMMAND") ||
             Spells(Word, Length, "YCOMMAND") || Spells(Word, Length, "TRANSLATE") ||
             Spells(Word, Length, "XTRANSLATE") || Spells(Word, Length, "YTRANSLATE")) {
    if (Name)
      Add(Symbols, SymbolCommand, L, At, Name, LineStart, Line);
  } else if (Spells(Word, Length, "PRAGMA")) {
    if (Spells(L + At, Name, "BEGINDUMP"))
      State.InDump = true;
  }
}

// The routine, class or method header that starts at At, if the line is one; the words that
// end a class's body close it.
void ReadStatement(const char *L, std::size_t N, std::size_t At, std::size_t LineStart, int Line,
                   ReaderState &State, std::vector<SymbolRecord> &Symbols) {
  std::size_t First = NameAt(L, N, At);
  if (!First)
    return;
  const char *Word = L + At;
  std::size_t SecondAt = SkipBlanks(L, N, At + First);
  std::size_t Second = SecondAt > At + First ? NameAt(L, N, SecondAt) : 0;
  // Where the declared name stands, and what the line declares.
  std::size_t NameFrom = SecondAt, Length = Second;
  int Kind = -1;
  bool Routine = Abbreviates(Word, First, "FUNCTION") || Abbreviates(Word, First, "PROCEDURE");
  bool Prefixed =
      Spells(Word, First, "STATIC") || Spells(Word, First, "INIT") || Spells(Word, First, "EXIT");
  if (Routine) {
    Kind = SymbolRoutine;
  } else if (Prefixed && (Abbreviates(L + SecondAt, Second, "FUNCTION") ||
                          Abbreviates(L + SecondAt, Second, "PROCEDURE"))) {
    NameFrom = SkipBlanks(L, N, SecondAt + Second);
    Length = NameFrom > SecondAt + Second ? NameAt(L, N, NameFrom) : 0;
    Kind = Spells(Word, First, "STATIC") ? SymbolStaticRoutine : SymbolRoutine;
  } else if (Spells(Word, First, "METHOD") || Spells(Word, First, "ACCESS") ||
             Spells(Word, First, "ASSIGN")) {
    Kind = SymbolMethod;
  } else if (Spells(Word, First, "CLASS")) {
    // Inside a class's body, CLASS VAR and the like declare members.
    if (!State.InClass ||
        !(Spells(L + SecondAt, Second, "VAR") || Spells(L + SecondAt, Second, "DATA") ||
          Spells(L + SecondAt, Second, "METHOD") || Spells(L + SecondAt, Second, "MESSAGE")))
      Kind = SymbolClass;
  } else if (Spells(Word, First, "CREATE") && Spells(L + SecondAt, Second, "CLASS")) {
    NameFrom = SkipBlanks(L, N, SecondAt + Second);
    Length = NameFrom > SecondAt + Second ? NameAt(L, N, NameFrom) : 0;
    Kind = SymbolClass;
  } else if (Spells(Word, First, "ENDCLASS") ||
             (Spells(Word, First, "END") && Spells(L + SecondAt, Second, "CLASS"))) {
    State.InClass = false;
  }
  // An assignment to a variable of the keyword's name declares nothing.
  std::size_t After = SkipBlanks(L, N, NameFrom + Length);
  if (Kind < 0 || !Length || (After < N && (L[After] == ':' || L[After] == '=')))
    return;
  Add(Symbols, Kind, L, NameFrom, Length, LineStart, Line);
  SymbolRecord &Symbol = Symbols.back();
  if (Kind == SymbolClass) {
    State.InClass = true;
    State.ClassName = Symbol.Name;
  } else if (Kind == SymbolMethod) {
    // The class named after the word CLASS, else the class whose body holds the line.
    bool AfterClass = false;
    WalkLine(L, N, NameFrom + Length, false, [&](std::size_t Start, std::size_t Size) {
      if (AfterClass && Symbol.Container.empty())
        Symbol.Container.assign(L + Start, Size);
      AfterClass = Spells(L + Start, Size, "CLASS");
    });
    Symbol.InClassBody = State.InClass;
    if (Symbol.Container.empty() && State.InClass)
      Symbol.Container = State.ClassName;
  } else {
    State.InClass = false;
  }
}

// One line of a program: its declaration, and whether it leaves a comment open.
void ReadLine(const char *L, std::size_t N, std::size_t LineStart, int Line, ReaderState &State,
              std::vector<SymbolRecord> &Symbols) {
  std::size_t At = SkipBlanks(L, N, 0);
  if (State.InDump) {
    if (At < N && L[At] == '#') {
      std::size_t Word = SkipBlanks(L, N, At + 1);
      std::size_t Length = NameAt(L, N, Word);
      std::size_t Mode = SkipBlanks(L, N, Word + Length);
      if (Spells(L + Word, Length, "PRAGMA") && Spells(L + Mode, NameAt(L, N, Mode), "ENDDUMP"))
        State.InDump = false;
    }
    return;
  }
  if (State.InComment) {
    State.InComment = WalkLine(L, N, 0, true, [](std::size_t, std::size_t) {});
    return;
  }
  if (At < N && L[At] == '#')
    ReadDirective(L, N, At + 1, LineStart, Line, State, Symbols);
  else
    ReadStatement(L, N, At, LineStart, Line, State, Symbols);
  // Only a line with "/*" in it can leave a comment open.
  if (HasCommentOpener(L + At, N - At))
    State.InComment = WalkLine(L, N, At, false, [](std::size_t, std::size_t) {});
}

} // namespace

void ReadSymbols(const char *Text, std::size_t Size, std::vector<SymbolRecord> &Symbols) {
  ReaderState State;
  ForEachLine(Text, Size, [&](std::size_t Start, std::size_t Length, int Line) {
    ReadLine(Text + Start, Length, Start, Line, State, Symbols);
  });
}

bool ReadHeaderSymbol(const std::string &Line, SymbolRecord &Symbol) {
  ReaderState State;
  std::vector<SymbolRecord> Found;
  const char *L = Line.data();
  std::size_t N = Line.size();
  while (N > 0 && (L[N - 1] == '\n' || L[N - 1] == '\r'))
    --N;
  ReadStatement(L, N, SkipBlanks(L, N, 0), 0, 0, State, Found);
  if (Found.empty())
    return false;
  Symbol = std::move(Found.front());
  return true;
}

bool SameName(const char *A, std::size_t ALength, const std::string &B) {
  if (ALength != B.size())
    return false;
  for (std::size_t I = 0; I < ALength; ++I)
    if (UpperOf(A[I]) != UpperOf(B[I]))
      return false;
  return true;
}

void FindNameUses(const char *Text, std::size_t Size, const std::string &Name,
                  std::vector<std::size_t> &Offsets) {
  if (!MentionsName(Text, Size, Name))
    return;
  bool InComment = false;
  ForEachLine(Text, Size, [&](std::size_t Start, std::size_t Length, int) {
    const char *L = Text + Start;
    InComment = WalkLine(L, Length, 0, InComment, [&](std::size_t At, std::size_t WordLength) {
      if (SameName(L + At, WordLength, Name))
        Offsets.push_back(Start + At);
    });
  });
}

void NameAround(const std::string &Text, std::size_t Offset, std::size_t &Start,
                std::size_t &Length) {
  if (Offset > Text.size())
    Offset = Text.size();
  Start = Offset;
  while (Start > 0 && IsNameChar(Text[Start - 1]))
    --Start;
  std::size_t End = Offset;
  while (End < Text.size() && IsNameChar(Text[End]))
    ++End;
  Length = End > Start && IsNameStart(Text[Start]) ? End - Start : 0;
}

int CommentBlockAbove(const std::string &Text, int Line) {
  std::vector<std::pair<std::size_t, std::size_t>> Lines;
  ForEachLine(Text.data(), Text.size(), [&](std::size_t Start, std::size_t Length, int Number) {
    if (Number < Line)
      Lines.emplace_back(Start, Length);
  });
  int First = static_cast<int>(Lines.size());
  bool InBlock = false; // walking up through a /* */ block
  for (int K = First - 1; K >= 0; --K) {
    const char *L = Text.data() + Lines[std::size_t(K)].first;
    std::size_t N = Lines[std::size_t(K)].second;
    while (N > 0 && (L[N - 1] == ' ' || L[N - 1] == '\t'))
      --N;
    std::size_t At = SkipBlanks(L, N, 0);
    bool Opens = std::string(L + At, N - At).find("/*") != std::string::npos;
    if (InBlock) {
      First = K;
      InBlock = !Opens;
      continue;
    }
    if (At == N)
      break;
    bool Closes = N - At >= 2 && L[N - 2] == '*' && L[N - 1] == '/';
    bool LineComment = (L[At] == '*' && !Closes) ||
                       (N - At >= 2 && L[At] == '/' && L[At + 1] == '/') ||
                       (N - At >= 2 && L[At] == '&' && L[At + 1] == '&') ||
                       (NameAt(L, N, At) == 4 && Spells(L + At, 4, "NOTE"));
    if (Closes && (L[At] == '/' || L[At] == '*' || !Opens)) {
      // The last line of a /* */ block: the block reaches up to the line that opens it.
      First = K;
      InBlock = !(L[At] == '/' && At + 1 < N && L[At + 1] == '*');
      continue;
    }
    if (!LineComment)
      break;
    First = K;
  }
  return First;
}
