// Scenarios of the real far2l plug-in: its entry points, the editor's lines through each
// code page (compared with the plug-in code run in-process on the same bytes), a line its
// code page cannot hold, the Russian texts, and the settings dialog with its sample.
#pragma once

void RunFar2lScenarios();
