#include "find_app.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "command_line.h"
#include "console.h"
#include "engine/search_run.h"
#include "find_condition.h"
#include "find_options.h"
#include "find_scope.h"
#include "highlight.h"
#include "hit_output.h"
#include "settings/settings_io.h"
#include "store/file_system.h"
#include "text/code_page.h"
#include "top_hits.h"

namespace zeldrium::find {
namespace {

constexpr std::string_view kProgram = "zeldrium-find";

void Message(std::string_view text, bool utf8) {
  std::string line(kProgram);
  line.append(": ");
  line.append(text);
  line.push_back('\n');
  std::string ignored;
  WriteStream(Stream::kErr, line, utf8, &ignored);
}

int UsageError(std::string_view problem, bool utf8) {
  std::string ignored;
  WriteStream(Stream::kErr, cli::UsageErrorText(kProgram, problem), utf8, &ignored);
  return kExitUsage;
}

// A code page 932 text of the core as messages are written: UTF-8 unless raw.
std::string Shown(std::string_view cp932, bool raw) {
  return raw ? std::string(cp932) : Cp932ToUtf8(cp932);
}

// "FILE: problem" for an index file that could not be read or held a bad date. The run's
// message of a read error starts with the path already; the file is named once either way.
std::string FileProblem(std::string_view path, std::string_view message) {
  const std::string prefix = std::string(path) + ": ";
  if (message.substr(0, prefix.size()) == prefix) message.remove_prefix(prefix.size());
  return NativePath(path) + ": " + std::string(message);
}

// No host here: the folder shown is the folder ID (the base class's answer). The date limits
// are fixed for the whole run; every error is reported as it happens.
class CommandLineHooks : public SearchHooks {
 public:
  CommandLineHooks(const FindOptions& options, TopHits* top) : options_(options), top_(top) {}

  bool DateLimit(uint32_t* limit) override {
    *limit = options_.since;
    return options_.has_since;
  }
  bool KeepHit(std::string_view folder_id, const TFolderIdx& rec) override {
    // Compared as the date text shows it.
    if (options_.has_until && int64_t{static_cast<uint32_t>(rec.Date)} >= options_.until_end) {
      return false;
    }
    if (top_ != nullptr) top_->Offer(folder_id, rec);
    return true;
  }
  bool GoOnAfterError(std::string_view path, std::string_view message) override {
    Message(Shown(FileProblem(path, message), options_.raw), !options_.raw);
    return options_.keep_going;
  }

 private:
  const FindOptions& options_;
  TopHits* top_;
};

class StdoutSink : public OutputSink {
 public:
  explicit StdoutSink(bool utf8) : utf8_(utf8) {}
  bool Write(std::string_view bytes) override {
    result_ = WriteStream(Stream::kOut, bytes, utf8_, &error_);
    return result_ == WriteResult::kOk;
  }
  WriteResult Result() const { return result_; }
  const std::string& Error() const { return error_; }

