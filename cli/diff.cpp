// Unified diff by Myers' algorithm, with a single replaced hunk when the edit is too large.
//
// Each line is represented by a 32-bit hash, so the search holds 4 bytes a line per side and
// the texts themselves are read only to hash them, to confirm a match and to print the hunks:
// two lines are the same when their hashes agree and their bytes do. The search keeps, for
// each step, only the band of diagonals that step can reach, and the edit script is kept as
// runs of lines; memory stays linear in the number of lines.
#include "diff.hpp"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

namespace {

// Both sides' lines as hashes, and the comparison of two lines by hash, then by bytes.
struct LineKeys {
  const DiffSide &Before;
  const DiffSide &After;
  std::vector<std::uint32_t> A;
  std::vector<std::uint32_t> B;
  std::string ScratchA;
  std::string ScratchB;

  bool Same(std::size_t I, std::size_t J) {
    if (A[I] != B[J])
      return false;
    ScratchA.clear();
    ScratchB.clear();
    Before.AppendLine(Before.Context, I, ScratchA);
    After.AppendLine(After.Context, J, ScratchB);
    return ScratchA == ScratchB;
  }
};

enum EditKind { Keep, Remove, Add };

// The separators of a path's components: on Windows a backslash is one too, and diffs name
// files with "/" only.
#ifdef _WIN32
const char PathSeparators[] = "/\\";
#else
const char PathSeparators[] = "/";
#endif

// Count lines of one kind from (Old, New): a kept run advances both sides, a removed run
// the old side only, an added run the new side only.
struct EditRun {
  EditKind Kind;
  std::size_t Old;
  std::size_t New;
  std::size_t Count;
};

// Adds one edit in front of the runs built so far from the end of the script backwards.
void PrependEdit(std::vector<EditRun> &Reverse, EditKind Kind, std::size_t Old, std::size_t New) {
  if (!Reverse.empty()) {
    EditRun &R = Reverse.back();
    std::size_t OldStep = Kind == Add ? 0 : 1;
    std::size_t NewStep = Kind == Remove ? 0 : 1;
    if (R.Kind == Kind && R.Old == Old + OldStep && R.New == New + NewStep) {
      R.Old = Old;
      R.New = New;
      ++R.Count;
      return;
    }
  }
  Reverse.push_back({Kind, Old, New, 1});
}

// Myers' greedy shortest edit script over the line hashes; gives up (false) beyond MaxD
// edits. Row D of the trace holds the furthest points of diagonals -D-1 to D+1 as they stood
// before step D, all that the walk back reads. Without a Script only the answer is wanted,
// and no trace is kept.
bool ShortestEdit(LineKeys &Keys, int MaxD, std::vector<EditRun> *Script) {
  int N = static_cast<int>(Keys.A.size());
  int M = static_cast<int>(Keys.B.size());
  int Limit = std::min(N + M, MaxD);
  std::vector<int> V(static_cast<std::size_t>(2 * Limit + 3), 0);
  int Offset = Limit + 1;
  auto At = [&](std::vector<int> &Row, int K) -> int & {
    return Row[static_cast<std::size_t>(K + Offset)];
  };
  std::vector<int> Trace;
  std::vector<std::size_t> RowStart;
  for (int D = 0; D <= Limit; ++D) {
    RowStart.push_back(Trace.size());
    if (Script)
      Trace.insert(Trace.end(), V.begin() + (Offset - D - 1), V.begin() + (Offset + D + 2));
    for (int K = -D; K <= D; K += 2) {
      int X;
      if (K == -D || (K != D && At(V, K - 1) < At(V, K + 1)))
        X = At(V, K + 1);
      else
        X = At(V, K - 1) + 1;
      int Y = X - K;
      while (X < N && Y < M &&
             Keys.Same(static_cast<std::size_t>(X), static_cast<std::size_t>(Y))) {
        ++X;
        ++Y;
      }
      At(V, K) = X;
      if (X < N || Y < M)
        continue;
      if (!Script)
        return true;
      // Walk the trace back to the start.
      std::vector<EditRun> Reverse;
      int CX = N, CY = M;
      for (int DD = D; DD > 0; --DD) {
        const int *PV = Trace.data() + RowStart[static_cast<std::size_t>(DD)] + DD + 1;
        int CK = CX - CY;
        int PK = (CK == -DD || (CK != DD && PV[CK - 1] < PV[CK + 1])) ? CK + 1 : CK - 1;
        int PX = PV[PK];
        int PY = PX - PK;
        while (CX > PX && CY > PY) {
          --CX;
          --CY;
          PrependEdit(Reverse, Keep, std::size_t(CX), std::size_t(CY));
        }
        if (CX > PX) {
          --CX;
          PrependEdit(Reverse, Remove, std::size_t(CX), std::size_t(CY));
        } else {
          --CY;
          PrependEdit(Reverse, Add, std::size_t(CX), std::size_t(CY));
        }
      }
      while (CX > 0 && CY > 0) {
        --CX;
        --CY;
        PrependEdit(Reverse, Keep, std::size_t(CX), std::size_t(CY));
      }
      Script->assign(Reverse.rbegin(), Reverse.rend());
      return true;
    }
  }
  return false;
}

// Common head and tail kept, everything between removed and added.
void ReplaceMiddle(std::size_t N, std::size_t M,
                   const std::function<bool(std::size_t, std::size_t)> &Same,
                   std::vector<EditRun> &Script) {
  std::size_t Head = 0;
  while (Head < N && Head < M && Same(Head, Head))
    ++Head;
  std::size_t Tail = 0;
  while (Tail < N - Head && Tail < M - Head && Same(N - 1 - Tail, M - 1 - Tail))
    ++Tail;
  Script.clear();
  const EditRun Runs[4] = {{Keep, 0, 0, Head},
                           {Remove, Head, Head, N - Tail - Head},
                           {Add, N - Tail, Head, M - Tail - Head},
                           {Keep, N - Tail, M - Tail, Tail}};
  for (const EditRun &R : Runs)
    if (R.Count > 0)
      Script.push_back(R);
}

std::vector<std::uint32_t> HashLines(const DiffSide &Side) {
  std::vector<std::uint32_t> Hashes(Side.Count);
  std::string Line;
  for (std::size_t I = 0; I < Side.Count; ++I) {
    Line.clear();
    Side.AppendLine(Side.Context, I, Line);
    std::uint64_t Hash = std::hash<std::string_view>()(Line);
    Hashes[I] = static_cast<std::uint32_t>(Hash ^ (Hash >> 32));
  }
  return Hashes;
}

// The shortest edit script, or one replaced middle when the edit is too large to search.
std::vector<EditRun> LineScript(const DiffSide &Before, const DiffSide &After) {
  std::vector<EditRun> Script;
  LineKeys Keys{Before, After, HashLines(Before), HashLines(After), {}, {}};
  // A first search without the trace tells whether the edit is small enough to find: a
  // large one then never holds the trace's memory.
  if (!ShortestEdit(Keys, 2000, nullptr) || !ShortestEdit(Keys, 2000, &Script))
    ReplaceMiddle(
        Keys.A.size(), Keys.B.size(), [&](std::size_t I, std::size_t J) { return Keys.Same(I, J); },
        Script);
  return Script;
}

// The edit at position P of the script as one line per edit.
struct ScriptEdit {
  EditKind Kind;
  std::size_t Old;
  std::size_t New;
};
ScriptEdit EditAt(const std::vector<EditRun> &Script, const std::vector<std::size_t> &RunPos,
                  std::size_t P) {
  std::size_t R = static_cast<std::size_t>(std::upper_bound(RunPos.begin(), RunPos.end(), P) -
                                           RunPos.begin() - 1);
  const EditRun &Run = Script[R];
  std::size_t Into = P - RunPos[R];
  return {Run.Kind, Run.Old + (Run.Kind == Add ? 0 : Into),
          Run.New + (Run.Kind == Remove ? 0 : Into)};
}

// Gathers output in pieces of about 64 KiB for Emit.
struct DiffWriter {
  bool (*Emit)(void *Context, const char *Data, std::size_t Size);
  void *Context;
  std::string Buffer;
  bool Ok = true;

