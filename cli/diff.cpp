// Unified diff by Myers' algorithm, with a single replaced hunk when the edit is too large.
#include "diff.hpp"

#include <algorithm>
#include <cstddef>
#include <vector>

std::vector<std::string> SplitKeepingEol(const std::string &Text) {
  std::vector<std::string> Lines;
  std::size_t Start = 0;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    bool End =
        Text[I] == '\n' || (Text[I] == '\r' && (I + 1 >= Text.size() || Text[I + 1] != '\n'));
    if (End) {
      Lines.push_back(Text.substr(Start, I + 1 - Start));
      Start = I + 1;
    }
  }
  if (Start < Text.size())
    Lines.push_back(Text.substr(Start));
  return Lines;
}

namespace {

enum EditKind { Keep, Remove, Add };
struct Edit {
  EditKind Kind;
  int OldIndex;
  int NewIndex;
};

// Myers' greedy shortest edit script; gives up (empty result, false) beyond MaxD edits.
bool ShortestEdit(const std::vector<std::string> &A, const std::vector<std::string> &B, int MaxD,
                  std::vector<Edit> &Script) {
  int N = static_cast<int>(A.size());
  int M = static_cast<int>(B.size());
  int Max = N + M;
  int Limit = std::min(Max, MaxD);
  std::vector<int> V(static_cast<std::size_t>(2 * Limit + 3), 0);
  std::vector<std::vector<int>> Trace;
  int Offset = Limit + 1;
  for (int D = 0; D <= Limit; ++D) {
    Trace.push_back(V);
    for (int K = -D; K <= D; K += 2) {
      int X;
      if (K == -D || (K != D && V[static_cast<std::size_t>(K - 1 + Offset)] <
                                    V[static_cast<std::size_t>(K + 1 + Offset)]))
        X = V[static_cast<std::size_t>(K + 1 + Offset)];
      else
        X = V[static_cast<std::size_t>(K - 1 + Offset)] + 1;
      int Y = X - K;
      while (X < N && Y < M && A[static_cast<std::size_t>(X)] == B[static_cast<std::size_t>(Y)]) {
        ++X;
        ++Y;
      }
      V[static_cast<std::size_t>(K + Offset)] = X;
      if (X >= N && Y >= M) {
        // Walk the trace back to the start.
        std::vector<Edit> Reverse;
        int CX = N, CY = M;
        for (int DD = D; DD > 0; --DD) {
          const std::vector<int> &PV = Trace[static_cast<std::size_t>(DD)];
          int CK = CX - CY;
          int PK;
          if (CK == -DD || (CK != DD && PV[static_cast<std::size_t>(CK - 1 + Offset)] <
                                            PV[static_cast<std::size_t>(CK + 1 + Offset)]))
            PK = CK + 1;
          else
            PK = CK - 1;
          int PX = PV[static_cast<std::size_t>(PK + Offset)];
          int PY = PX - PK;
          while (CX > PX && CY > PY) {
            Reverse.push_back({Keep, --CX, --CY});
          }
          if (CX > PX)
            Reverse.push_back({Remove, --CX, CY});
          else
            Reverse.push_back({Add, CX, --CY});
        }
        while (CX > 0 && CY > 0)
          Reverse.push_back({Keep, --CX, --CY});
        Script.assign(Reverse.rbegin(), Reverse.rend());
        return true;
      }
    }
  }
  return false;
}

// Common head and tail kept, everything between removed and added.
void ReplaceMiddle(const std::vector<std::string> &A, const std::vector<std::string> &B,
                   std::vector<Edit> &Script) {
  std::size_t Head = 0;
  while (Head < A.size() && Head < B.size() && A[Head] == B[Head])
    ++Head;
  std::size_t Tail = 0;
  while (Tail < A.size() - Head && Tail < B.size() - Head &&
         A[A.size() - 1 - Tail] == B[B.size() - 1 - Tail])
    ++Tail;
  Script.clear();
  for (std::size_t I = 0; I < Head; ++I)
    Script.push_back({Keep, int(I), int(I)});
  for (std::size_t I = Head; I < A.size() - Tail; ++I)
    Script.push_back({Remove, int(I), int(Head)});
  for (std::size_t I = Head; I < B.size() - Tail; ++I)
    Script.push_back({Add, int(A.size() - Tail), int(I)});
  for (std::size_t I = 0; I < Tail; ++I)
    Script.push_back({Keep, int(A.size() - Tail + I), int(B.size() - Tail + I)});
}

void AppendLine(std::string &Out, char Mark, const std::string &Line) {
  Out += Mark;
  Out += Line;
  if (Line.empty() || Line.back() != '\n') {
    if (!Line.empty() && Line.back() == '\r')
      Out += '\n';
    else
      Out += "\n\\ No newline at end of file\n";
  }
}

} // namespace

