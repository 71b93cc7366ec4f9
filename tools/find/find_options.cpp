#include "find_options.h"

#include "text/str_libs.h"

namespace zeldrium::find {
namespace {

enum class Opt {
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
  kFormat,
  kCount,
  kRaw,
  kHelp
};

struct OptionDef {
  Opt id;
  const char* name;
  const char* value;  // nullptr for a switch
  const char* help;
};

// The one table: parsing looks options up here and --help prints it in this order.
constexpr OptionDef kOptions[] = {
    {Opt::kData, "--data", "DIR", "the host's data folder (the mail store), required"},
    {Opt::kFrom, "--from", "TEXT", "quick search of From"},
    {Opt::kTo, "--to", "TEXT", "quick search of To"},
    {Opt::kSubject, "--subject", "TEXT", "quick search of Subject"},
    {Opt::kFromTo, "--from-to", "TEXT", "quick search of From and To together"},
    {Opt::kCase, "--case", nullptr, "quick search: distinguish upper and lower case"},
    {Opt::kAllWords, "--all-words", nullptr,
     "quick search: every word of TEXT must occur (words are separated\n"
     "by commas or blanks; \"a b\" in double quotes is one word)"},
    {Opt::kCond, "--cond", "CSV", "a saved condition in its one-line form (28 comma fields)"},
    {Opt::kIni, "--ini", "FILE", "a settings file (Zeldrium.ini) to take the condition from..."},
    {Opt::kTab, "--tab", "NAME", "...the saved condition of that name (the first, exact match)"},
    {Opt::kFolder, "--folder", "ID",
     "a folder to search, relative to DIR, e.g. 'abcd.mb\\Inbox\\';\n"
     "repeatable; added after the condition's own fixed folders"},
    {Opt::kCurrent, "--current", "ID", "the host's current folder: searched first"},
    {Opt::kSubfolders, "--subfolders", nullptr,
     "search the subfolders of every folder too (a mailbox ID then\n"
     "searches the whole mailbox)"},
    {Opt::kSince, "--since", "YYYY-MM-DD", "only mail dated that day 00:00 or later"},
    {Opt::kFormat, "--format", "FORMAT",
     "tsv, table or json (default: table on a terminal, else tsv)"},
    {Opt::kCount, "--count", nullptr, "print only the number of hits"},
    {Opt::kRaw, "--raw", nullptr,
     "texts in and out as code page 932 bytes, not UTF-8 (on Windows\n"
     "arguments are always read as Unicode)"},
    {Opt::kHelp, "--help", nullptr, "show this help and exit"},
};

const OptionDef* FindOptionDef(std::string_view name) {
  for (const OptionDef& s : kOptions) {
    if (name == s.name) return &s;
  }
  return nullptr;
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

// Records one condition form; a second one is a usage error naming both.
bool SetConditionForm(std::string_view name, std::string* form, std::string* err) {
  if (!form->empty() && *form != name) {
    *err =
        "give only one condition: " + *form + " and " + std::string(name) + " cannot be combined";
    return false;
  }
  *form = name;
  return true;
}

}  // namespace

bool ParseSinceDate(std::string_view text, uint32_t* limit, std::string* err) {
  DateTimeParts parts;
  const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-' &&
                      ParseFixedDigits(text.substr(0, 4), &parts.Year) &&
                      ParseFixedDigits(text.substr(5, 2), &parts.Month) &&
                      ParseFixedDigits(text.substr(8, 2), &parts.Day);
  TDateTime day = 0;
  if (!shaped || !EncodeDateTime(parts, &day)) {
    *err = "--since: " + Quoted(text) + " is not a date of the form YYYY-MM-DD";
    return false;
  }
  constexpr TDateTime kUnixEpochDay = 25569;
  *limit = day < kUnixEpochDay ? 0 : DateToUnix(day);
  return true;
}

ParseStatus ParseArgs(const std::vector<std::string>& args, FindOptions* o, std::string* err) {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") return ParseStatus::kHelp;
  }
  std::string form;  // the option that gave the condition, for messages
  bool has_data = false, has_format = false, has_tab = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg.substr(0, 2) != "--") {
      *err = "unexpected argument " + Quoted(arg);
      return ParseStatus::kUsageError;
    }
    std::string_view name = arg;
    std::string_view value;
    bool inline_value = false;
    if (const size_t eq = arg.find('='); eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      inline_value = true;
    }
    const OptionDef* def = FindOptionDef(name);
    if (def == nullptr) {
      *err = "unknown option " + Quoted(name);
      return ParseStatus::kUsageError;
    }
    if (def->value == nullptr && inline_value) {
      *err = std::string(name) + " takes no value";
      return ParseStatus::kUsageError;
    }
    if (def->value != nullptr && !inline_value) {
      if (i + 1 == args.size()) {
        *err = std::string(name) + " needs a value: " + def->name + " " + def->value;
        return ParseStatus::kUsageError;
      }
      value = args[++i];
    }
    auto once = [&](bool* seen) {
      if (*seen) {
        *err = std::string(name) + " is given twice";
        return false;
      }
      *seen = true;
      return true;
    };

