#ifndef ZELDRIUM_TOOLS_MAKE_STORE_OPTIONS_H_
#define ZELDRIUM_TOOLS_MAKE_STORE_OPTIONS_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "store_gen.h"

namespace zeldrium::make_store {

// Written into every output directory; --force deletes only directories that hold it.
inline constexpr char kMarkerName[] = ".zeldrium-make-store";

inline constexpr uint64_t kMaxMails = 100000000;
inline constexpr uint32_t kMaxFolders = 100000;

struct CliOptions {
  std::string out;
  StoreOptions store;
  bool force = false;
};

enum class ParseStatus { kRun, kHelp, kUsageError };

// `args` excludes the program name. On kUsageError *err is one line naming the problem.
ParseStatus ParseArgs(const std::vector<std::string>& args, CliOptions* options, std::string* err);
std::string UsageText();

// Leaves `dir` existing, empty but for the marker, or fails without deleting anything:
// a non-empty `dir` is replaced only with `force` and only when it holds the marker.
bool PrepareOutputDir(const std::filesystem::path& dir, bool force, std::string* err);

}  // namespace zeldrium::make_store

#endif  // ZELDRIUM_TOOLS_MAKE_STORE_OPTIONS_H_