namespace {

// The shortest edit script, or one replaced middle when the edit is too large to search.
std::vector<Edit> LineScript(const std::vector<std::string> &A, const std::vector<std::string> &B) {
  std::vector<Edit> Script;
  if (!ShortestEdit(A, B, 2000, Script))
    ReplaceMiddle(A, B, Script);
  return Script;
}

} // namespace

std::vector<LineChange> ChangedLines(const std::vector<std::string> &Before,
                                     const std::vector<std::string> &After) {
  std::vector<LineChange> Changes;
  if (Before == After)
    return Changes;
  std::vector<Edit> Script = LineScript(Before, After);
  for (std::size_t I = 0; I < Script.size();) {
    if (Script[I].Kind == Keep) {
      ++I;
      continue;
    }
    LineChange C{Script[I].OldIndex, 0, Script[I].NewIndex, 0};
    for (; I < Script.size() && Script[I].Kind != Keep; ++I)
      ++(Script[I].Kind == Remove ? C.OldCount : C.NewCount);
    Changes.push_back(C);
  }
  return Changes;
}

std::string UnifiedDiff(const std::string &Before, const std::string &After,
                        const std::string &OldName, const std::string &NewName) {
  if (Before == After)
    return std::string();
  std::vector<std::string> A = SplitKeepingEol(Before);
  std::vector<std::string> B = SplitKeepingEol(After);
  std::vector<Edit> Script = LineScript(A, B);
  const int Context = 3;
  std::string Out = "--- " + OldName + "\n+++ " + NewName + "\n";
  std::size_t I = 0;
  while (I < Script.size()) {
    if (Script[I].Kind == Keep) {
      ++I;
      continue;
    }
    // A hunk: from Context lines before this change to Context lines after the last change
    // that is at most 2 * Context kept lines away from the next.
    std::size_t Start = I >= std::size_t(Context) ? I - Context : 0;
    while (Start < I && Script[Start].Kind != Keep)
      ++Start;
    std::size_t End = I;
    std::size_t LastChange = I;
    while (End < Script.size()) {
      if (Script[End].Kind != Keep)
        LastChange = End;
      else if (End - LastChange > std::size_t(2 * Context))
        break;
      ++End;
    }
    End = std::min(Script.size(), LastChange + 1 + Context);
    int OldStart = Script[Start].OldIndex, NewStart = Script[Start].NewIndex;
    int OldCount = 0, NewCount = 0;
    std::string Body;
    for (std::size_t K = Start; K < End; ++K) {
      const Edit &E = Script[K];
      if (E.Kind == Keep) {
        ++OldCount;
        ++NewCount;
        AppendLine(Body, ' ', A[static_cast<std::size_t>(E.OldIndex)]);
      } else if (E.Kind == Remove) {
        ++OldCount;
        AppendLine(Body, '-', A[static_cast<std::size_t>(E.OldIndex)]);
      } else {
        ++NewCount;
        AppendLine(Body, '+', B[static_cast<std::size_t>(E.NewIndex)]);
      }
    }
    auto Range = [](int First, int Count) {
      int Shown = Count == 0 ? First : First + 1;
      return std::to_string(Shown) + (Count == 1 ? std::string() : "," + std::to_string(Count));
    };
    Out += "@@ -" + Range(OldStart, OldCount) + " +" + Range(NewStart, NewCount) + " @@\n";
    Out += Body;
    I = End;
  }
  return Out;
}
