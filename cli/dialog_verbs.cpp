// The settings dialog verbs: preview and configure.
#include "verbs.hpp"

#include <iostream>

int RunPreview(const CliOptions &) {
  std::cerr << "qmate: 'preview' is not built yet\n";
  return 2;
}

int RunConfigure(const CliOptions &) {
  std::cerr << "qmate: 'configure' is not built yet\n";
  return 2;
}
