#pragma once
// The stanor-photo command line: sub-commands reduce, resize, resample and blur.

#include <ostream>
#include <string>
#include <vector>

namespace stanor::tools {

enum ExitCode { kOk = 0, kFailed = 1, kUsage = 2 };

// Runs one command (arguments without the program name); messages go to out and err.
int runPhotoTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace stanor::tools