  void Flush() {
    if (Ok && !Buffer.empty())
      Ok = Emit(Context, Buffer.data(), Buffer.size());
    Buffer.clear();
  }
  void Put(const std::string &Text) {
    Buffer += Text;
    if (Buffer.size() >= (1u << 16))
      Flush();
  }
  void PutLine(char Mark, const DiffSide &Side, std::size_t Index, std::string &Scratch) {
    Scratch.assign(1, Mark);
    Side.AppendLine(Side.Context, Index, Scratch);
    const std::size_t Size = Scratch.size();
    if (Size == 1 || Scratch.back() != '\n')
      Scratch += "\n\\ No newline at end of file\n";
    Put(Scratch);
  }
};

// A file's path as a diff header names it: its "." and empty components dropped (git apply
// refuses "./x.prg" as an invalid path), and with them the leading "/" of an absolute path,
// which follows the a/ or b/ as git diff --no-index writes it. ".." components are kept:
// which folder they lead to depends on the links on the way. A path that cleans to nothing
// is kept as it was.
std::string CleanDiffPath(const std::string &Path) {
  std::string Clean;
  std::size_t Start = 0;
  while (Start <= Path.size()) {
    std::size_t End = Path.find_first_of(PathSeparators, Start);
    if (End == std::string::npos)
      End = Path.size();
    std::string_view Part(Path.data() + Start, End - Start);
    if (!Part.empty() && Part != ".") {
      if (!Clean.empty())
        Clean += '/';
      Clean.append(Part.data(), Part.size());
    }
    Start = End + 1;
  }
  return Clean.empty() ? Path : Clean;
}

// The letter of a byte's C escape in a quoted name, or 0.
char EscapeLetter(unsigned char C) {
  switch (C) {
  case '"':
    return '"';
  case '\\':
    return '\\';
  case '\a':
    return 'a';
  case '\b':
    return 'b';
  case '\t':
    return 't';
  case '\n':
    return 'n';
  case '\v':
    return 'v';
  case '\f':
    return 'f';
  case '\r':
    return 'r';
  default:
    return 0;
  }
}

// A header name quoted as git quotes one (with core.quotePath, its default): a name that
// holds a double quote, a backslash, a control character (DEL too) or a byte from 0x80 is
// written in double quotes with C escapes, a byte without a letter escape as three octal digits
// ("a/\303\251.prg" for "a/é.prg"). A name holding a blank gets a tab after it, as git
// writes it, so that patch reads the whole name.
std::string QuotedDiffName(const std::string &Name) {
  std::string Quoted = "\"";
  bool Needed = false;
  for (unsigned char C : Name) {
    if (char Letter = EscapeLetter(C)) {
      Quoted += '\\';
      Quoted += Letter;
      Needed = true;
    } else if (C < 0x20 || C >= 0x7F) {
      Quoted += '\\';
      Quoted += static_cast<char>('0' + (C >> 6));
      Quoted += static_cast<char>('0' + ((C >> 3) & 7));
      Quoted += static_cast<char>('0' + (C & 7));
      Needed = true;
    } else {
      Quoted += static_cast<char>(C);
    }
  }
  Quoted += '"';
  std::string Written = Needed ? Quoted : Name;
  if (Name.find(' ') != std::string::npos)
    Written += '\t';
  return Written;
}

// The name a header line gives: a name that begins with "a/" or "b/" has the path after it
// cleaned; any name is quoted where it needs to be.
std::string DiffHeaderName(const std::string &Name) {
  bool Prefixed = Name.size() > 2 && (Name[0] == 'a' || Name[0] == 'b') && Name[1] == '/';
  if (!Prefixed)
    return QuotedDiffName(Name);
  return QuotedDiffName(Name.substr(0, 2) + CleanDiffPath(Name.substr(2)));
}

void AppendTextLine(const void *Context, std::size_t Index, std::string &Out) {
  const TextLines &L = *static_cast<const TextLines *>(Context);
  Out.append(L.Data + L.Starts[Index], L.Starts[Index + 1] - L.Starts[Index]);
}

} // namespace