 private:
  bool utf8_;
  WriteResult result_ = WriteResult::kOk;
  std::string error_;
};

// Writes what write puts out; a reader that went away is no error (a pipe into head).
int Print(bool utf8, const std::function<void(BufferedOutput*)>& write, int status) {
  StdoutSink sink(utf8);
  BufferedOutput out(&sink);
  write(&out);
  out.Flush();
  if (sink.Result() == WriteResult::kError) {
    Message("cannot write the output: " + sink.Error(), true);
    return kExitRunError;
  }
  return status;
}

int ListFoldersOfStore(FileSystem* fs, std::string_view data_folder, const FindOptions& options,
                       OutputFormat format) {
  const bool raw = options.raw;
  if (ListMailboxes(fs, data_folder).empty()) {
    Message("there is no mailbox (a directory *.mb) in '" + options.data +
                "': is it the host's data folder?",
            !raw);
    return kExitUsage;
  }
  std::vector<FolderLines> folders;
  bool failed = false;
  ListFolders(
      fs, data_folder, [&](const FolderLines& f) { folders.push_back(f); },
      [&](std::string_view path, std::string_view message) {
        Message(Shown(FileProblem(path, message), raw), !raw);
        failed = true;
        return options.keep_going;
      });
  if (failed && !options.keep_going) return kExitRunError;
  return Print(
      !raw,
      [&](BufferedOutput* out) {
        if (format == OutputFormat::kJson) {
          WriteFoldersJson(folders, out);
        } else {
          WriteFoldersTsv(folders, raw, out);
        }
      },
      failed ? kExitRunError : kExitOk);
}

// The folders named, each that is not there said in a warning; with none named, the whole
// store, as the search window's "every mailbox" reads it. kExitUsage when there is nothing to
// search.
int SetScope(FileSystem* fs, std::string_view data_folder, const FindOptions& options,
             SearchRequest* request, FolderScope* scope) {
  const bool raw = options.raw;
  size_t named = 0;
  const std::vector<std::string> missing =
      MissingFolders(fs, data_folder, request->condition.Folders, request->current_folder, &named);
  if (named == 0) {
    if (ListMailboxes(fs, data_folder).empty()) {
      Message("there is no mailbox (a directory *.mb) in '" + options.data +
                  "' to search: is it the host's data folder?",
              !raw);
      return kExitUsage;
    }
    *scope = FolderScope::kAllMailboxes;
    return kExitOk;
  }
  for (const std::string& id : missing) {
    Message("warning: there is no folder '" + Shown(id, raw) + "' in '" + options.data + "'", !raw);
  }
  if (missing.size() == named) {
    Message("none of the folders to search exists; --list-folders shows those there are", !raw);
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace

int RunFind(const std::vector<std::string>& args) {
  FindOptions options;
  std::string err;
  const ParseStatus status = ParseArgs(args, &options, &err);
  switch (status) {
    case ParseStatus::kHelp:
    case ParseStatus::kVersion: {
      const std::string text = status == ParseStatus::kHelp ? HelpText() : VersionText();
      const WriteResult r = WriteStream(Stream::kOut, text, true, &err);
      return r == WriteResult::kError ? kExitRunError : kExitOk;
    }
    case ParseStatus::kUsageError:
      return UsageError(err, true);
    case ParseStatus::kRun:
      break;
  }
  const bool raw = options.raw;
  const bool utf8 = !raw;

  std::string data_folder;
  if (!PathArgToCp932(options.data, raw, &data_folder, &err)) {
    return UsageError("--data '" + options.data + "' " + err, utf8);
  }
  // With raw the bytes are code page 932, while the disk's names may be UTF-8.
  if (!IsDirectory(options.data) && !(raw && IsDirectory(Cp932ToUtf8(options.data)))) {
    return UsageError("--data: there is no directory '" + options.data + "'", utf8);
  }
  const std::unique_ptr<FileSystem> fs = NewNativeFileSystem();
  OutputFormat format = options.format;
  const bool terminal = IsTerminal(Stream::kOut);
  if (options.list_folders) return ListFoldersOfStore(fs.get(), data_folder, options, format);

  SearchRequest request;
  switch (BuildRequest(options, DiskSettingsIO(), &request, &err)) {
    case BuildStatus::kUsageError:
      return UsageError(err, utf8);
    case BuildStatus::kError:
      Message(err, utf8);
      return kExitRunError;
    case BuildStatus::kOk:
      break;
  }

  FolderScope folders = FolderScope::kCurrentFolder;
  if (const int status = SetScope(fs.get(), data_folder, options, &request, &folders);
      status != kExitOk) {
    return status;
  }

  if (format == OutputFormat::kAuto) format = terminal ? OutputFormat::kTable : OutputFormat::kTsv;
  std::optional<WordHighlighter> highlighter;
  if (format == OutputFormat::kTable && options.color != ColorMode::kNever &&
      UseColor(options.color == ColorMode::kAlways)) {
    highlighter.emplace(request.condition);
  }
  // A count needs no rows at all, and --limit keeps its own; To is shown only by the JSON, and
  // the words found in From may need it.
  std::optional<TopHits> top;
  if (options.limit > 0) {
    top.emplace(static_cast<size_t>(options.limit), options.oldest_first,
                format == OutputFormat::kJson || (highlighter && highlighter->NeedsTo()));
  }
  const RowsKept kept = options.count || top            ? RowsKept::kCountOnly
                        : format == OutputFormat::kJson ? RowsKept::kRowsWithTo
                        : highlighter                   ? RowsKept::kRowsToMark
                                                        : RowsKept::kRows;
  CommandLineHooks hooks(options, top ? &*top : nullptr);
  TSearchRun run(fs.get(), &hooks);
  SearchScope scope;
  scope.data_folder = data_folder;
  scope.current_folder = request.current_folder;
  scope.folders = folders;
  const SearchStatus searched = run.Run(request.condition, scope, kept);
  const bool out_of_memory = searched == SearchStatus::kOutOfMemory;
  const bool failed = searched != SearchStatus::kCompleted;
  // Without --keep-going a failed search prints nothing: its hits would look complete. The hits
  // found until memory ran out are printed all the same, as a stopped search shows them, after
  // the message that says so.
  if (failed && !out_of_memory && !options.keep_going) return kExitRunError;
  if (out_of_memory) Message(raw ? run.Error() : Cp932ToUtf8(run.Error()), utf8);

  TextForm form;
  form.raw = raw;
  form.columns = terminal ? TerminalColumns() : 0;
  form.highlight = highlighter ? &*highlighter : nullptr;
  const RunHitRows run_rows(run);
  const ReversedHitRows reversed(run_rows);
  const HitRows* rows = &run_rows;
  if (top) {
    top->Finish();
    rows = &*top;
  } else if (options.oldest_first) {
    rows = &reversed;
  }
  return Print(
      utf8,
      [&](BufferedOutput* out) {
        if (options.count) {
          WriteCount(run.HitCount(), out);
        } else if (format == OutputFormat::kTable) {
          WriteTable(*rows, form, out);
        } else if (format == OutputFormat::kJson) {
          WriteJson(*rows, form, out);
        } else {
          WriteTsv(*rows, form, out);
        }
      },
      failed ? kExitRunError : kExitOk);
}

}  // namespace zeldrium::find
