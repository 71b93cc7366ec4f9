#include "options.h"

#include <fstream>
#include <system_error>

#include "command_line.h"

namespace zeldrium::make_store {
namespace {

namespace fs = std::filesystem;

enum Opt { kOut, kSeed, kMails, kFolders, kForce, kHelp };

constexpr cli::Option kOptions[] = {
    {kOut, 'o', "out", "DIR", "the data folder to create (required); DIR must be missing or empty"},
    {kSeed, '\0', "seed", "N", "seed of the generator, 0 to 18446744073709551615 (default 1)"},
    {kMails, '\0', "mails", "N", "total number of index lines, 0 to 100000000 (default 5000)"},
    {kFolders, '\0', "folders", "N",
     "total number of folders with a Folder.idx, 1 to 100000 (default 30)"},
    {kForce, '\0', "force", nullptr,
     "replace DIR if an earlier run made it (DIR holds .zeldrium-make-store):\n"
     "DIR is deleted entirely first, with anything added to it since;\n"
     "a non-empty DIR without that file is never deleted"},
    {kHelp, 'h', "help", nullptr, "show this help and exit"},
};

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

ParseStatus ParseArgs(const std::vector<std::string>& args, CliOptions* options, std::string* err) {
  const cli::CommandLine line = cli::ParseCommandLine(kOptions, args);
  if (line.Has(kHelp)) return ParseStatus::kHelp;
  if (!line.error.empty()) {
    *err = line.error;
    return ParseStatus::kUsageError;
  }
  if (!line.operands.empty()) {
    *err = "unexpected argument '" + line.operands.front() + "'";
    return ParseStatus::kUsageError;
  }
  for (const cli::GivenOption& o : line.options) {
    uint64_t n = 0;
    switch (o.id) {
      case kOut:
        if (o.value.empty()) {
          *err = o.name + " needs a directory name";
          return ParseStatus::kUsageError;
        }
        options->out = o.value;
        break;
      case kSeed:
        if (!cli::ParseDecimal(o.name, o.value, 0, UINT64_MAX, &n, err)) {
          return ParseStatus::kUsageError;
        }
        options->store.seed = n;
        break;
      case kMails:
        if (!cli::ParseDecimal(o.name, o.value, 0, kMaxMails, &n, err)) {
          return ParseStatus::kUsageError;
        }
        options->store.mails = n;
        break;
      case kFolders:
        if (!cli::ParseDecimal(o.name, o.value, 1, kMaxFolders, &n, err)) {
          return ParseStatus::kUsageError;
        }
        options->store.folders = static_cast<uint32_t>(n);
        break;
      case kForce:
        options->force = true;
        break;
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
      "usage: zeldrium-make-store --out DIR [--seed N] [--mails N] [--folders N] [--force]\n"
      "\n"
      "Writes a sample mail store for testing the quick search: mailbox directories\n"
      "XXXXXXXX.mb in DIR, folders below them at several depths, each with a Folder.idx in\n"
      "code page 932 (fields separated by 0x01, lines ending in CR LF, the date in field 9\n"
      "as hexadecimal Unix seconds). Some directories have no Folder.idx and so hide the\n"
      "folders below them. The same seed and sizes give the same bytes on every machine.\n"
      "\n"
      "Options:\n";
  text += cli::FormatOptions(kOptions, 20);
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
