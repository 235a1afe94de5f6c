// The Far 3 entry points: the plug-in's identity, start-up with the translating service
// table, its entries in the editor's plug-in menu and the configuration menu, and the calls
// into the 1.70 entry points. A file with a line its code page cannot hold is refused before
// the command menu opens, so that nothing is changed.
#include "../host/session.hpp"
#include "bridge.hpp"
#include "encoding.hpp"

#include <cstring>
#include <string>

namespace {

// {23B4946F-6CE6-4B6A-A4CC-B2EE8B489B24}: the entry in the editor's plug-in menu.
const Far3::Uuid PluginMenuGuid = {
    0x23b4946f, 0x6ce6, 0x4b6a, {0xa4, 0xcc, 0xb2, 0xee, 0x8b, 0x48, 0x9b, 0x24}};
// {96315F0E-17F9-4DC8-B897-3D78250757B8}: the entry in the configuration menu.
const Far3::Uuid ConfigMenuGuid = {
    0x96315f0e, 0x17f9, 0x4dc8, {0xb8, 0x97, 0x3d, 0x78, 0x25, 0x07, 0x57, 0xb8}};

// The texts handed to the host for its menus; they must outlive the call.
const wchar_t *MenuTitle = L"";

// The first line (1-based) whose text or end of line does not come back from the engine's
// code page as itself; 0 when every line does.
std::intptr_t FirstLineOutside(unsigned CodePage) {
  Far3::EditorInfo Info;
  std::memset(&Info, 0, sizeof(Info));
  Info.StructSize = sizeof(Info);
  Far3Bridge.Far.EditorControl(Far3::CurrentEditor, ECTL_GETINFO, 0, &Info);
  std::string Bytes;
  for (std::intptr_t Index = 0; Index < Info.TotalLines; ++Index) {
    Far3::EditorGetString Line;
    std::memset(&Line, 0, sizeof(Line));
    Line.StructSize = sizeof(Line);
    Line.StringNumber = Index;
    Far3Bridge.Far.EditorControl(Far3::CurrentEditor, ECTL_GETSTRING, 0, &Line);
    std::size_t Length = Line.StringLength > 0 ? static_cast<std::size_t>(Line.StringLength) : 0;
    const wchar_t *Eol = Line.StringEOL ? Line.StringEOL : L"";
    if ((Length && !EncodeText(CodePage, Line.StringText, Length, Bytes)) ||
        !EncodeText(CodePage, Eol, std::wcslen(Eol), Bytes))
      return Index + 1;
  }
  return 0;
}

// The refusal: the language file's text with the line's number and the code page put in.
void RefuseLine(std::intptr_t Line, std::uintptr_t CodePage) {
  std::wstring Text = Far3Text(MsgOutsideCodePage);
  const std::wstring Fields[2][2] = {{L"%line", std::to_wstring(Line)},
                                     {L"%codepage", std::to_wstring(CodePage)}};
  for (const auto &Field : Fields) {
    std::size_t At = Text.find(Field[0]);
    if (At != std::wstring::npos)
      Text.replace(At, Field[0].size(), Field[1]);
  }
  ShowFar3Notice(MsgErrorTitle, Text);
}

} // namespace

extern "C" {

void WINAPI GetGlobalInfoW(Far3::GlobalInfo *Info) {
  Info->StructSize = sizeof(Far3::GlobalInfo);
  Info->MinFarVersion = {3, 0, 0, 0, 0};
  Info->Version = {QMATE_VERSION_MAJOR, QMATE_VERSION_MINOR, QMATE_VERSION_PATCH, 0, 0};
  Info->Guid = PluginGuid;
  Info->Title = L"Quillmate";
  Info->Description = L"Clipper and xBase editing: re-indent, procedures, comments";
  Info->Author = L"Quillmate";
}

void WINAPI SetStartupInfoW(const Far3::PluginStartupInfo *Info) {
  PluginStartupInfo Table;
  MakeServiceTable(*Info, Table);
  SetStartupInfo(&Table);
}

void WINAPI GetPluginInfoW(Far3::PluginInfo *Info) {
  PluginInfo Old;
  std::memset(&Old, 0, sizeof(Old));
  GetPluginInfo(&Old);
  MenuTitle = Far3Text(MsgTitle);
  Info->StructSize = sizeof(Far3::PluginInfo);
  Info->Flags = Old.Flags;
  Info->PluginMenu.Guids = &PluginMenuGuid;
  Info->PluginMenu.Strings = &MenuTitle;
  Info->PluginMenu.Count = 1;
  Info->PluginConfig.Guids = &ConfigMenuGuid;
  Info->PluginConfig.Strings = &MenuTitle;
  Info->PluginConfig.Count = 1;
}

Far3::Handle WINAPI OpenW(const Far3::OpenInfo *Info) {
  if (Info->OpenFrom != Far3::OpenFromEditor)
    return nullptr;
  Far3::EditorInfo Editor;
  std::memset(&Editor, 0, sizeof(Editor));
  Editor.StructSize = sizeof(Editor);
  Far3Bridge.Far.EditorControl(Far3::CurrentEditor, ECTL_GETINFO, 0, &Editor);
  unsigned CodePage = EngineCodePage(Editor.CodePage);
  if (std::intptr_t Line = FirstLineOutside(CodePage)) {
    RefuseLine(Line, Editor.CodePage);
    return nullptr;
  }
  Far3Bridge.EditorCodePage = CodePage;
  OpenPlugin(OPEN_EDITOR, 0);
  Far3Bridge.EditorCodePage = 0;
  return nullptr;
}

std::intptr_t WINAPI ConfigureW(const Far3::ConfigureInfo *) {
  return Configure(0);
}

} // extern "C"
