// The simulated host's dialog engine.
#include "sim.hpp"

int WINAPI SimDialogEx(int, int X1, int Y1, int X2, int Y2, const char *HelpTopic,
                       FarDialogItem *Item, int ItemsNumber, DWORD, DWORD, FARWINDOWPROC, long) {
  SimDialogCall Call{X1, Y1, X2, Y2, HelpTopic ? HelpTopic : "", -1, {}};
  for (int I = 0; I < ItemsNumber; ++I)
    Call.FinalItems.push_back(Item[I]);
  SimHost.Dialogs.push_back(Call);
  return -1;
}

long WINAPI SimSendDlgMessage(HANDLE, int, int, long) {
  return 0;
}
long WINAPI SimDefDlgProc(HANDLE, int, int, long) {
  return 0;
}
