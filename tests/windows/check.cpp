// The test host's assertion helper.
#include "check.hpp"

#include <cstdio>

CheckTallyRecord CheckTally = {0, 0, std::string()};

void BeginScenario(const std::string &Name) {
  CheckTally.Scenario = Name;
}

std::string Visible(const std::string &Text) {
  std::string Out;
  const std::size_t Limit = 400;
  for (std::size_t I = 0; I < Text.size() && I < Limit; ++I) {
    unsigned char C = static_cast<unsigned char>(Text[I]);
    if (C == '\r') {
      Out += "\\r";
    } else if (C == '\n') {
      Out += "\\n";
    } else if (C == '\t') {
      Out += "\\t";
    } else if (C < 0x20 || C >= 0x7F) {
      char Hex[8];
      std::snprintf(Hex, sizeof(Hex), "\\x%02X", C);
      Out += Hex;
    } else {
      Out += static_cast<char>(C);
    }
  }
  if (Text.size() > Limit)
    Out += "...";
  return Out;
}

bool Check(bool Condition, const std::string &What) {
  if (Condition) {
    ++CheckTally.Passed;
    return true;
  }
  ++CheckTally.Failed;
  std::printf("FAIL [%s] %s\n", CheckTally.Scenario.c_str(), What.c_str());
  std::fflush(stdout);
  return false;
}

bool CheckEqual(const std::string &Got, const std::string &Wanted, const std::string &What) {
  if (Got == Wanted)
    return Check(true, What);
  return Check(false, What + ": got \"" + Visible(Got) + "\", wanted \"" + Visible(Wanted) + "\"");
}

bool CheckEqual(long long Got, long long Wanted, const std::string &What) {
  if (Got == Wanted)
    return Check(true, What);
  return Check(false, What + ": got " + std::to_string(Got) + ", wanted " + std::to_string(Wanted));
}

int FinishChecks() {
  std::printf("%d passed, %d failed\n", CheckTally.Passed, CheckTally.Failed);
  std::fflush(stdout);
  return CheckTally.Failed == 0 && CheckTally.Passed > 0 ? 0 : 1;
}

void ReportCrash(unsigned long ExceptionCode) {
  char Code[16];
  std::snprintf(Code, sizeof(Code), "0x%08lX", ExceptionCode);
  Check(false, std::string("the scenario crashed with exception ") + Code);
  FinishChecks();
}
