// zeldrium-make-store: writes a deterministic sample mail store for tests and benchmarks.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "command_line.h"
#include "lexicon.h"
#include "options.h"
#include "store_gen.h"

namespace {

constexpr char kProgram[] = "zeldrium-make-store";

int Fail(const std::string& message) {
  std::fprintf(stderr, "%s: error: %s\n", kProgram, message.c_str());
  return 1;
}

int Run(int argc, char** argv) {
  using namespace zeldrium::make_store;
  const std::vector<std::string> args(argv + 1, argv + argc);
  CliOptions options;
  std::string err;
  switch (ParseArgs(args, &options, &err)) {
    case ParseStatus::kHelp:
      std::fputs(UsageText().c_str(), stdout);
      return 0;
    case ParseStatus::kUsageError:
      std::fputs(zeldrium::cli::UsageErrorText(kProgram, err).c_str(), stderr);
      return 2;
    case ParseStatus::kRun:
      break;
  }

  // Before touching the output directory, so that a broken iconv costs nothing.
  Lexicon lex;
  if (!LoadLexicon(&lex, &err)) return Fail(err);
  if (!PrepareOutputDir(options.out, options.force, &err)) return Fail(err);

  StorePlan plan = PlanStore(options.store);
  StoreSummary summary;
  if (!WriteStore(lex, plan, options.store.seed, options.out, &summary, &err)) {
    return Fail(err + " (the partial store can be replaced with --force)");
  }
  std::printf("%s: %u folders with Folder.idx in %u mailbox%s, %llu lines, %llu bytes\n",
              options.out.c_str(), summary.folders, summary.mailboxes,
              summary.mailboxes == 1 ? "" : "es", static_cast<unsigned long long>(summary.lines),
              static_cast<unsigned long long>(summary.bytes));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}
