// Scenario tests of the real library through its five entry points, with the simulated host
// as the host and the real Windows file and private-profile services underneath.
#pragma once

void RunScenarios();
