// The program's arguments as UTF-8 text. Windows hands a program its
// arguments in the system's code page, which cannot hold every file name; the
// wide command line holds them all.
#pragma once

#include <string>
#include <vector>

namespace platform {

// argv[0] to argv[argc - 1], on Windows read afresh from the wide command line.
std::vector<std::string> commandLineArguments(int argc, char** argv);

}  // namespace platform
