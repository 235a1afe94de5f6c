// The 1.70 dialog services over Far 3's dialog API: the items' texts and flags translated,
// the dialog procedure called with Far 3's own messages (those the plug-in handles are
// numbered alike in both hosts), and the messages the plug-in sends translated where the
// records differ. The edit fields' texts are copied back before the dialog is freed, as the
// 1.70 host leaves them in the items.
#include "../host/wide_dialogs.hpp"
#include "bridge.hpp"
#include "encoding.hpp"

#include <cstring>
#include <string>
#include <vector>

namespace {

// {3C84DCB9-93A5-415C-BFD9-198E9936867F}
const Far3::Uuid DialogGuid = {
    0x3c84dcb9, 0x93a5, 0x415c, {0xbf, 0xd9, 0x19, 0x8e, 0x99, 0x36, 0x86, 0x7f}};

// The procedure of the dialog being run, and its items: the plug-in's, then those the layer
// added. 1.70 dialogs are modal, one at a time.
struct RunningDialogRecord {
  FARWINDOWPROC Proc;
  std::intptr_t Items;
  std::intptr_t Added;
};
RunningDialogRecord Running = {nullptr, 0, 0};

std::intptr_t WINAPI Trampoline(Far3::Handle Dlg, std::intptr_t Msg, std::intptr_t Param1,
                                void *Param2) {
  DialogParam Param = static_cast<DialogParam>(reinterpret_cast<std::intptr_t>(Param2));
  // The items the layer added are unknown to the plug-in.
  if (!Running.Proc || (Param1 >= Running.Items && Param1 < Running.Items + Running.Added))
    return Far3Bridge.Far.DefDlgProc(Dlg, Msg, Param1, Param2);
  return static_cast<std::intptr_t>(
      Running.Proc(Dlg, static_cast<int>(Msg), static_cast<int>(Param1), Param));
}

void *PointerOf(DialogParam Param) {
  return reinterpret_cast<void *>(static_cast<std::intptr_t>(Param));
}

void CopyText(char *Data, std::size_t Capacity, const std::string &Text) {
  std::size_t Length = Text.size() < Capacity - 1 ? Text.size() : Capacity - 1;
  std::memcpy(Data, Text.data(), Length);
  Data[Length] = 0;
}

// An item as the 1.70 record has it: place, type, flags and text.
void FromFar3Item(const Far3::DialogItem &In, FarDialogItem &Out) {
  std::memset(&Out, 0, sizeof(Out));
  Out.Type = In.Type;
  Out.X1 = static_cast<int>(In.X1);
  Out.Y1 = static_cast<int>(In.Y1);
  Out.X2 = static_cast<int>(In.X2);
  Out.Y2 = static_cast<int>(In.Y2);
  Out.Selected = static_cast<int>(In.Param);
  Out.Flags = static_cast<DWORD>(In.Flags);
  Out.Focus = (In.Flags & Far3::DialogItemFocus) ? 1 : 0;
  Out.DefaultButton = (In.Flags & Far3::DialogItemDefaultButton) ? 1 : 0;
  CopyText(Out.Data, sizeof(Out.Data), InterfaceBytes(In.Data));
}

} // namespace

