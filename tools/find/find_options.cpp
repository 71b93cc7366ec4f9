#include "find_options.h"

#include <algorithm>
#include <iterator>

#include "command_line.h"
#include "text/str_libs.h"
#include "zeldrium_version.h"

namespace zeldrium::find {
namespace {

enum Opt {
  kData,
  kFrom,
  kTo,
  kSubject,
  kFromTo,
  kCase,
  kAllWords,
  kCond,
  kIni,
  kTab,
  kFolder,
  kCurrent,
  kSubfolders,
  kSince,
  kUntil,
  kLimit,
  kOldestFirst,
  kFormat,
  kCount,
  kColor,
  kRaw,
  kKeepGoing,
  kListFolders,
  kHelp,
  kVersion,
};

// The one table: parsing looks options up here and --help prints it in this order.
constexpr cli::Option kOptions[] = {
    {kData, 'd', "data", "DIR", "the host's data folder (the mail store), required"},
    {kFrom, 'f', "from", "TEXT", "quick search of From"},
    {kTo, 't', "to", "TEXT", "quick search of To"},
    {kSubject, 's', "subject", "TEXT", "quick search of Subject"},
    {kFromTo, '\0', "from-to", "TEXT", "quick search of From and To together"},
    {kCase, '\0', "case", nullptr, "quick search: distinguish upper and lower case"},
    {kAllWords, '\0', "all-words", nullptr,
     "quick search: every word of TEXT must occur (words are separated\n"
     "by commas or blanks; \"a b\" in double quotes is one word)"},
    {kCond, '\0', "cond", "CSV", "a saved condition in its one-line form (28 comma fields)"},
    {kIni, '\0', "ini", "FILE", "a settings file (Zeldrium.ini) to take the condition from..."},
    {kTab, '\0', "tab", "NAME", "...the saved condition of that name (the first, exact match)"},
    {kFolder, '\0', "folder", "ID",
     "a folder to search, relative to DIR, e.g. 'abcd.mb\\Inbox\\' or\n"
     "abcd.mb/Inbox; repeatable; after the condition's fixed folders"},
    {kCurrent, '\0', "current", "ID", "the host's current folder: searched first"},
    {kSubfolders, '\0', "subfolders", nullptr,
     "search the subfolders of every folder too (a mailbox ID then\n"
     "searches the whole mailbox)"},
    {kSince, '\0', "since", "YYYY-MM-DD", "only mail dated that day 00:00 or later"},
    {kUntil, '\0', "until", "YYYY-MM-DD", "only mail dated that day 23:59:59 or earlier"},
    {kLimit, 'n', "limit", "N", "print only the N newest hits (the N oldest with --oldest-first)"},
    {kOldestFirst, '\0', "oldest-first", nullptr, "print the oldest hit first"},
    {kFormat, '\0', "format", "FORMAT",
     "tsv, table or json (default: table on a terminal, else tsv)"},
    {kCount, 'c', "count", nullptr, "print only the number of hits"},
    {kColor, '\0', "color", "WHEN",
     "highlight the words found, in the table: auto (on a terminal,\n"
     "unless NO_COLOR is set), always or never"},
    {kRaw, '\0', "raw", nullptr,
     "texts in and out as code page 932 bytes, not UTF-8 (not with\n"
     "json; on Windows arguments are always read as Unicode)"},
    {kKeepGoing, '\0', "keep-going", nullptr,
     "after an index file that cannot be read or holds a bad date, say\n"
     "so and search the other files; the exit status is still 1"},
    {kListFolders, '\0', "list-folders", nullptr,
     "list every folder of DIR that holds an index, with its number of\n"
     "index lines, instead of searching"},
    {kHelp, 'h', "help", nullptr, "show this help and exit"},
    {kVersion, '\0', "version", nullptr, "show the version and exit"},
};

// What --list-folders may be combined with; it searches nothing.
constexpr Opt kListingOptions[] = {kData, kFormat, kRaw, kKeepGoing, kListFolders};

std::string LongName(int id) {
  for (const cli::Option& o : kOptions) {
    if (o.id == id) return std::string("--") + o.long_name;
  }
  return {};
}

std::string Quoted(std::string_view s) {
  std::string q = "'";
  q.append(s);
  q.push_back('\'');
  return q;
}

bool ParseFixedDigits(std::string_view text, int* value) {
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return !text.empty();
}

// The day of "YYYY-MM-DD", as the date picker holds it (days since 1899-12-30).
bool ParseDay(std::string_view option, std::string_view text, int64_t* day, std::string* err) {
  DateTimeParts parts;
  const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-' &&
                      ParseFixedDigits(text.substr(0, 4), &parts.Year) &&
                      ParseFixedDigits(text.substr(5, 2), &parts.Month) &&
                      ParseFixedDigits(text.substr(8, 2), &parts.Day);
  TDateTime value = 0;
  if (!shaped || !EncodeDateTime(parts, &value)) {
    *err = std::string(option) + ": " + Quoted(text) + " is not a date of the form YYYY-MM-DD";
    return false;
  }
  *day = static_cast<int64_t>(value);
  return true;
}

constexpr int64_t kUnixEpochDay = 25569;

// The value of an option that takes one of three words.
template <typename T>
bool OneOf(const std::string& option, const std::string& value,
           const std::pair<const char*, T> (&words)[3], T* out, std::string* err) {
  for (const auto& [word, meaning] : words) {
    if (value == word) {
      *out = meaning;
      return true;
    }
  }
  *err = option + " must be " + words[0].first + ", " + words[1].first + " or " + words[2].first +
         ", not " + Quoted(value);
  return false;
}

// Records one condition form; a second one is a usage error naming both.
bool SetConditionForm(const std::string& name, std::string* form, std::string* err) {
  if (!form->empty() && *form != name) {
    *err = "give only one condition: " + *form + " and " + name + " cannot be combined";
    return false;
  }
  *form = name;
  return true;
}

}  // namespace

bool ParseSinceDate(std::string_view text, uint32_t* limit, std::string* err) {
  int64_t day = 0;
  if (!ParseDay("--since", text, &day, err)) return false;
  *limit = day < kUnixEpochDay ? 0 : DateToUnix(static_cast<TDateTime>(day));
  return true;
}

bool ParseUntilDate(std::string_view text, int64_t* end, std::string* err) {
  int64_t day = 0;
  if (!ParseDay("--until", text, &day, err)) return false;
  *end = (day + 1 - kUnixEpochDay) * 86400;
  return true;
}

ParseStatus ParseArgs(const std::vector<std::string>& args, FindOptions* o, std::string* err) {
  const cli::CommandLine line = cli::ParseCommandLine(kOptions, args);
  if (line.Has(kHelp)) return ParseStatus::kHelp;
  if (line.Has(kVersion)) return ParseStatus::kVersion;
  if (!line.error.empty()) {
    *err = line.error;
    return ParseStatus::kUsageError;
  }

  std::string form;  // the option that gave the condition, for messages
  bool has_data = false, has_format = false, has_tab = false, has_color = false;
  bool has_limit = false;
  int64_t since_day = 0, until_day = 0;  // compared as days: both may be before 1970
  std::string unlisted;                  // the first option that --list-folders does not take
  for (const cli::GivenOption& given : line.options) {
    const std::string name = LongName(given.id);
    const std::string& value = given.value;
    if (unlisted.empty() && std::find(std::begin(kListingOptions), std::end(kListingOptions),
                                      given.id) == std::end(kListingOptions)) {
      unlisted = name;
    }
    auto once = [&](bool* seen) {
      if (*seen) {
        *err = name + " is given twice";
        return false;
      }
      *seen = true;
      return true;
    };

    switch (given.id) {
      case kData:
        if (!once(&has_data)) return ParseStatus::kUsageError;
        o->data = value;
        break;
      case kFrom:
      case kTo:
      case kSubject:
      case kFromTo:
        if (o->quick_target >= 0 && form == name) {
          *err = name + " is given twice";
          return ParseStatus::kUsageError;
        }
        if (!SetConditionForm(name, &form, err)) return ParseStatus::kUsageError;
        // The four options are declared in target order.
        o->quick_target = given.id - kFrom;
        o->quick_text = value;
        break;
      case kCase:
        o->case_sensitive = true;
        break;
      case kAllWords:
        o->all_words = true;
        break;
      case kCond:
        if (!once(&o->has_cond) || !SetConditionForm(name, &form, err)) {
          return ParseStatus::kUsageError;
        }
        o->cond = value;
        break;
      case kIni:
        if (!once(&o->has_ini) || !SetConditionForm(name, &form, err)) {
          return ParseStatus::kUsageError;
        }
        o->ini = value;
        break;
      case kTab:
        if (!once(&has_tab)) return ParseStatus::kUsageError;
        o->tab = value;
        break;
      case kFolder:
        if (value.empty()) {
          *err = "--folder needs a folder ID, e.g. 'abcd.mb\\Inbox\\'";
          return ParseStatus::kUsageError;
        }
        o->folders.push_back(value);
        break;
      case kCurrent:
        if (!once(&o->has_current)) return ParseStatus::kUsageError;
        if (value.empty()) {
          *err = "--current needs a folder ID, e.g. 'abcd.mb\\Inbox\\'";
          return ParseStatus::kUsageError;
        }
        o->current = value;
        break;
      case kSubfolders:
        o->subfolders = true;
        break;
      case kSince:
        if (!once(&o->has_since) || !ParseSinceDate(value, &o->since, err)) {
          return ParseStatus::kUsageError;
        }
        ParseDay(name, value, &since_day, err);
        break;
      case kUntil:
        if (!once(&o->has_until) || !ParseUntilDate(value, &o->until_end, err)) {
          return ParseStatus::kUsageError;
        }
        ParseDay(name, value, &until_day, err);
        break;
      case kLimit:
        if (!once(&has_limit) || !cli::ParseDecimal(name, value, 1, UINT32_MAX, &o->limit, err)) {
          return ParseStatus::kUsageError;
        }
        break;
      case kOldestFirst:
        o->oldest_first = true;
        break;
      case kFormat:
        if (!once(&has_format) || !OneOf(name, value,
                                         {{"tsv", OutputFormat::kTsv},
                                          {"table", OutputFormat::kTable},
                                          {"json", OutputFormat::kJson}},
                                         &o->format, err)) {
          return ParseStatus::kUsageError;
        }
        break;
      case kCount:
        o->count = true;
        break;
      case kColor:
        if (!once(&has_color) || !OneOf(name, value,
                                        {{"auto", ColorMode::kAuto},
                                         {"always", ColorMode::kAlways},
                                         {"never", ColorMode::kNever}},
                                        &o->color, err)) {
          return ParseStatus::kUsageError;
        }
        break;
      case kRaw:
        o->raw = true;
        break;
      case kKeepGoing:
        o->keep_going = true;
        break;
      case kListFolders:
        o->list_folders = true;
        break;
    }
  }
  // Operands are folders, as with --folder; "--" lets one start with "-".
  for (const std::string& operand : line.operands) {
    if (operand.empty()) {
      *err = "an empty argument is no folder ID";
      return ParseStatus::kUsageError;
    }
    o->folders.push_back(operand);
    if (unlisted.empty()) unlisted = "a folder argument";
  }

  if (!has_data || o->data.empty()) {
    *err = "--data DIR is required: the host's data folder";
    return ParseStatus::kUsageError;
  }
  if (o->raw && o->format == OutputFormat::kJson) {
    *err = "--raw cannot be combined with --format json: JSON text is UTF-8";
    return ParseStatus::kUsageError;
  }
  if (o->list_folders) {
    if (!unlisted.empty()) {
      *err = "--list-folders lists the folders of DIR and searches nothing: " + unlisted +
             " cannot be combined with it";
      return ParseStatus::kUsageError;
    }
    if (o->format == OutputFormat::kTable) {
      *err = "--list-folders prints tsv or json, not a table";
      return ParseStatus::kUsageError;
    }
    return ParseStatus::kRun;
  }
  if (form.empty()) {
    *err = has_tab ? "--tab needs --ini FILE, the settings file that holds the condition"
                   : "no condition: give --from, --to, --subject, --from-to, --cond, or --ini "
                     "with --tab (or --list-folders to see the folders)";
    return ParseStatus::kUsageError;
  }
  if (o->has_ini && !has_tab) {
    *err = "--ini needs --tab NAME, the name of a saved condition";
    return ParseStatus::kUsageError;
  }
  if (has_tab && !o->has_ini) {
    *err = "--tab needs --ini FILE, the settings file that holds the condition";
    return ParseStatus::kUsageError;
  }
  if (o->quick_target < 0 && (o->case_sensitive || o->all_words)) {
    *err = std::string(o->case_sensitive ? "--case" : "--all-words") +
           " applies only to a quick search; a saved condition has its own flags";
    return ParseStatus::kUsageError;
  }
  if (o->count && (has_limit || o->oldest_first)) {
    *err = std::string(has_limit ? "--limit" : "--oldest-first") +
           " cannot be combined with --count, which prints only the number of hits";
    return ParseStatus::kUsageError;
  }
  if (o->has_since && o->has_until && until_day < since_day) {
    *err = "--until is before --since: no mail could be dated between them";
    return ParseStatus::kUsageError;
  }
  return ParseStatus::kRun;
}

std::string HelpText() {
  return "usage: zeldrium-find -d DIR CONDITION [options] [--] [FOLDER-ID...]\n"
         "       zeldrium-find -d DIR --list-folders [--format json]\n"
         "\n"
         "Searches the index files (Folder.idx) of a Becky mail store as the quick search\n"
         "window does, and prints the hits newest first. The condition is one of: a quick\n"
         "search (--from, --to, --subject or --from-to), a saved condition (--cond), or a\n"
         "saved condition picked by name from a settings file (--ini with --tab).\n"
         "\n"
         "The folders searched are the condition's fixed folders, then every --folder and\n"
         "FOLDER-ID argument, and --current in front. With none of them, the whole store is\n"
         "searched: every mailbox (each directory *.mb of DIR) with all its folders. A folder\n"
         "that does not exist is named in a warning; when none of them exists, nothing is\n"
         "searched and the exit status is 2. --list-folders shows the folder IDs.\n"
         "\n"
         "Options:\n" +
         cli::FormatOptions(kOptions) +
         "\n"
         "Output: tsv prints one line per hit: date (yyyy/mm/dd hh:mm:ss), folder ID,\n"
         "subject, from, mail ID, separated by tabs (tabs and line breaks inside a text are\n"
         "printed as blanks). json prints one array of objects {date, date_iso, unix,\n"
         "folder, subject, from, to, mail_id}: date is the text the window shows, date_iso\n"
         "the same time with its offset (2026-11-23T04:31:20+09:00), unix the mail's Unix\n"
         "time as the index holds it. Texts are converted from code page 932 to UTF-8;\n"
         "bytes that are no code page 932 character become U+FFFD. There is no host here,\n"
         "so the folder shown is the folder ID, not the host's display name. Dates are\n"
         "shown in UTC+9, as the host shows them; --since and --until are days in that time.\n"
         "\n"
         "Exit status: 0 after a completed search (also with no hits, and when the\n"
         "reader of the output goes away early). 1 when an index file could not be read\n"
         "or held a bad date (no hit is printed then, unless --keep-going), when memory\n"
         "ran out (the hits found until then are printed), when the --ini file could not\n"
         "be read, or when the output could not be written. 2 for a usage error: a bad\n"
         "option or value, no condition, none of the folders named exists, no mailbox in\n"
         "DIR.\n";
}

std::string VersionText() { return std::string("zeldrium-find ") + ZELDRIUM_VERSION + "\n"; }

}  // namespace zeldrium::find
