#ifndef ZELDRIUM_TOOLS_COMMAND_LINE_COMMAND_LINE_H_
#define ZELDRIUM_TOOLS_COMMAND_LINE_COMMAND_LINE_H_

// The command-line conventions our programs share, so that they read and report arguments the
// same way: each program declares its options in one table, parses by it and prints it for
// --help.
//
//   --name VALUE, --name=VALUE   a long option; the next argument is its value even when it
//                                starts with "-", so a search text may look like an option
//   -x VALUE, -xVALUE            a short one; switches may be bundled: -cn5 is -c -n 5
//   --                           ends the options: every argument after it is an operand
//   -                            an operand, as is every argument not starting with "-"
//
// Options and operands may come in any order. Arguments are UTF-8 (or bytes natively); the
// parser compares only ASCII, so it never splits a character.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zeldrium::cli {

struct Option {
  int id;                 // the program's own number for it
  char short_name;        // '\0' for none
  const char* long_name;  // without the dashes
  const char* value;      // the value's name in the help ("DIR"); nullptr for a switch
  const char* help;       // may hold '\n' for further lines
};

struct GivenOption {
  int id;
  std::string name;  // as written ("-d" or "--data"), for messages
  std::string value;
};

struct CommandLine {
  std::vector<GivenOption> options;   // in the order given
  std::vector<std::string> operands;  // in the order given
  // The first problem, in one line without the program's name; empty when there was none.
  // Parsing goes on after it, so a --help further on is still seen.
  std::string error;

  bool Has(int id) const;
};

CommandLine ParseCommandLine(std::span<const Option> table, const std::vector<std::string>& args);

// One line or more per option of the table, in its order: "  -d, --data DIR   help", the help
// texts aligned at column (further help lines too).
std::string FormatOptions(std::span<const Option> table, size_t column = 26);

// What a program prints for a usage error: the problem in one line after the program's name,
// and where to read more, rather than the whole usage.
std::string UsageErrorText(std::string_view program, std::string_view problem);

// A decimal number from min to max written with digits only. *err names the option.
bool ParseDecimal(std::string_view option, std::string_view text, uint64_t min, uint64_t max,
                  uint64_t* value, std::string* err);

}  // namespace zeldrium::cli

#endif  // ZELDRIUM_TOOLS_COMMAND_LINE_COMMAND_LINE_H_
