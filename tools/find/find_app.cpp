#include "find_app.h"

#include <memory>
#include <string_view>

#include "console.h"
#include "text/code_page.h"
#include "find_condition.h"
#include "find_options.h"
#include "hit_output.h"
#include "store/file_system.h"
#include "engine/search_run.h"
#include "settings/settings_io.h"

namespace zeldrium::find {
namespace {

constexpr std::string_view kProgram = "zeldrium-find: ";

void Message(std::string_view text, bool utf8) {
  std::string line(kProgram);
  line.append(text);
  line.push_back('\n');
  std::string ignored;
  WriteStream(Stream::kErr, line, utf8, &ignored);
}

int UsageError(std::string_view problem, bool utf8) {
  Message(problem, utf8);
  std::string ignored;
  WriteStream(Stream::kErr, UsageText(), true, &ignored);
  return kExitUsage;
}

// No host here: the folder shown is the folder ID (the base class's answer). The date limit is
// fixed for the whole run.
class CommandLineHooks : public SearchHooks {
 public:
  CommandLineHooks(bool on, uint32_t limit) : on_(on), limit_(limit) {}
  bool DateLimit(uint32_t* limit) override {
    *limit = limit_;
    return on_;
  }

 private:
  bool on_;
  uint32_t limit_;
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

}  // namespace

int RunFind(const std::vector<std::string>& args) {
  FindOptions options;
  std::string err;
  switch (ParseArgs(args, &options, &err)) {
    case ParseStatus::kHelp: {
      const WriteResult r = WriteStream(Stream::kOut, HelpText(), true, &err);
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

  CommandLineHooks hooks(options.has_since, options.since);
  const std::unique_ptr<FileSystem> fs = NewNativeFileSystem();
  TSearchRun run(fs.get(), &hooks);
  SearchScope scope;
  scope.data_folder = data_folder;
  scope.current_folder = request.current_folder;
  OutputFormat format = options.format;
  const bool terminal = IsTerminal(Stream::kOut);
  if (format == OutputFormat::kAuto) format = terminal ? OutputFormat::kTable : OutputFormat::kTsv;
  // Only the JSON shows To; a count needs no rows at all.
  const RowsKept kept = options.count                     ? RowsKept::kCountOnly
                        : format == OutputFormat::kJson ? RowsKept::kRowsWithTo
                                                        : RowsKept::kRows;
  const SearchStatus status = run.Run(request.condition, scope, kept);
  if (status != SearchStatus::kCompleted && status != SearchStatus::kOutOfMemory) {
    // A bad date does not say where it was found; a read error names its file already.
    std::string message = run.Error();
    if (message.find(run.ErrorPath()) == std::string::npos) {
      message += " (" + run.ErrorPath() + ")";
    }
    Message(raw ? message : Cp932ToUtf8(message), utf8);
    return kExitRunError;
  }

  StdoutSink sink(utf8);
  BufferedOutput out(&sink);
  const RunHitRows rows(run);
  TextForm form;
  form.raw = raw;
  form.columns = terminal ? TerminalColumns() : 0;
  if (options.count) {
    WriteCount(run.HitCount(), &out);
  } else if (format == OutputFormat::kTable) {
    WriteTable(rows, form, &out);
  } else if (format == OutputFormat::kJson) {
    WriteJson(rows, form, &out);
  } else {
    WriteTsv(rows, form, &out);
  }
  out.Flush();
  if (sink.Result() == WriteResult::kError) {
    Message("cannot write the output: " + sink.Error(), true);
    return kExitRunError;
  }
  // The hits found until memory ran out are printed, as a stopped search shows them, and the
  // exit status says the search did not complete.
  if (status == SearchStatus::kOutOfMemory) {
    const std::string message(run.Error());
    Message(raw ? message : Cp932ToUtf8(message), utf8);
    return kExitRunError;
  }
  return kExitOk;
}

}  // namespace zeldrium::find
