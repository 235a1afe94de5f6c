// The simulated host's dialog engine: a modal loop that draws the dialog, plays the user's
// actions from a script (or asks a live source for them), sends the notifications the host
// sends, answers the dialog messages the plug-in uses and returns the closing item.
#include "../src/host/keys.hpp"
#include "dialog_record.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// The dialogs open now, innermost last; a handle is valid only while its dialog is here.
PER_THREAD std::vector<SimDialogRecord *> OpenDialogs;

SimDialogRecord *DialogOf(HANDLE Dlg) {
  for (SimDialogRecord *D : OpenDialogs)
    if (D == Dlg)
      return D;
  return nullptr;
}

template <typename T> T *PointerParam(DialogParam Param2) {
  return reinterpret_cast<T *>(static_cast<std::intptr_t>(Param2));
}

std::size_t TextLength(const FarDialogItem &Item) {
  std::size_t Length = 0;
  while (Length < sizeof(Item.Data) && Item.Data[Length])
    ++Length;
  return Length;
}

bool IsEdit(const FarDialogItem &Item) {
  return Item.Type == DI_EDIT || Item.Type == DI_PSWEDIT || Item.Type == DI_FIXEDIT;
}

bool CanTakeFocus(const SimDialogRecord &D, int Index) {
  if (Index < 0 || Index >= D.Count)
    return false;
  const FarDialogItem &Item = D.Items[Index];
  if (Item.Flags & (DIF_NOFOCUS | DIF_DISABLE))
    return false;
  switch (Item.Type) {
  case DI_EDIT:
  case DI_PSWEDIT:
  case DI_FIXEDIT:
  case DI_BUTTON:
  case DI_CHECKBOX:
  case DI_RADIOBUTTON:
  case DI_COMBOBOX:
  case DI_LISTBOX:
  case DI_USERCONTROL:
    return true;
  default:
    return false;
  }
}

// The most characters an item's text may hold: a fixed field no more than its width.
std::size_t TextCapacity(const FarDialogItem &Item) {
  if (Item.Type == DI_FIXEDIT)
    return static_cast<std::size_t>(SimFieldWidth(Item));
  return sizeof(Item.Data) - 1;
}

void SetItemText(SimDialogRecord &D, int Index, const std::string &Text) {
  FarDialogItem &Item = D.Items[Index];
  std::string Kept = Text.substr(0, std::min(Text.size(), TextCapacity(Item)));
  std::memcpy(Item.Data, Kept.c_str(), Kept.size() + 1);
  if (Index == D.Focus)
    D.CursorPos = std::min(D.CursorPos, static_cast<int>(Kept.size()));
  if (D.Shown)
    SimDrawDialogItem(D, Index);
}

void PublishFocus(SimDialogRecord &D) {
  SimHost.DialogFocus = D.Focus;
  SimHost.DialogCursorX = SimHost.DialogCursorY = -1;
  if (D.Focus >= 0 && IsEdit(D.Items[D.Focus])) {
    const FarDialogItem &Item = D.Items[D.Focus];
    int Pos = std::min(D.CursorPos, SimFieldWidth(Item) - 1);
    SimHost.DialogCursorX = D.Left + Item.X1 + Pos;
    SimHost.DialogCursorY = D.Top + Item.Y1;
  }
}

void SetFocusFlags(SimDialogRecord &D) {
  for (int I = 0; I < D.Count; ++I)
    D.Items[I].Focus = I == D.Focus ? 1 : 0;
}

// An edit field that gets the focus: the cursor after its text, the text unchanged so far.
void FocusEntered(SimDialogRecord &D) {
  D.CursorPos = D.Focus >= 0 ? static_cast<int>(TextLength(D.Items[D.Focus])) : 0;
  D.Fresh = true;
}

// Moves the focus as the host does: the item losing it is asked first and may keep it from
// moving (or send it elsewhere); both items are then drawn again.
void ChangeFocus(SimDialogRecord &D, int Target) {
  if (!CanTakeFocus(D, Target) || Target == D.Focus)
    return;
  int Old = D.Focus;
  if (Old >= 0) {
    if (D.CallIndex < SimHost.Dialogs.size())
      SimHost.Dialogs[D.CallIndex].KillFocus.push_back(Old);
    DialogParam Reply = SimDialogNotify(D, DN_KILLFOCUS, Old, 0);
    if (Reply != -1 && CanTakeFocus(D, static_cast<int>(Reply)))
      Target = static_cast<int>(Reply);
    if (Target == Old)
      return;
  }
  D.Focus = Target;
  FocusEntered(D);
  SetFocusFlags(D);
  SimDialogNotify(D, DN_GOTFOCUS, Target, 0);
  if (Old >= 0)
    SimDrawDialogItem(D, Old);
  SimDrawDialogItem(D, Target);
}

