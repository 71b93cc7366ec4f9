#include "options.h"

#include <charconv>
#include <fstream>
#include <system_error>

namespace zeldrium::make_store {
namespace {

namespace fs = std::filesystem;

struct OptionDef {
  const char* name;
  const char* value;  // nullptr for a switch
  const char* help;
};

constexpr OptionDef kOptions[] = {
    {"--out", "DIR", "the data folder to create (required); DIR must be missing or empty"},
    {"--seed", "N", "seed of the generator, 0 to 18446744073709551615 (default 1)"},
    {"--mails", "N", "total number of index lines, 0 to 100000000 (default 5000)"},
    {"--folders", "N", "total number of folders with a Folder.idx, 1 to 100000 (default 30)"},
    {"--force", nullptr,
     "replace DIR if an earlier run made it (DIR holds .zeldrium-make-store):\n"
     "DIR is deleted entirely first, with anything added to it since;\n"
     "a non-empty DIR without that file is never deleted"},
    {"--help", nullptr, "show this help and exit"},
};

bool ParseNumber(std::string_view name, std::string_view text, uint64_t min, uint64_t max,
                 uint64_t* value, std::string* err) {
  uint64_t v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  bool digits_only = !text.empty() && text.front() >= '0' && text.front() <= '9';
  if (!digits_only || ec == std::errc::invalid_argument || end != text.data() + text.size()) {
    *err = std::string(name) + " expects a decimal number, not '" + std::string(text) + "'";
    return false;
  }
  if (ec == std::errc::result_out_of_range || v < min || v > max) {
    *err = std::string(name) + " must be between " + std::to_string(min) + " and " +
           std::to_string(max) + ", not " + std::string(text);
    return false;
  }
  *value = v;
  return true;
}

bool WriteMarker(const fs::path& dir, std::string* err) {
  std::ofstream marker(dir / kMarkerName, std::ios::binary);
  marker << "Made by zeldrium-make-store; its --force deletes this whole directory.\n";
  marker.close();
  if (!marker) {
    *err = "cannot write " + (dir / kMarkerName).string();
    return false;
  }
  return true;
}

}  // namespace

ParseStatus ParseArgs(const std::vector<std::string_view>& args, CliOptions* options,
                      std::string* err) {
  for (std::string_view a : args) {
    if (a == "--help" || a == "-h") return ParseStatus::kHelp;
  }
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg.substr(0, 2) != "--") {
      *err = "unexpected argument '" + std::string(arg) + "'";
      return ParseStatus::kUsageError;
    }
    std::string_view name = arg, value;
    bool inline_value = false;
    if (size_t eq = arg.find('='); eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      inline_value = true;
    }
    const OptionDef* def = nullptr;
    for (const OptionDef& s : kOptions) {
      if (name == s.name) def = &s;
    }
    if (def == nullptr) {
      *err = "unknown option '" + std::string(name) + "'";
      return ParseStatus::kUsageError;
    }
    if (def->value == nullptr) {
      if (inline_value) {
        *err = std::string(name) + " takes no value";
        return ParseStatus::kUsageError;
      }
      options->force = true;  // --help was handled above
      continue;
    }
    if (!inline_value) {
      if (i + 1 == args.size()) {
        *err = std::string(name) + " needs a value: " + std::string(name) + " " + def->value;
        return ParseStatus::kUsageError;
      }
      value = args[++i];
    }
    uint64_t n = 0;
    if (name == "--out") {
      if (value.empty()) {
        *err = "--out needs a directory name";
        return ParseStatus::kUsageError;
      }
      options->out = value;
    } else if (name == "--seed") {
      if (!ParseNumber(name, value, 0, UINT64_MAX, &n, err)) return ParseStatus::kUsageError;
      options->store.seed = n;
    } else if (name == "--mails") {
      if (!ParseNumber(name, value, 0, kMaxMails, &n, err)) return ParseStatus::kUsageError;
      options->store.mails = n;
    } else if (name == "--folders") {
      if (!ParseNumber(name, value, 1, kMaxFolders, &n, err)) return ParseStatus::kUsageError;
      options->store.folders = static_cast<uint32_t>(n);
    }
  }
  if (options->out.empty()) {
    *err = "--out DIR is required";
    return ParseStatus::kUsageError;
  }
  return ParseStatus::kRun;
}

std::string UsageText() {
  std::string text =
      "Usage: zeldrium-make-store --out DIR [--seed N] [--mails N] [--folders N] [--force]\n"
      "\n"
      "Writes a sample mail store for testing the quick search: mailbox directories\n"
      "XXXXXXXX.mb in DIR, folders below them at several depths, each with a Folder.idx in\n"
      "code page 932 (fields separated by 0x01, lines ending in CR LF, the date in field 9\n"
      "as hexadecimal Unix seconds). Some directories have no Folder.idx and so hide the\n"
      "folders below them. The same seed and sizes give the same bytes on every machine.\n"
      "\n"
      "Options:\n";
  for (const OptionDef& s : kOptions) {
    std::string head = std::string("  ") + s.name + (s.value ? std::string(" ") + s.value : "");
    text += head;
    text += std::string(head.size() < 16 ? 16 - head.size() : 1, ' ');
    for (const char* p = s.help; *p; ++p) {
      text += *p;
      if (*p == '\n') text += std::string(16, ' ');
    }
    text += '\n';
  }
  text +=
      "\n"
      "Exit status: 0 on success, 1 when the store cannot be written, 2 on a usage error.\n";
  return text;
}

bool PrepareOutputDir(const fs::path& dir, bool force, std::string* err) {
  std::error_code ec;
  fs::file_status st = fs::status(dir, ec);
  if (ec && ec != std::errc::no_such_file_or_directory) {
    *err = "cannot look at " + dir.string() + ": " + ec.message();
    return false;
  }
  if (fs::exists(st)) {
    if (!fs::is_directory(st)) {
      *err = dir.string() + " exists and is not a directory";
      return false;
    }
    bool empty = fs::is_empty(dir, ec);
    if (ec) {
      *err = "cannot list " + dir.string() + ": " + ec.message();
      return false;
    }
    if (!empty) {
      if (!force) {
        *err = dir.string() + " is not empty (--force replaces the output of an earlier run)";
        return false;
      }
      if (!fs::exists(dir / kMarkerName, ec)) {
        *err = "refusing to delete " + dir.string() + ": it holds no " + kMarkerName +
               ", so this program did not make it";
        return false;
      }
      fs::remove_all(dir, ec);
      if (ec) {
        *err = "cannot delete " + dir.string() + ": " + ec.message();
        return false;
      }
    }
  }
  fs::create_directories(dir, ec);
  if (ec) {
    *err = "cannot create " + dir.string() + ": " + ec.message();
    return false;
  }
  return WriteMarker(dir, err);
}

}  // namespace zeldrium::make_store
