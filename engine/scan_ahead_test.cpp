#include "engine/scan_ahead.h"

#include <random>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "store/index_file.h"
#include "store/memory_file_system.h"
#include "query/test_conditions.h"

namespace zeldrium {
namespace {

// What the run sees of one file: every date in order, the hits' subjects, and how it ended.
struct Seen {
  std::vector<int32_t> dates;
  std::vector<std::string> hits;
  std::string end;
  bool operator==(const Seen&) const = default;
};

// One line at a time, on one thread: the reader, ReadIdxLine and the matcher.
Seen Reference(MemoryFileSystem* fs, const std::string& path, const TFindRec& condition) {
  Seen seen;
  std::string err;
  std::unique_ptr<SequentialFile> file = fs->OpenSequential(path, &err);
  TIndexFileReader reader(file.get());
  TFindMatcher matcher(condition);
  std::string_view line;
  for (;;) {
    const TIndexFileReader::Result r = reader.Next(&line, &err);
    if (r == TIndexFileReader::Result::kEnd) return seen.end = "end", seen;
    if (r == TIndexFileReader::Result::kError) return seen.end = "read " + err, seen;
    TFolderIdx rec;
    const IdxLine kind = ReadIdxLine(line, &rec, &err);
    if (kind == IdxLine::kSkip) continue;
    if (kind == IdxLine::kError) return seen.end = "date " + err, seen;
    seen.dates.push_back(rec.Date);
    if (matcher.Matches(rec)) seen.hits.emplace_back(rec.Subject);
  }
}

// The files through the reading threads, taken in order as the run takes them.
std::vector<Seen> Ahead(MemoryFileSystem* fs, const std::vector<std::string>& paths,
                        const TFindRec& condition, ScanTuning tuning) {
  TScanAhead scan(condition, false, tuning);
  std::string err;
  for (const std::string& path : paths) scan.Add(fs->OpenSequential(path, &err));
  std::vector<Seen> all;
  for (size_t f = 0; f < paths.size(); ++f) {
    Seen seen;
    for (;;) {
      std::unique_ptr<TScanBatch> batch = scan.NextBatch();
      seen.dates.insert(seen.dates.end(), batch->dates.begin(), batch->dates.end());
      for (const TFolderIdx& hit : batch->hits) seen.hits.emplace_back(hit.Subject);
      const bool over = batch->last || batch->failure != TScanBatch::Failure::kNone;
      if (batch->failure == TScanBatch::Failure::kRead) seen.end = "read " + batch->error;
      if (batch->failure == TScanBatch::Failure::kDate) seen.end = "date " + batch->error;
      if (batch->last && batch->failure == TScanBatch::Failure::kNone) seen.end = "end";
      scan.Recycle(std::move(batch));
      if (over) break;
    }
    scan.EndFront();
    all.push_back(std::move(seen));
  }
  return all;
}

TEST(ScanAheadTest, ManyWorkersOnSmallChunksGiveWhatOneLineAtATimeGives) {
  // Chunks of a few bytes make workers share every file and take its chunks in every order; a
  // chunk may hold no line end, or end between a CR and its LF. Some files fail to be read part
  // way, some hold a bad date; a 0x1A ends a file.
  const TFindRec condition = Rec({Row(kLogicOr, kTargetSubject, "ab")});
  const char* const subjects[] = {"ab",
                                  "AB x",
                                  "x",
                                  "\x82\xa0"
                                  "ab",
                                  "",
                                  "\x81"};
  std::mt19937 rng(3);
  auto pick = [&rng](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
  for (int round = 0; round < 40; ++round) {
    MemoryFileSystem fs;
    fs.SetMaxRead(pick(3) == 0 ? 1 + pick(50) : 0);
    std::vector<std::string> paths;
    for (int f = 0; f < 6; ++f) {
      std::string content;
      for (size_t l = pick(200); l > 0; --l) {
        content += std::string("1\x01k\x01\x01") + subjects[pick(std::size(subjects))] +
                   "\x01\x01\x01\x01\x01" +
                   (pick(400) == 0 ? "zz" : "5f5e100" + std::to_string(pick(10)));
        content += pick(5) == 0 ? "\r" : "\r\n";
      }
      if (pick(10) == 0) content.insert(pick(content.size() + 1), "\x1a");
      const std::string path = "f" + std::to_string(f);
      fs.AddFile(path, content);
      if (pick(6) == 0) fs.FailReadAfter(path, pick(content.size() + 1), "broken");
      paths.push_back(path);
    }
    std::vector<Seen> want;
    for (const std::string& path : paths) want.push_back(Reference(&fs, path, condition));
    for (ScanTuning tuning : {ScanTuning{1, 7}, ScanTuning{3, 1}, ScanTuning{4, 64}}) {
      ASSERT_EQ(Ahead(&fs, paths, condition, tuning), want)
          << "round " << round << ", " << tuning.workers << " workers, chunk " << tuning.chunk;
    }
  }
}

}  // namespace
}  // namespace zeldrium
