#ifndef ZELDRIUM_TOOLS_FIND_FIND_APP_H_
#define ZELDRIUM_TOOLS_FIND_FIND_APP_H_

#include <string>
#include <vector>

namespace zeldrium::find {

enum ExitCode : int { kExitOk = 0, kExitRunError = 1, kExitUsage = 2 };

// The whole program over its arguments (without the program name): one search, its hits on
// standard output, messages on standard error.
int RunFind(const std::vector<std::string>& args);

}  // namespace zeldrium::find

#endif  // ZELDRIUM_TOOLS_FIND_FIND_APP_H_
