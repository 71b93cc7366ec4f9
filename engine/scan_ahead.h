#ifndef ZELDRIUM_ENGINE_SCAN_AHEAD_H_
#define ZELDRIUM_ENGINE_SCAN_AHEAD_H_

// Reads index files and tests their lines on worker threads, ahead of the run that takes the
// results. Reading (the kernel's copy, a slow disk, Wine's file calls), splitting lines into
// fields and testing the condition then overlap with each other and use every core, while all
// that the run decides line by line stays with the run, on its own thread and in its own order:
// the date limit, the hooks, the stop request and the keeping of hits. A worker only says which
// lines have a date, what the date is, and which of them the condition holds for; testing a line
// that the date limit then drops costs time but changes nothing.
//
// A file is read one chunk at a time by whichever worker is free, never by two at once, and the
// lines of each chunk are tested while the next is read: one large folder keeps every core busy.
// A line end is a CR whatever stands before it, so a chunk cut after its last CR holds whole
// lines only; the rest goes on with the next chunk.
//
// Memory stays bounded whatever the size of the store: the batches waiting for the run, of one
// read chunk each, are limited in number, and the run queues only a few files ahead.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "store/file_system.h"
#include "query/find_class.h"
#include "store/folder_idx.h"
#include "engine/idx_lines.h"
#include "store/index_file.h"
#include "query/line_filter.h"

namespace zeldrium {

// How a run reads, by platform. Natively: one worker per core, at most four (more would only
// wait for the disk), and chunks that stay in a core's cache while they are split and tested.
// On Windows one core is left to the run's own thread, which also keeps the window answering,
// and chunks are larger: measured under Wine, where every hand-over between threads is a call
// to its server, fewer hand-overs paid for more than the cache.
struct ScanTuning {
  int workers;
  size_t chunk;
};
ScanTuning DefaultScanTuning();

// What a worker found in one read chunk of a file.
struct TScanBatch {
  enum class Failure {
    kNone,
    kRead,  // error holds the system's words
    kDate,  // error holds the whole message about the bad date field
  };

  std::vector<char> bytes;           // the fields in hits point into it
  std::vector<int32_t> dates;        // TFolderIdx::Date of every dated line, in file order,
                                     // or with hit_dates_only of the lines in hits only
  std::vector<uint32_t> hit_lines;   // ascending indexes into dates: the condition holds there
  std::vector<TFolderIdx> hits;      // the fields of those lines, one for each of hit_lines
  bool last = false;                 // the file ends after these lines
  Failure failure = Failure::kNone;  // the file ends with this error after these lines
  std::string error;

  void Clear();
};

class TScanAhead {
 public:
  // Starts the workers, each with its own matcher and line filter for condition. With
  // hit_dates_only, batches keep the dates of the lines the condition holds for only: a run
  // that looks at no other line needs no others.
  explicit TScanAhead(const TFindRec& condition, bool hit_dates_only = false,
                      ScanTuning tuning = DefaultScanTuning());
  // Stops reading and waits for the workers.
  ~TScanAhead();
  TScanAhead(const TScanAhead&) = delete;
  TScanAhead& operator=(const TScanAhead&) = delete;

  // Queues a file behind those already queued.
  void Add(std::unique_ptr<SequentialFile> file);

  // Waits for the next batch of the oldest queued file. After a batch that is last or failed
  // none follows for that file. REQUIRES: a file queued and not ended, its last or failed batch
  // not yet taken.
  std::unique_ptr<TScanBatch> NextBatch();
  // Done with the oldest queued file, whether all of it was taken or not: what is left of it is
  // not read. The next file becomes the oldest.
  void EndFront();
  // Gives a batch's memory back for reuse.
  void Recycle(std::unique_ptr<TScanBatch> batch);

 private:
  struct Job;
  // What a worker tests lines with.
  struct Tester {
    explicit Tester(const TFindRec& condition) : matcher(condition), filter(condition) {}
    TFindMatcher matcher;
    TLineFilter filter;
  };

  // Whole lines of a file, as one worker read them.
  struct Window {
    std::string_view data;
    bool at_end;  // the last lines of the file: the last one may have no line end
    bool done;    // nothing more is to be read: the end, or an error
  };

  void Work(Tester* tester);
  std::shared_ptr<Job> ReadableJob() const;
  void StartReading(Job* job);
  void EndReading(Job* job);
  Window ReadChunk(Job* job, TScanBatch* batch);
  void ScanWindow(const Window& window, TScanBatch* batch, TIdxLineScanner* lines, Tester* tester);
  void Deliver(Job* job, size_t seq, std::unique_ptr<TScanBatch> batch);
  static bool FrontReady(const Job& job);
  bool RunWaitsForReady() const;
  bool SomeChunkBeingRead() const;
  void AwaitChunkRead(std::unique_lock<std::mutex>* lock);
  size_t ReadyInOrder() const;
  std::unique_ptr<TScanBatch> FreshBatch();
  size_t ReadyLimit() const;
  bool Reusable(const std::vector<char>& buffer) const;

  std::mutex mu_;
  std::condition_variable work_cv_;        // workers: a chunk to read, room for a batch, or the end
  std::condition_variable ready_cv_;       // the run: a batch is ready
  std::deque<std::shared_ptr<Job>> jobs_;  // oldest first; the run has not ended the front one
  const Job* awaited_ = nullptr;           // the job whose batch the run waits for
  size_t ready_ = 0;      // batches of all jobs, made or being made, that the run has not taken
  int idle_workers_ = 0;  // workers waiting for a chunk they may read
  std::atomic<uint64_t> chunks_read_{0};  // chunks whose reading is done, by all workers
  std::vector<std::unique_ptr<TScanBatch>> free_;
  std::vector<std::vector<char>> buffers_;  // left by readers of files read to the end
  bool shutdown_ = false;

  const size_t chunk_;
  const bool hit_dates_only_;
  std::vector<std::unique_ptr<Tester>> testers_;
  std::vector<std::thread> workers_;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_ENGINE_SCAN_AHEAD_H_
