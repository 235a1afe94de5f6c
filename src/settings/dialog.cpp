// The settings dialog: seven number fields on the left, the sample program on the right. The
// dialog is the host's; the plug-in describes its items, cleans a field when it loses the
// focus and repaints the sample with the values in the fields.
#include "dialog.hpp"
#include "../host/session.hpp"
#include "settings.hpp"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A template text at or above this value is a literal text rather than a message number.
const int LiteralText = 2000;
const int DialogItemCount = 20;
const int OkButton = 16;
const int PreviewItem = 19;
// Bits 2, 4, ..., 14: the number fields.
const unsigned NumberFieldMask = 0x5554;

// Code page 437: the separator above the buttons (╟, 36 ─, ┴, 36 ─, ╢) and the divider
// between the fields and the sample (16 │ and the ┴ where it meets the separator).
const std::string SeparatorText =
    "\xC7" + std::string(36, '\xC4') + "\xC1" + std::string(36, '\xC4') + "\xB6";
const std::string DividerText = std::string(16, '\xB3') + "\xC1";

const DialogItemTemplate SettingsDialogItems[DialogItemCount] = {
    {DI_DOUBLEBOX, 0, 0, 74, 19, 0, 0, 0, 0, MsgConfigTitle, nullptr},
    {DI_TEXT, 2, 2, 0, 0, 0, 0, 0, 0, MsgSettingLabel + 0, nullptr},
    {DI_FIXEDIT, 2, 3, 3, 0, 1, 0, 0, 0, LiteralText, nullptr},
    {DI_TEXT, 2, 4, 0, 0, 0, 0, 0, 0, MsgSettingLabel + 1, nullptr},
    {DI_FIXEDIT, 2, 5, 3, 0, 1, 0, 0, 0, LiteralText, nullptr},
    {DI_TEXT, 2, 6, 0, 0, 0, 0, 0, 0, MsgSettingLabel + 2, nullptr},
    {DI_FIXEDIT, 2, 7, 3, 0, 1, 0, 0, 0, LiteralText, nullptr},
    {DI_TEXT, 2, 8, 0, 0, 0, 0, 0, 0, MsgSettingLabel + 3, nullptr},
    {DI_FIXEDIT, 2, 9, 3, 0, 1, 0, 0, 0, LiteralText, nullptr},
    {DI_TEXT, 2, 10, 0, 0, 0, 0, 0, 0, MsgSettingLabel + 4, nullptr},
    {DI_FIXEDIT, 2, 11, 3, 0, 1, 0, 0, 0, LiteralText, nullptr},
    {DI_TEXT, 2, 12, 0, 0, 0, 0, 0, 0, MsgSettingLabel + 5, nullptr},
    {DI_FIXEDIT, 2, 13, 3, 0, 1, 0, 0, 0, LiteralText, nullptr},
    {DI_TEXT, 2, 14, 0, 0, 0, 0, 0, 0, MsgSettingLabel + 6, nullptr},
    {DI_FIXEDIT, 2, 15, 3, 0, 1, 0, 0, 0, LiteralText, nullptr},
    {DI_TEXT, 0, 17, 0, 0, 0, 0, 0, 0, LiteralText, SeparatorText.c_str()},
    {DI_BUTTON, 2, 18, 0, 0, 0, 0, DIF_CENTERGROUP, 1, MsgOk, nullptr},
    {DI_BUTTON, 2, 18, 0, 0, 0, 0, DIF_CENTERGROUP, 0, MsgCancel, nullptr},
    {DI_VTEXT, 37, 1, 0, 0, 0, 0, 0, 0, LiteralText, DividerText.c_str()},
    {DI_USERCONTROL, 38, 2, 71, 16, 0, 0, DIF_NOFOCUS | DIF_DISABLE, 0, LiteralText, nullptr},
};

// The settings behind the number fields, in the fields' order (items 2, 4, ..., 14).
int *FieldSetting(int Field) {
  PluginSettingsRecord &S = PluginSettings;
  int *Settings[7] = {&S.GlobalTab, &S.MainTab,  &S.FuncTab,     &S.TextFuncTab,
                      &S.Tab,       &S.Comments, &S.SplitLineTab};
  return Settings[Field];
}

