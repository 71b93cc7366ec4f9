#ifndef ZELDRIUM_TOOLS_FIND_FIND_OPTIONS_H_
#define ZELDRIUM_TOOLS_FIND_FIND_OPTIONS_H_

// The command line of zeldrium-find: one table of options, which --help prints, and the checks
// that make a usage error out of anything the program cannot run as the user meant.
// Texts stay as given here (UTF-8, or code page 932 bytes with --raw); converting them is the
// caller's business.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zeldrium::find {

enum class OutputFormat { kAuto, kTsv, kTable, kJson };
enum class ColorMode { kAuto, kAlways, kNever };

struct FindOptions {
  std::string data;

  // Exactly one condition form is set after a successful parse, unless list_folders is.
  int32_t quick_target = -1;  // 0 From, 1 To, 2 Subject, 3 From and To; -1 for none
  std::string quick_text;
  bool case_sensitive = false;
  bool all_words = false;
  bool has_cond = false;
  std::string cond;
  bool has_ini = false;
  std::string ini;
  std::string tab;

  // Every --folder, then the operands.
  std::vector<std::string> folders;
  bool has_current = false;
  std::string current;
  bool subfolders = false;

  bool has_since = false;
  uint32_t since = 0;  // the date limit, as the window computes it
  bool has_until = false;
  // The first second after the --until day, in the shown local time; below 0 when that day is
  // before 1970, so that no date is within it.
  int64_t until_end = 0;

  uint64_t limit = 0;  // 0: every hit
  bool oldest_first = false;

  OutputFormat format = OutputFormat::kAuto;
  ColorMode color = ColorMode::kAuto;
  bool count = false;
  bool raw = false;
  bool keep_going = false;
  bool list_folders = false;
};

enum class ParseStatus { kRun, kHelp, kVersion, kUsageError };

// args excludes the program name. On kUsageError *err is one line naming the problem.
ParseStatus ParseArgs(const std::vector<std::string>& args, FindOptions* options, std::string* err);

// The date limit for "YYYY-MM-DD": that day at 00:00 as Unix seconds, no time zone applied,
// which is what the window's date picker gives. A day before 1970-01-01 gives 0 (every dated
// line passes) rather than the window's wrapped value, which would drop every line.
bool ParseSinceDate(std::string_view text, uint32_t* limit, std::string* err);
// The end of the day "YYYY-MM-DD" for --until: the first second of the next day, in the same
// frame as ParseSinceDate.
bool ParseUntilDate(std::string_view text, int64_t* end, std::string* err);

// The synopsis and every option of the table, for --help.
std::string HelpText();
// One line: the program and its version.
std::string VersionText();

}  // namespace zeldrium::find

#endif  // ZELDRIUM_TOOLS_FIND_FIND_OPTIONS_H_
