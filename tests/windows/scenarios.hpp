// Scenario tests of the real library through its five entry points, with the simulated host
// as the host and the real Windows file and private-profile services underneath.
#pragma once

void RunScenarios();
// The scenarios of qmate3.dll, with the test host playing Far 3.
void RunFar3Scenarios();