void CopyItemText(char (&Data)[512], const char *Text) {
  std::size_t Length = Text ? std::strlen(Text) : 0;
  if (Length > sizeof(Data) - 1)
    Length = sizeof(Data) - 1;
  if (Length)
    std::memcpy(Data, Text, Length);
  Data[Length] = 0;
}

// A number field losing the focus: its text becomes the plain decimal of the number it
// holds (0 for a non-number), with negative values turned into 0 in the first five fields.
void CleanNumberField(HANDLE Dlg, int Item) {
  int Value = FieldNumber(FieldText(Dlg, Item).c_str());
  if (Value < 0 && Item <= 10)
    Value = 0;
  char Text[16];
  std::string Decimal = std::to_string(Value);
  std::memcpy(Text, Decimal.c_str(), Decimal.size() + 1);
  FarDialogItemData Data{static_cast<int>(Decimal.size()) + 1, Text};
  HostServices.SendDlgMessage(Dlg, DM_SETTEXT, Item,
                              static_cast<DialogParam>(reinterpret_cast<std::intptr_t>(&Data)));
}

} // namespace

std::string FieldText(HANDLE Dlg, int Item) {
  char Buffer[20];
  std::memset(Buffer, 0, sizeof(Buffer));
  // A bounded length: with 0 the host would copy the whole text, however long.
  FarDialogItemData Data{static_cast<int>(sizeof(Buffer)) - 1, Buffer};
  HostServices.SendDlgMessage(Dlg, DM_GETTEXT, Item,
                              static_cast<DialogParam>(reinterpret_cast<std::intptr_t>(&Data)));
  Buffer[sizeof(Buffer) - 1] = 0;
  return Buffer;
}

void ExpandDialogItems(const DialogItemTemplate *Templates, FarDialogItem *Items, int Count) {
  for (int I = 0; I < Count; ++I) {
    const DialogItemTemplate &T = Templates[I];
    FarDialogItem &Item = Items[I];
    std::memset(&Item, 0, sizeof(Item));
    Item.Type = T.Type;
    Item.X1 = T.X1;
    Item.Y1 = T.Y1;
    Item.X2 = T.X2;
    Item.Y2 = T.Y2;
    Item.Focus = T.Focus;
    Item.Selected = T.Selected;
    Item.Flags = T.Flags;
    Item.DefaultButton = T.DefaultButton;
    CopyItemText(Item.Data, T.Text < LiteralText ? MsgText(T.Text) : T.Literal);
  }
}

DialogParam WINAPI SettingsDlgProc(HANDLE Dlg, int Msg, int Param1, DialogParam Param2) {
  DialogParam Reply = HostServices.DefDlgProc(Dlg, Msg, Param1, Param2);
  if (Msg == DN_DRAWDLGITEM && Param1 == PreviewItem) {
    DrawPreview(Dlg);
  } else if (Msg == DN_KILLFOCUS && static_cast<unsigned>(Param1) <= 15 &&
             ((NumberFieldMask >> Param1) & 1u)) {
    CleanNumberField(Dlg, Param1);
    DrawPreview(Dlg);
    Reply = -1;
  }
  return Reply;
}

extern "C" int WINAPI Configure(int) {
  if (!HostServices.DialogEx)
    return 0;
  DialogItemTemplate Templates[DialogItemCount];
  std::memcpy(Templates, SettingsDialogItems, sizeof(Templates));
  std::string FieldTexts[7];
  for (int Field = 0; Field < 7; ++Field) {
    FieldTexts[Field] = std::to_string(*FieldSetting(Field));
    Templates[2 + 2 * Field].Literal = FieldTexts[Field].c_str();
  }
  std::vector<FarDialogItem> Items(DialogItemCount);
  ExpandDialogItems(Templates, Items.data(), DialogItemCount);
  int Result = HostServices.DialogEx(HostServices.ModuleNumber, -1, -1, 75, 20, "Config",
                                     Items.data(), DialogItemCount, 0, 0, SettingsDlgProc, 0);
  if (Result != OkButton)
    return 0;
  for (int Field = 0; Field < 7; ++Field) {
    char Text[sizeof(Items[0].Data)];
    std::memcpy(Text, Items[2 + 2 * Field].Data, sizeof(Text));
    Text[sizeof(Text) - 1] = 0;
    // A field that still holds a non-number (it never lost the focus) keeps its setting.
    int Value;
    if (ReadFieldNumber(Text, Value))
      *FieldSetting(Field) = Value;
  }
  SaveSettings();
  return 1;
}
