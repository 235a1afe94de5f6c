// Unified diff of two texts, line by line (each line compared with its own end of line).
#pragma once

#include <string>

std::string UnifiedDiff(const std::string &Before, const std::string &After,
                        const std::string &OldName, const std::string &NewName);