int NextFocusable(const SimDialogRecord &D, int From, int Step) {
  for (int N = 1; N <= D.Count; ++N) {
    int I = ((From + Step * N) % D.Count + D.Count) % D.Count;
    if (CanTakeFocus(D, I))
      return I;
  }
  return From;
}

// Typing into the focused edit field: a fixed field overtypes and holds at most its width,
// a free field inserts.
void TypeText(SimDialogRecord &D, const std::string &Typed) {
  if (D.Focus < 0 || !IsEdit(D.Items[D.Focus]))
    return;
  FarDialogItem &Item = D.Items[D.Focus];
  std::string Text(Item.Data, TextLength(Item));
  std::size_t Capacity = TextCapacity(Item);
  for (char C : Typed) {
    if (D.Fresh) {
      Text.clear();
      D.CursorPos = 0;
      D.Fresh = false;
    }
    std::size_t Pos = static_cast<std::size_t>(D.CursorPos);
    if (Item.Type == DI_FIXEDIT) {
      if (Pos >= Capacity)
        break;
      if (Pos < Text.size())
        Text[Pos] = C;
      else
        Text += C;
    } else {
      if (Text.size() >= Capacity)
        break;
      Text.insert(Pos, 1, C);
    }
    ++D.CursorPos;
  }
  SetItemText(D, D.Focus, Text);
  SimDialogNotify(D, DN_EDITCHANGE, D.Focus,
                  static_cast<DialogParam>(reinterpret_cast<std::intptr_t>(&Item)));
}

void PressEditKey(SimDialogRecord &D, int Key) {
  if (D.Focus < 0 || !IsEdit(D.Items[D.Focus]))
    return;
  FarDialogItem &Item = D.Items[D.Focus];
  std::string Text(Item.Data, TextLength(Item));
  int Length = static_cast<int>(Text.size());
  D.Fresh = false;
  switch (Key) {
  case KEY_LEFT:
    D.CursorPos = std::max(0, D.CursorPos - 1);
    break;
  case KEY_RIGHT:
    D.CursorPos = std::min(Length, D.CursorPos + 1);
    break;
  case KEY_HOME:
    D.CursorPos = 0;
    break;
  case KEY_END:
    D.CursorPos = Length;
    break;
  case SimKeyDel:
    if (D.CursorPos < Length) {
      Text.erase(static_cast<std::size_t>(D.CursorPos), 1);
      SetItemText(D, D.Focus, Text);
    }
    break;
  case SimKeyBackspace:
    if (D.CursorPos > 0) {
      Text.erase(static_cast<std::size_t>(--D.CursorPos), 1);
      SetItemText(D, D.Focus, Text);
    }
    break;
  default:
    break;
  }
}

// The dialog procedure may refuse to close; true when it agrees.
bool AgreeToClose(SimDialogRecord &D, int Result) {
  return SimDialogNotify(D, DN_CLOSE, Result, 0) != 0;
}

int DefaultButton(const SimDialogRecord &D) {
  for (int I = 0; I < D.Count; ++I)
    if (D.Items[I].DefaultButton && D.Items[I].Type == DI_BUTTON)
      return I;
  return -1;
}

bool NextAction(SimDialogAction &Action, std::vector<SimDialogAction> &Script, std::size_t &At) {
  if (SimHost.DialogInput)
    return SimHost.DialogInput(SimHost.DialogInputContext, Action);
  if (At >= Script.size())
    return false;
  Action = Script[At++];
  return true;
}

