// Where a search's processor time goes, per version of the marking pass: every index file of a
// store is read into memory once, then searched a chunk at a time as a run does (copied into the
// reader's buffer first, as a read would), and two figures are taken, the processor time of the
// best of a few rounds: the marking pass alone, and the whole scan of the lines (marking, the
// word prefilter, dates, the matcher). No file is opened while it measures.
//   zeldrium-marking-bench STORE CONDITION [ROUNDS]
// CONDITION is a saved condition in its one-line form, as zeldrium-find --cond takes it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/idx_lines.h"
#include "engine/word_prefilter.h"
#include "query/find_class.h"
#include "store/index_file.h"
#include "store/line_masks.h"

namespace {

using zeldrium::LineMaskCode;

const char* Name(LineMaskCode code) {
  switch (code) {
    case LineMaskCode::kPortable:
      return "portable";
    case LineMaskCode::kSse2:
      return "sse2";
    case LineMaskCode::kAvx2:
      return "avx2";
    case LineMaskCode::kAvx512:
      return "avx512";
  }
  return "?";
}

double ProcessorMs() { return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// The chunk at `at` as a read would leave it in the reader's buffer: up to its last line end.
size_t Chunk(const std::string& file, size_t at, char* buffer, bool* last) {
  size_t n = std::min(zeldrium::TIndexFileReader::kDefaultChunk, file.size() - at);
  *last = at + n == file.size();
  if (!*last) {
    const size_t cr = file.rfind('\r', at + n - 1);
    n = cr == std::string::npos || cr < at ? n : cr + 1 - at;
  }
  std::memcpy(buffer, file.data() + at, n);
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: zeldrium-marking-bench STORE CONDITION [ROUNDS]\n");
    return 2;
  }
  std::vector<std::string> files;
  size_t bytes = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[1])) {
    if (!entry.is_regular_file() || entry.path().filename() != "Folder.idx") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    bytes += files.back().size();
  }
  zeldrium::TFindRec condition;
  if (!zeldrium::CsvToRec(argv[2], &condition)) {
    std::fprintf(stderr, "zeldrium-marking-bench: not a condition: %s\n", argv[2]);
    return 2;
  }
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  std::vector<char> buffer(zeldrium::TIndexFileReader::kDefaultChunk);

  for (LineMaskCode code : zeldrium::LineMaskCodesHere()) {
    if (code == LineMaskCode::kPortable) continue;
    zeldrium::UseLineMaskCode(code);
    zeldrium::TWordPrefilter filter(condition);
    zeldrium::TFindMatcher matcher(condition);
    zeldrium::LineMarks marks;
    zeldrium::TIdxLineScanner lines;
    std::vector<int32_t> other_dates;
    zeldrium::TFolderIdx rec;
    zeldrium::IdxLine kind;
    std::string err;
    double best_mark = 1e30;
    double best_scan = 1e30;
    size_t hits = 0;
    for (int round = 0; round < rounds; ++round) {
      double mark = 0;
      double scan = 0;
      hits = 0;
      for (const std::string& file : files) {
        for (size_t at = 0; at < file.size();) {
          bool last;
          const size_t n = Chunk(file, at, buffer.data(), &last);
          double start = ProcessorMs();
          zeldrium::MarkLineBytes(buffer.data(), n, &marks, filter.Probes());
          mark += ProcessorMs() - start;
          start = ProcessorMs();
          lines.Reset(std::string_view(buffer.data(), n), last, &filter);
          while (lines.NextWanted(&kind, &rec, &err, &other_dates)) {
            if (kind == zeldrium::IdxLine::kRecord && matcher.Matches(rec)) ++hits;
          }
          other_dates.clear();
          scan += ProcessorMs() - start;
          at += std::max<size_t>(lines.Consumed(), 1);
          if (at < file.size() && file[at] == '\n') ++at;
        }
      }
      best_mark = std::min(best_mark, mark);
      best_scan = std::min(best_scan, scan);
    }
    std::printf("%-8s %2zu-bit  marking %6.1f ms  whole scan %6.1f ms  (%zu MB, %zu hits)\n",
                Name(code), sizeof(void*) * 8, best_mark, best_scan, bytes >> 20, hits);
  }
  return 0;
}
