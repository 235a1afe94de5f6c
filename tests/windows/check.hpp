// A small assertion helper for the Windows test host, which is built with the cross compiler
// where no test framework is at hand: it counts checks, prints every failure with the scenario
// it belongs to, and ends with the line "N passed, N failed".
#pragma once

#include <string>

struct CheckTallyRecord {
  int Passed;
  int Failed;
  std::string Scenario;
};

extern CheckTallyRecord CheckTally;

// Names the scenario the following checks belong to (printed with their failures).
void BeginScenario(const std::string &Name);
bool Check(bool Condition, const std::string &What);
bool CheckEqual(const std::string &Got, const std::string &Wanted, const std::string &What);
bool CheckEqual(long long Got, long long Wanted, const std::string &What);
// Prints the closing count line; the process's exit status: 0 when nothing failed.
int FinishChecks();
// Counts a crash of the running scenario as a failure and prints the closing line, so that a
// crash inside the library is reported like any other failure.
void ReportCrash(unsigned long ExceptionCode);
// A text with its control and non-ASCII bytes shown as \r, \n, \xNN, for failure reports.
std::string Visible(const std::string &Text);
