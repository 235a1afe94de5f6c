// The simulated host's menus, message boxes, language texts and screen, and its service table.
#include "sim.hpp"

#include <cstring>

extern const char SimEnglishLanguageBytes[];
extern const unsigned SimEnglishLanguageSize;

namespace {

// The code page 437 characters above 0x7F as UTF-8, for printing the screen.
const char *const Cp437High[128] = {
    "Ç", "ü", "é", "â", "ä", "à", "å", "ç", "ê", "ë", "è", "ï", "î", "ì", "Ä", "Å", "É", "æ", "Æ",
    "ô", "ö", "ò", "û", "ù", "ÿ", "Ö", "Ü", "¢", "£", "¥", "₧", "ƒ", "á", "í", "ó", "ú", "ñ", "Ñ",
    "ª", "º", "¿", "⌐", "¬", "½", "¼", "¡", "«", "»", "░", "▒", "▓", "│", "┤", "╡", "╢", "╖", "╕",
    "╣", "║", "╗", "╝", "╜", "╛", "┐", "└", "┴", "┬", "├", "─", "┼", "╞", "╟", "╚", "╔", "╩", "╦",
    "╠", "═", "╬", "╧", "╨", "╤", "╥", "╙", "╘", "╒", "╓", "╫", "╪", "┘", "┌", "█", "▄", "▌", "▐",
    "▀", "α", "ß", "Γ", "π", "Σ", "σ", "µ", "τ", "Φ", "Θ", "Ω", "δ", "∞", "φ", "ε", "∩", "≡", "±",
    "≥", "≤", "⌠", "⌡", "÷", "≈", "°", "∙", "·", "√", "ⁿ", "²", "■", " "};

std::string Str(const char *S) {
  return S ? std::string(S) : std::string();
}

// One message line of a language file: the text between the quotes, with its escapes.
std::string UnquoteMessage(const std::string &Line) {
  std::string Body = Line.substr(1);
  if (!Body.empty() && Body.back() == '"')
    Body.pop_back();
  std::string Out;
  for (std::size_t I = 0; I < Body.size(); ++I) {
    char C = Body[I];
    if (C == '\\' && I + 1 < Body.size()) {
      char N = Body[++I];
      switch (N) {
      case 'n':
        Out += '\n';
        break;
      case 'r':
        Out += '\r';
        break;
      case 'b':
        Out += '\b';
        break;
      case 't':
        Out += '\t';
        break;
      default:
        Out += N;
        break;
      }
    } else if (C == '"' && I + 1 < Body.size() && Body[I + 1] == '"') {
      Out += '"';
      ++I;
    } else {
      Out += C;
    }
  }
  return Out;
}

} // namespace

bool SimLoadLanguage(const std::string &Bytes) {
  std::vector<std::string> Texts;
  std::size_t Start = 0;
  bool SawLanguage = false;
  while (Start <= Bytes.size()) {
    std::size_t End = Bytes.find('\n', Start);
    if (End == std::string::npos)
      End = Bytes.size();
    std::string Line = Bytes.substr(Start, End - Start);
    std::size_t A = 0;
    while (A < Line.size() && static_cast<unsigned char>(Line[A]) <= 32)
      ++A;
    std::size_t B = Line.size();
    while (B > A && static_cast<unsigned char>(Line[B - 1]) <= 32)
      --B;
    Line = Line.substr(A, B - A);
    if (Line.compare(0, 10, ".Language=") == 0)
      SawLanguage = true;
    else if (!Line.empty() && Line[0] == '"')
      Texts.push_back(UnquoteMessage(Line));
    Start = End + 1;
  }
  if (!SawLanguage)
    return false;
  SimHost.LanguageTexts = std::move(Texts);
  return true;
}

const std::string &SimBuiltinLanguage() {
  static const std::string Bytes(SimEnglishLanguageBytes, SimEnglishLanguageSize);
  return Bytes;
}

const char *WINAPI SimGetMsg(int, int MsgId) {
  if (SimHost.LanguageTexts.empty())
    SimLoadLanguage(SimBuiltinLanguage());
  if (MsgId < 0 || MsgId >= static_cast<int>(SimHost.LanguageTexts.size())) {
    SimHost.MissingText = "<missing message " + std::to_string(MsgId) + ">";
    return SimHost.MissingText.c_str();
  }
  return SimHost.LanguageTexts[static_cast<std::size_t>(MsgId)].c_str();
}