int WINAPI BridgeDialogEx(int, int X1, int Y1, int X2, int Y2, const char *HelpTopic,
                          FarDialogItem *Item, int ItemsNumber, DWORD, DWORD Flags,
                          FARWINDOWPROC DlgProc, DialogParam Param) {
  const std::size_t Count = static_cast<std::size_t>(ItemsNumber > 0 ? ItemsNumber : 0);
  const std::vector<FarDialogItem> Laid =
      WideHostDialogItems(Item, ItemsNumber, DialogWidth(X1, X2));
  std::vector<std::wstring> Texts(Laid.size());
  std::vector<Far3::DialogItem> Items(Laid.size());
  for (std::size_t I = 0; I < Laid.size(); ++I) {
    const FarDialogItem &In = Laid[I];
    Far3::DialogItem &Out = Items[I];
    std::memset(&Out, 0, sizeof(Out));
    Texts[I] = InterfaceWide(std::string(In.Data, strnlen(In.Data, sizeof(In.Data))).c_str());
    Out.Type = In.Type;
    Out.X1 = In.X1;
    Out.Y1 = In.Y1;
    Out.X2 = In.X2;
    Out.Y2 = In.Y2;
    Out.Param = In.Type == DI_USERCONTROL ? 0 : In.Selected;
    // The 1.70 colour flag has no Far 3 meaning; the others keep their values.
    Out.Flags = In.Flags & ~static_cast<DWORD>(DIF_SETCOLOR);
    if (In.Focus)
      Out.Flags |= Far3::DialogItemFocus;
    if (In.DefaultButton)
      Out.Flags |= Far3::DialogItemDefaultButton;
    Out.Data = Texts[I].c_str();
  }
  std::wstring Help = InterfaceWide(HelpTopic);
  const RunningDialogRecord Outer = Running;
  Running = {DlgProc, static_cast<std::intptr_t>(Count),
             static_cast<std::intptr_t>(Items.size() - Count)};
  Far3::Handle Dlg = Far3Bridge.Far.DialogInit(
      &PluginGuid, &DialogGuid, X1, Y1, X2, Y2, HelpTopic ? Help.c_str() : nullptr, Items.data(),
      Items.size(), 0, Flags, Trampoline, PointerOf(Param));
  if (!Dlg || Dlg == INVALID_HANDLE_VALUE) {
    Running = Outer;
    return -1;
  }
  int Result = static_cast<int>(Far3Bridge.Far.DialogRun(Dlg));
  // A text the dialog left as it was keeps the plug-in's own (the layout may have cut it).
  for (std::size_t I = 0; I < Count; ++I) {
    const wchar_t *Now = reinterpret_cast<const wchar_t *>(Far3Bridge.Far.SendDlgMessage(
        Dlg, Far3::DmGetConstTextPtr, static_cast<std::intptr_t>(I), nullptr));
    if (Now && Texts[I] != Now)
      CopyText(Item[I].Data, sizeof(Item[I].Data), InterfaceBytes(Now));
  }
  Far3Bridge.Far.DialogFree(Dlg);
  Running = Outer;
  return Result;
}

DialogParam WINAPI BridgeSendDlgMessage(HANDLE Dlg, int Msg, int Param1, DialogParam Param2) {
  Far3::DialogMessageService Send = Far3Bridge.Far.SendDlgMessage;
  switch (Msg) {
  case DM_GETTEXT: {
    FarDialogItemData *Out = static_cast<FarDialogItemData *>(PointerOf(Param2));
    const wchar_t *Now =
        reinterpret_cast<const wchar_t *>(Send(Dlg, Far3::DmGetConstTextPtr, Param1, nullptr));
    std::string Text = InterfaceBytes(Now);
    if (!Out || !Out->PtrData)
      return static_cast<DialogParam>(Text.size());
    std::size_t Length = Text.size();
    if (Out->PtrLength > 0 && Length > static_cast<std::size_t>(Out->PtrLength))
      Length = static_cast<std::size_t>(Out->PtrLength);
    std::memcpy(Out->PtrData, Text.data(), Length);
    Out->PtrData[Length] = 0;
    return static_cast<DialogParam>(Length);
  }
  case DM_SETTEXT: {
    const FarDialogItemData *In = static_cast<const FarDialogItemData *>(PointerOf(Param2));
    if (!In || !In->PtrData)
      return 0;
    std::wstring Text = InterfaceWide(In->PtrData);
    Far3::DialogItemData Data;
    Data.StructSize = sizeof(Data);
    Data.PtrLength = Text.size();
    Data.PtrData = &Text[0];
    return static_cast<DialogParam>(Send(Dlg, DM_SETTEXT, Param1, &Data));
  }
  case DM_GETDLGITEM: {
    FarDialogItem *Out = static_cast<FarDialogItem *>(PointerOf(Param2));
    std::intptr_t Size = Send(Dlg, DM_GETDLGITEM, Param1, nullptr);
    if (!Out || Size < static_cast<std::intptr_t>(sizeof(Far3::DialogItem)))
      return 0;
    // The host copies the item and its texts into one block of the size it asked for.
    std::vector<std::intptr_t> Block(static_cast<std::size_t>(Size) / sizeof(std::intptr_t) + 1);
    Far3::GetDialogItem Get;
    Get.StructSize = sizeof(Get);
    Get.Size = static_cast<std::size_t>(Size);
    Get.Item = reinterpret_cast<Far3::DialogItem *>(Block.data());
    if (!Send(Dlg, DM_GETDLGITEM, Param1, &Get))
      return 0;
    FromFar3Item(*Get.Item, *Out);
    return 1;
  }
  default:
    // The dialog's rectangle (SMALL_RECT in both) and the messages without records.
    return static_cast<DialogParam>(Send(Dlg, Msg, Param1, PointerOf(Param2)));
  }
}

DialogParam WINAPI BridgeDefDlgProc(HANDLE Dlg, int Msg, int Param1, DialogParam Param2) {
  return static_cast<DialogParam>(Far3Bridge.Far.DefDlgProc(Dlg, Msg, Param1, PointerOf(Param2)));
}