// Plays one action; true with Result set when it closes the dialog.
bool PlayAction(SimDialogRecord &D, const SimDialogAction &Action, int &Result) {
  switch (Action.What) {
  case SimDialogAction::Next:
    ChangeFocus(D, NextFocusable(D, D.Focus, 1));
    break;
  case SimDialogAction::Prev:
    ChangeFocus(D, NextFocusable(D, D.Focus, -1));
    break;
  case SimDialogAction::Focus:
    ChangeFocus(D, Action.Item);
    break;
  case SimDialogAction::Type:
    TypeText(D, Action.Text);
    break;
  case SimDialogAction::Key:
    PressEditKey(D, Action.Item);
    break;
  case SimDialogAction::Ok: {
    // Enter on a button chooses it; elsewhere it chooses the default button.
    int Chosen = D.Focus;
    if (Chosen < 0 || D.Items[Chosen].Type != DI_BUTTON) {
      int Default = DefaultButton(D);
      if (Default >= 0)
        Chosen = Default;
    }
    if (AgreeToClose(D, Chosen)) {
      Result = Chosen;
      return true;
    }
    break;
  }
  case SimDialogAction::Press:
    // A click: the button takes the focus, then closes the dialog.
    if (CanTakeFocus(D, Action.Item) && D.Items[Action.Item].Type == DI_BUTTON) {
      ChangeFocus(D, Action.Item);
      if (D.Focus == Action.Item && AgreeToClose(D, Action.Item)) {
        Result = Action.Item;
        return true;
      }
    }
    break;
  case SimDialogAction::Cancel:
    if (AgreeToClose(D, -1)) {
      Result = -1;
      return true;
    }
    break;
  case SimDialogAction::Move:
    SimRestoreUnderDialog(D);
    D.Left = Action.Item;
    D.Top = Action.Y;
    SimDrawDialog(D);
    break;
  }
  return false;
}

} // namespace

DialogParam SimDialogNotify(SimDialogRecord &D, int Msg, int Param1, DialogParam Param2) {
  return D.Proc(reinterpret_cast<HANDLE>(&D), Msg, Param1, Param2);
}

int WINAPI SimDialogEx(int, int X1, int Y1, int X2, int Y2, const char *HelpTopic,
                       FarDialogItem *Item, int ItemsNumber, DWORD, DWORD, FARWINDOWPROC DlgProc,
                       DialogParam Param) {
  SimDialogCall NewCall;
  NewCall.X1 = X1;
  NewCall.Y1 = Y1;
  NewCall.X2 = X2;
  NewCall.Y2 = Y2;
  NewCall.HelpTopic = HelpTopic ? HelpTopic : "";
  NewCall.Result = -1;
  SimHost.Dialogs.push_back(NewCall);
  std::size_t CallIndex = SimHost.Dialogs.size() - 1;
  std::vector<SimDialogAction> Script;
  if (!SimHost.DialogInput && !SimHost.DialogScripts.empty()) {
    Script = SimHost.DialogScripts.front();
    SimHost.DialogScripts.pop_front();
  }
  if (!Item || ItemsNumber <= 0)
    return -1;

  SimDialogRecord D;
  D.Items = Item;
  D.Count = ItemsNumber;
  D.Proc = DlgProc ? DlgProc : SimDefDlgProc;
  D.Param = Param;
  D.CallIndex = CallIndex;
  const SimScreenRecord &S = SimHost.Screen;
  // -1 for the corner centres the dialog; X2 and Y2 are then its width and height.
  D.Width = X1 < 0 ? X2 : X2 - X1 + 1;
  D.Height = Y1 < 0 ? Y2 : Y2 - Y1 + 1;
  D.Left = X1 < 0 ? (S.Width - D.Width) / 2 : X1;
  D.Top = Y1 < 0 ? (S.Height - D.Height) / 2 : Y1;
  D.UnderChars = S.Chars;
  D.UnderAttrs = S.Attrs;
  for (int I = 0; I < D.Count; ++I) {
    FarDialogItem &It = D.Items[I];
    It.Data[sizeof(It.Data) - 1] = 0;
    // A fixed field holds no more than its width, whatever text it was given.
    if (It.Type == DI_FIXEDIT && TextLength(It) > TextCapacity(It))
      It.Data[TextCapacity(It)] = 0;
  }
  SimPlaceCentredButtons(D);
  for (int I = 0; I < D.Count && D.Focus < 0; ++I)
    if (D.Items[I].Focus && CanTakeFocus(D, I))
      D.Focus = I;
  if (D.Focus < 0)
    D.Focus = NextFocusable(D, -1, 1);
  if (!CanTakeFocus(D, D.Focus))
    D.Focus = -1;
  FocusEntered(D);
  SetFocusFlags(D);
  OpenDialogs.push_back(&D);

  SimDialogNotify(D, DN_INITDIALOG, 0, Param);
  SimDrawDialog(D);
  PublishFocus(D);
  if (SimHost.DialogStep)
    SimHost.DialogStep(SimHost.DialogStepContext);
  int Result = -1;
  std::size_t At = 0;
  for (;;) {
    SimDialogAction Action;
    if (D.CloseRequest != -2) {
      Result = D.CloseRequest;
      break;
    }
    // A script that runs out, or a live source that gives up, is Esc.
    if (!NextAction(Action, Script, At)) {
      Action = SimDialogAction{SimDialogAction::Cancel, "", 0, 0};
      if (PlayAction(D, Action, Result))
        break;
      Result = -1;
      break;
    }
    if (PlayAction(D, Action, Result))
      break;
    PublishFocus(D);
    if (SimHost.DialogStep)
      SimHost.DialogStep(SimHost.DialogStepContext);
  }

  OpenDialogs.erase(std::find(OpenDialogs.begin(), OpenDialogs.end(), &D));
  if (CallIndex >= SimHost.Dialogs.size())
    return Result;
  SimDialogCall &Call = SimHost.Dialogs[CallIndex];
  Call.Result = Result;
  Call.Left = D.Left;
  Call.Top = D.Top;
  Call.Width = D.Width;
  Call.Height = D.Height;
  Call.FinalItems.assign(Item, Item + ItemsNumber);
  SimHost.DialogFocus = SimHost.DialogCursorX = SimHost.DialogCursorY = -1;
  return Result;
}