TextLines SplitLines(const char *Data, std::size_t Size) {
  TextLines Lines{Data, {0}};
  // Only "\n" ends a line; a "\r" elsewhere is text, as the editor reads it.
  const char *End = Data + Size;
  for (const char *At = Data; At < End;) {
    const char *Lf = static_cast<const char *>(std::memchr(At, '\n', End - At));
    if (!Lf)
      break;
    At = Lf + 1;
    Lines.Starts.push_back(static_cast<std::uint32_t>(At - Data));
  }
  if (Lines.Starts.back() < Size)
    Lines.Starts.push_back(static_cast<std::uint32_t>(Size));
  return Lines;
}

DiffSide SideOf(const TextLines &Lines) {
  return {Lines.Starts.size() - 1, AppendTextLine, &Lines};
}

bool WriteUnifiedDiff(const DiffSide &Before, const DiffSide &After, const std::string &OldName,
                      const std::string &NewName,
                      bool (*Emit)(void *Context, const char *Data, std::size_t Size),
                      void *EmitContext) {
  std::vector<EditRun> Script = LineScript(Before, After);
  if (Script.empty() || (Script.size() == 1 && Script[0].Kind == Keep))
    return true;

  std::vector<std::size_t> RunPos;
  std::size_t Total = 0;
  for (const EditRun &R : Script) {
    RunPos.push_back(Total);
    Total += R.Count;
  }
  const std::size_t Context = 3;
  DiffWriter Out{Emit, EmitContext, {}};
  Out.Put("--- " + DiffHeaderName(OldName) + "\n+++ " + DiffHeaderName(NewName) + "\n");
  std::string Scratch;
  std::size_t R = 0;
  while (R < Script.size()) {
    if (Script[R].Kind == Keep) {
      ++R;
      continue;
    }
    // A hunk: from Context lines before this change to Context lines after the last change
    // that is at most 2 * Context kept lines away from the next.
    std::size_t I = RunPos[R];
    std::size_t Start = I >= Context ? I - Context : 0;
    std::size_t LastRun = R;
    for (std::size_t K = R + 1; K < Script.size(); ++K) {
      if (Script[K].Kind != Keep)
        LastRun = K;
      else if (Script[K].Count > 2 * Context || K + 1 == Script.size())
        break;
    }
    std::size_t LastChange = RunPos[LastRun] + Script[LastRun].Count - 1;
    std::size_t End = std::min(Total, LastChange + 1 + Context);
    ScriptEdit First = EditAt(Script, RunPos, Start);
    std::size_t OldCount = 0, NewCount = 0;
    for (std::size_t P = Start; P < End; ++P) {
      EditKind Kind = EditAt(Script, RunPos, P).Kind;
      OldCount += Kind != Add;
      NewCount += Kind != Remove;
    }
    auto Range = [](std::size_t FirstLine, std::size_t Count) {
      std::size_t Shown = Count == 0 ? FirstLine : FirstLine + 1;
      return std::to_string(Shown) + (Count == 1 ? std::string() : "," + std::to_string(Count));
    };
    Out.Put("@@ -" + Range(First.Old, OldCount) + " +" + Range(First.New, NewCount) + " @@\n");
    for (std::size_t P = Start; P < End; ++P) {
      ScriptEdit E = EditAt(Script, RunPos, P);
      if (E.Kind == Add)
        Out.PutLine('+', After, E.New, Scratch);
      else
        Out.PutLine(E.Kind == Keep ? ' ' : '-', Before, E.Old, Scratch);
    }
    R = static_cast<std::size_t>(std::upper_bound(RunPos.begin(), RunPos.end(), End - 1) -
                                 RunPos.begin());
  }
  Out.Flush();
  return Out.Ok;
}

std::string UnifiedDiff(const std::string &Before, const std::string &After,
                        const std::string &OldName, const std::string &NewName) {
  TextLines A = SplitLines(Before.data(), Before.size());
  TextLines B = SplitLines(After.data(), After.size());
  std::string Out;
  WriteUnifiedDiff(
      SideOf(A), SideOf(B), OldName, NewName,
      [](void *Context, const char *Data, std::size_t Size) {
        static_cast<std::string *>(Context)->append(Data, Size);
        return true;
      },
      &Out);
  return Out;
}

std::vector<LineChange> ChangedLines(const DiffSide &Before, const DiffSide &After) {
  std::vector<EditRun> Script = LineScript(Before, After);
  std::vector<LineChange> Changes;
  for (std::size_t R = 0; R < Script.size();) {
    if (Script[R].Kind == Keep) {
      ++R;
      continue;
    }
    LineChange C{int(Script[R].Old), 0, int(Script[R].New), 0};
    for (; R < Script.size() && Script[R].Kind != Keep; ++R)
      (Script[R].Kind == Remove ? C.OldCount : C.NewCount) += int(Script[R].Count);
    Changes.push_back(C);
  }
  return Changes;
}