    switch (def->id) {
      case Opt::kData:
        if (!once(&has_data)) return ParseStatus::kUsageError;
        o->data = value;
        break;
      case Opt::kFrom:
      case Opt::kTo:
      case Opt::kSubject:
      case Opt::kFromTo:
        if (o->quick_target >= 0 && form == name) {
          *err = std::string(name) + " is given twice";
          return ParseStatus::kUsageError;
        }
        if (!SetConditionForm(name, &form, err)) return ParseStatus::kUsageError;
        // The four options are declared in target order.
        o->quick_target = static_cast<int32_t>(def->id) - static_cast<int32_t>(Opt::kFrom);
        o->quick_text = value;
        break;
      case Opt::kCase:
        o->case_sensitive = true;
        break;
      case Opt::kAllWords:
        o->all_words = true;
        break;
      case Opt::kCond:
        if (!once(&o->has_cond) || !SetConditionForm(name, &form, err)) {
          return ParseStatus::kUsageError;
        }
        o->cond = value;
        break;
      case Opt::kIni:
        if (!once(&o->has_ini) || !SetConditionForm(name, &form, err)) {
          return ParseStatus::kUsageError;
        }
        o->ini = value;
        break;
      case Opt::kTab:
        if (!once(&has_tab)) return ParseStatus::kUsageError;
        o->tab = value;
        break;
      case Opt::kFolder:
        if (value.empty()) {
          *err = "--folder needs a folder ID, e.g. 'abcd.mb\\Inbox\\'";
          return ParseStatus::kUsageError;
        }
        o->folders.emplace_back(value);
        break;
      case Opt::kCurrent:
        if (!once(&o->has_current)) return ParseStatus::kUsageError;
        if (value.empty()) {
          *err = "--current needs a folder ID, e.g. 'abcd.mb\\Inbox\\'";
          return ParseStatus::kUsageError;
        }
        o->current = value;
        break;
      case Opt::kSubfolders:
        o->subfolders = true;
        break;
      case Opt::kSince:
        if (!once(&o->has_since) || !ParseSinceDate(value, &o->since, err)) {
          return ParseStatus::kUsageError;
        }
        break;
      case Opt::kFormat:
        if (!once(&has_format)) return ParseStatus::kUsageError;
        if (value == "tsv") {
          o->format = OutputFormat::kTsv;
        } else if (value == "table") {
          o->format = OutputFormat::kTable;
        } else if (value == "json") {
          o->format = OutputFormat::kJson;
        } else {
          *err = "--format must be tsv, table or json, not " + Quoted(value);
          return ParseStatus::kUsageError;
        }
        break;
      case Opt::kCount:
        o->count = true;
        break;
      case Opt::kRaw:
        o->raw = true;
        break;
      case Opt::kHelp:
        return ParseStatus::kHelp;
    }
  }

  if (!has_data || o->data.empty()) {
    *err = "--data DIR is required: the host's data folder";
    return ParseStatus::kUsageError;
  }
  if (form.empty()) {
    *err = has_tab ? "--tab needs --ini FILE, the settings file that holds the condition"
                   : "no condition: give --from, --to, --subject, --from-to, --cond, or --ini "
                     "with --tab";
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
  return ParseStatus::kRun;
}

std::string UsageText() {
  return "usage: zeldrium-find --data DIR (--from|--to|--subject|--from-to TEXT | --cond CSV |\n"
         "                     --ini FILE --tab NAME) [--folder ID]... [options]\n"
         "Try 'zeldrium-find --help' for every option.\n";
}

std::string HelpText() {
  std::string text =
      "usage: zeldrium-find --data DIR CONDITION [options]\n"
      "\n"
      "Searches the index files (Folder.idx) of a Becky mail store as the quick search\n"
      "window does, and prints the hits newest first. The condition is one of: a quick\n"
      "search (--from, --to, --subject or --from-to), a saved condition (--cond), or a\n"
      "saved condition picked by name from a settings file (--ini with --tab). The folders\n"
      "searched are the condition's fixed folders, then every --folder, and --current in\n"
      "front; with none of them nothing is searched.\n"
      "\n"
      "Options:\n";
  constexpr size_t kColumn = 26;
  for (const OptionDef& s : kOptions) {
    std::string head = std::string("  ") + s.name;
    if (s.value != nullptr) head += std::string(" ") + s.value;
    text += head;
    text += std::string(head.size() < kColumn ? kColumn - head.size() : 1, ' ');
    for (const char* p = s.help; *p; ++p) {
      text += *p;
      if (*p == '\n') text += std::string(kColumn, ' ');
    }
    text += '\n';
  }
  text +=
      "\n"
      "Output: tsv prints one line per hit: date (yyyy/mm/dd hh:mm:ss), folder ID,\n"
      "subject, from, mail ID, separated by tabs (tabs and line breaks inside a text are\n"
      "printed as blanks). json prints one array of objects {date, unix, folder, subject,\n"
      "from, to, mail_id}. Texts are converted from code page 932 to UTF-8; bytes that\n"
      "are no code page 932 character become U+FFFD. There is no host here, so the folder\n"
      "shown is the folder ID, not the host's display name. Index dates are shown in UTC+9,\n"
      "as the host shows them.\n"
      "\n"
      "Exit status: 0 after a completed search (also with no hits), 1 when the search\n"
      "ended with an error (an index file that cannot be read, a bad date field; nothing\n"
      "is printed to standard output then) or ran out of memory (the hits found until\n"
      "then are printed), 2 for a usage error.\n";
  return text;
}

}  // namespace zeldrium::find