int WINAPI SimMenu(int, int X, int Y, int MaxHeight, DWORD Flags, const char *Title,
                   const char *Bottom, const char *HelpTopic, const int *, int *,
                   const FarMenuItem *Item, int ItemsNumber) {
  SimMenuCall Call;
  Call.X = X;
  Call.Y = Y;
  Call.MaxHeight = MaxHeight;
  Call.Flags = Flags;
  Call.Title = Str(Title);
  Call.HelpTopic = Str(HelpTopic);
  Call.HasBottom = Bottom != nullptr;
  for (int I = 0; I < ItemsNumber; ++I) {
    FarMenuItem Copy = Item[I];
    Copy.Text[sizeof(Copy.Text) - 1] = 0;
    Call.Items.push_back(Copy);
  }
  SimHost.Menus.push_back(Call);
  if (SimHost.MenuAnswers.empty())
    return -1;
  int Answer = SimHost.MenuAnswers.front();
  SimHost.MenuAnswers.pop_front();
  if (Answer >= ItemsNumber || (Answer >= 0 && Item[Answer].Separator))
    return -1;
  return Answer;
}

int WINAPI SimMessage(int, DWORD Flags, const char *HelpTopic, const char *const *Items,
                      int ItemsNumber, int ButtonsNumber) {
  SimMessageCall Call;
  Call.Flags = Flags;
  Call.HelpTopic = Str(HelpTopic);
  for (int I = 0; I < ItemsNumber; ++I)
    Call.Items.push_back(Str(Items[I]));
  Call.Buttons = ButtonsNumber;
  SimHost.Messages.push_back(Call);
  return 0;
}

void SimClearScreen() {
  SimScreenRecord &S = SimHost.Screen;
  S.Chars.assign(static_cast<std::size_t>(S.Width * S.Height), ' ');
  S.Attrs.assign(static_cast<std::size_t>(S.Width * S.Height), 0x07);
}

void WINAPI SimText(int X, int Y, int Color, const char *Str) {
  SimScreenRecord &S = SimHost.Screen;
  if (!Str || Y < 0 || Y >= S.Height)
    return;
  for (int I = 0; Str[I]; ++I) {
    int Col = X + I;
    if (Col < 0 || Col >= S.Width)
      continue;
    std::size_t At = static_cast<std::size_t>(Y * S.Width + Col);
    S.Chars[At] = static_cast<unsigned char>(Str[I]);
    S.Attrs[At] = static_cast<unsigned char>(Color);
  }
}

std::vector<std::string> SimScreenLines() {
  const SimScreenRecord &S = SimHost.Screen;
  std::vector<std::string> Lines;
  for (int Y = 0; Y < S.Height; ++Y) {
    std::string Line;
    for (int X = 0; X < S.Width; ++X) {
      unsigned char C = S.Chars[static_cast<std::size_t>(Y * S.Width + X)];
      if (C >= 0x80)
        Line += Cp437High[C - 0x80];
      else if (C < 0x20)
        Line += ' ';
      else
        Line += static_cast<char>(C);
    }
    Lines.push_back(Line);
  }
  return Lines;
}

PluginStartupInfo SimStartupInfo(const std::string &ModulePath) {
  PluginStartupInfo Info;
  std::memset(&Info, 0, sizeof(Info));
  Info.StructSize = sizeof(Info);
  std::strncpy(Info.ModuleName, ModulePath.c_str(), sizeof(Info.ModuleName) - 1);
  Info.ModuleNumber = 7;
  Info.RootKey = "Software\\Far\\Plugins";
  Info.Menu = SimMenu;
  Info.Message = SimMessage;
  Info.GetMsg = SimGetMsg;
  Info.Text = SimText;
  Info.EditorControl = SimEditorControl;
  Info.DialogEx = SimDialogEx;
  Info.SendDlgMessage = SimSendDlgMessage;
  Info.DefDlgProc = SimDefDlgProc;
  return Info;
}
