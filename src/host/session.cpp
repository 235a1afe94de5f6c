// Line operations and cursor handling over the host's editor-control service.
#include "session.hpp"

#include <cstring>

PER_THREAD PluginStartupInfo HostServices;
PER_THREAD EditorSessionRecord EditorSession;

namespace {
int Editor(int Command, void *Param) {
  return HostServices.EditorControl(Command, Param);
}
} // namespace

void MoveCursor() {
  Editor(ECTL_SETPOSITION, &EditorSession.CursorMove);
}

void ReadLine(int Index, std::string &Text) {
  EditorSessionRecord &S = EditorSession;
  S.CursorMove.CurLine = Index;
  MoveCursor();
  S.LineRead.StringNumber = -1;
  S.LineRead.StringText = nullptr;
  S.LineRead.StringEOL = nullptr;
  S.LineRead.StringLength = 0;
  S.LineRead.SelStart = -1;
  S.LineRead.SelEnd = 0;
  Editor(ECTL_GETSTRING, &S.LineRead);
  S.LineReadIndex = Index;
  // Mostly the same end of line as the line before: then nothing is copied.
  const char *Eol = S.LineRead.StringEOL ? S.LineRead.StringEOL : "";
  if (std::strcmp(S.LineReadEOL.c_str(), Eol) != 0)
    S.LineReadEOL.assign(Eol);
  Text.clear();
  if (S.LineRead.StringText && S.LineRead.StringLength > 0)
    Text.append(S.LineRead.StringText, static_cast<std::size_t>(S.LineRead.StringLength));
}

std::string GetLine(int Index) {
  std::string Text;
  ReadLine(Index, Text);
  return Text;
}

bool ReadLineEndsAtLoneCr() {
  return EditorSession.LineReadEOL == "\r";
}

bool LineEndsAtLoneCr(int Index) {
  if (Index < 0)
    return false;
  EditorGetString Line;
  std::memset(&Line, 0, sizeof(Line));
  Line.StringNumber = Index;
  Editor(ECTL_GETSTRING, &Line);
  return Line.StringEOL && std::strcmp(Line.StringEOL, "\r") == 0;
}

bool TouchesLoneCr(bool &After) {
  const bool Before = After;
  After = ReadLineEndsAtLoneCr();
  return Before || After;
}

void SetLine(int Index, const std::string &Text) {
  EditorSessionRecord &S = EditorSession;
  // The end of line stays the line's own: the one read with it, else the host's current one.
  const char *Eol = S.LineReadEOL.c_str();
  EditorGetString Current;
  if (Index != S.LineReadIndex) {
    std::memset(&Current, 0, sizeof(Current));
    Current.StringNumber = Index;
    Current.StringEOL = "\r\n";
    Editor(ECTL_GETSTRING, &Current);
    Eol = Current.StringEOL ? Current.StringEOL : "\r\n";
  }
  S.LineWrite.StringNumber = Index;
  S.LineWrite.StringText = Text.c_str();
  S.LineWrite.StringEOL = Eol;
  S.LineWrite.StringLength = static_cast<int>(Text.size());
  Editor(ECTL_SETSTRING, &S.LineWrite);
}

void InsertLineAtCursor() {
  Editor(ECTL_INSERTSTRING, nullptr);
}

void DeleteCursorLine() {
  Editor(ECTL_DELETESTRING, nullptr);
  // The line last read is gone: its end of line no longer belongs to that index.
  EditorSession.LineReadIndex = -1;
}

bool IsBlockEnd() {
  return EditorSession.LineRead.SelStart == EditorSession.LineRead.SelEnd ||
         EditorSession.LineRead.SelStart == -1;
}

bool InRange() {
  return EditorSession.CurrentLine < EditorSession.LastLine;
}

void RestoreCursor() {
  EditorSessionRecord &S = EditorSession;
  S.CursorMove.CurLine = S.Info.CurLine;
  S.CursorMove.CurPos = S.Info.CurPos;
  S.CursorMove.TopScreenLine = S.Info.TopScreenLine;
  S.CursorMove.LeftPos = S.Info.LeftPos;
  MoveCursor();
}

const char *MsgText(int Id) {
  const char *Text = HostServices.GetMsg ? HostServices.GetMsg(HostServices.ModuleNumber, Id) : "";
  return Text ? Text : "";
}

int ShowMessage(DWORD Flags, const char *HelpTopic, const std::vector<MessageItem> &Items,
                int Buttons) {
  std::vector<const char *> Texts;
  Texts.reserve(Items.size());
  for (const MessageItem &Item : Items)
    Texts.push_back(Item.Text ? Item.Text : MsgText(Item.Id));
  return HostServices.Message(HostServices.ModuleNumber, Flags, HelpTopic, Texts.data(),
                              static_cast<int>(Texts.size()), Buttons);
}

void ShowNotice(DWORD Flags, int TitleId, int TextId) {
  ShowMessage(Flags, "Contents", {{TitleId, nullptr}, {TextId, nullptr}, {MsgOk, nullptr}}, 1);
}

bool IsLetter(unsigned char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}

int Min(int A, int B) {
  return B < A ? B : A;
}

std::string RepeatChar(char C, int N) {
  return N <= 0 ? std::string() : std::string(static_cast<std::size_t>(N), C);
}

void TrimBounds(const std::string &Text, std::size_t &First, std::size_t &End) {
  First = 0;
  End = Text.size();
  while (First < End && IsBlankChar(Text[First]))
    ++First;
  while (End > First && IsBlankChar(Text[End - 1]))
    --End;
}

std::string TrimLeft(const std::string &Text) {
  std::size_t A = 0;
  while (A < Text.size() && IsBlankChar(Text[A]))
    ++A;
  return Text.substr(A);
}

std::string TrimRight(const std::string &Text) {
  std::size_t B = Text.size();
  while (B > 0 && IsBlankChar(Text[B - 1]))
    --B;
  return Text.substr(0, B);
}

std::string LocaleUpperText(const std::string &Text) {
  std::string Out(Text);
  for (char &C : Out)
    C = static_cast<char>(LocaleUpper(static_cast<unsigned char>(C)));
  return Out;
}