DialogParam WINAPI SimSendDlgMessage(HANDLE Dlg, int Msg, int Param1, DialogParam Param2) {
  SimDialogRecord *D = DialogOf(Dlg);
  if (!D)
    return 0;
  bool IsItem = Param1 >= 0 && Param1 < D->Count;
  switch (Msg) {
  case DM_GETDLGITEM: {
    FarDialogItem *Out = PointerParam<FarDialogItem>(Param2);
    if (!IsItem || !Out)
      return 0;
    *Out = D->Items[Param1];
    return 1;
  }
  case DM_GETDLGRECT: {
    SmallRect *Out = PointerParam<SmallRect>(Param2);
    if (!Out)
      return 0;
    Out->Left = static_cast<short>(D->Left);
    Out->Top = static_cast<short>(D->Top);
    Out->Right = static_cast<short>(D->Left + D->Width - 1);
    Out->Bottom = static_cast<short>(D->Top + D->Height - 1);
    return 1;
  }
  case DM_GETTEXT: {
    if (!IsItem)
      return 0;
    const FarDialogItem &It = D->Items[Param1];
    std::size_t Length = TextLength(It);
    FarDialogItemData *Out = PointerParam<FarDialogItemData>(Param2);
    if (!Out || !Out->PtrData)
      return static_cast<DialogParam>(Length);
    // A positive length bounds the copy; 0 copies the whole text, as the host does.
    if (Out->PtrLength > 0)
      Length = std::min(Length, static_cast<std::size_t>(Out->PtrLength));
    std::memcpy(Out->PtrData, It.Data, Length);
    Out->PtrData[Length] = 0;
    return static_cast<DialogParam>(Length);
  }
  case DM_GETTEXTLENGTH:
    return IsItem ? static_cast<DialogParam>(TextLength(D->Items[Param1])) : 0;
  case DM_SETTEXT: {
    const FarDialogItemData *In = PointerParam<FarDialogItemData>(Param2);
    if (!IsItem || !In || !In->PtrData)
      return 0;
    std::size_t Length = 0;
    std::size_t Limit =
        In->PtrLength > 0 ? static_cast<std::size_t>(In->PtrLength) : sizeof(D->Items[0].Data) - 1;
    while (Length < Limit && In->PtrData[Length])
      ++Length;
    SetItemText(*D, Param1, std::string(In->PtrData, Length));
    PublishFocus(*D);
    return static_cast<DialogParam>(TextLength(D->Items[Param1]));
  }
  case DM_SETFOCUS:
    ChangeFocus(*D, Param1);
    PublishFocus(*D);
    return D->Focus == Param1 ? 1 : 0;
  case DM_GETFOCUS:
    return D->Focus;
  case DM_CLOSE:
    D->CloseRequest = Param1 < -1 || Param1 >= D->Count ? -1 : Param1;
    return 1;
  case DM_REDRAW:
    if (D->Shown)
      SimDrawDialog(*D);
    return 1;
  default:
    return 0;
  }
}

DialogParam WINAPI SimDefDlgProc(HANDLE, int Msg, int, DialogParam) {
  switch (Msg) {
  case DN_DRAWDLGITEM: // draw the item
  case DN_DRAWDIALOG:
  case DN_CLOSE: // agree to close
    return 1;
  case DN_KILLFOCUS: // let the focus move
    return -1;
  default:
    return 0;
  }
}
