#include "engine/scan_ahead.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#endif

#include "engine/idx_lines.h"

namespace zeldrium {
namespace {

// Tells the processor that this thread only waits.
inline void PauseSpinning() {
#if defined(__i386__) || defined(__x86_64__)
  _mm_pause();
#else
  std::this_thread::yield();
#endif
}

// Batches waiting for the run, per worker: enough for workers to go on with later files while
// the run waits for an earlier one, few enough to bound memory. The file the run waits for may
// have as many again, so that its worker is never held up by the others.
constexpr size_t kReadyPerWorker = 8;

// Batches ready in the run's order before a worker wakes the run: each wake-up is a switch
// between threads, which costs more than the run's own work on a batch.
constexpr size_t kBatchesPerWake = 4;

}  // namespace

struct TScanAhead::Job {
  std::unique_ptr<SequentialFile> file;      // closed once reading is done
  std::unique_ptr<TIndexFileReader> reader;  // while the file is read
  // Batch first_seq + i of the file at i, null while it is being read and scanned.
  std::deque<std::unique_ptr<TScanBatch>> ready;
  size_t first_seq = 0;
  bool reading = false;         // a worker reads the file's next chunk; no other may
  bool read_done = false;       // nothing more to read: the end, an error, or a bad date
  bool ended = false;           // the run is done with it: batches still to come are dropped
  size_t broken_at = SIZE_MAX;  // a worker failed without a batch for this one to say so
};

void TScanBatch::Clear() {
  dates.clear();
  hit_lines.clear();
  hits.clear();
  last = false;
  failure = Failure::kNone;
  error.clear();
}

TScanAhead::TScanAhead(const TFindRec& condition, bool hit_dates_only, ScanTuning tuning)
    : chunk_(std::max<size_t>(tuning.chunk, 1)), hit_dates_only_(hit_dates_only) {
  for (int i = 0; i < std::max(tuning.workers, 1); ++i) {
    testers_.push_back(std::make_unique<Tester>(condition));
  }
  try {
    for (auto& tester : testers_) {
      workers_.emplace_back(&TScanAhead::Work, this, tester.get());
    }
  } catch (...) {
    // A thread that cannot be started leaves the others to do the work; with none, nothing
    // could ever be read, so that is an error for the caller.
    if (workers_.empty()) throw;
  }
}

// A buffer that a long line made large is given back rather than kept.
bool TScanAhead::Reusable(const std::vector<char>& buffer) const {
  return buffer.size() <= 4 * chunk_;
}

size_t TScanAhead::ReadyLimit() const { return kReadyPerWorker * testers_.size(); }

TScanAhead::~TScanAhead() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    shutdown_ = true;
  }
  work_cv_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void TScanAhead::Add(std::unique_ptr<SequentialFile> file) {
  auto job = std::make_shared<Job>();
  job->file = std::move(file);
  {
    std::lock_guard<std::mutex> lock(mu_);
    jobs_.push_back(std::move(job));
  }
  // All: a worker waiting for room in its own file must not take the only wake-up.
  work_cv_.notify_all();
}

std::unique_ptr<TScanBatch> TScanAhead::NextBatch() {
  std::unique_lock<std::mutex> lock(mu_);
  Job& job = *jobs_.front();
  // Workers wake the run only while it waits here (RunWaitsForReady), and then only with a few
  // batches ready or nothing more for them to do.
  awaited_ = &job;
  ready_cv_.wait(lock, [&] { return FrontReady(job) || job.broken_at == job.first_seq; });
  awaited_ = nullptr;
  if (!FrontReady(job)) {
    lock.unlock();
    auto failed = std::make_unique<TScanBatch>();
    failed->failure = TScanBatch::Failure::kRead;
    failed->error = "out of memory";
    return failed;
  }
  std::unique_ptr<TScanBatch> batch = std::move(job.ready.front());
  job.ready.pop_front();
  ++job.first_seq;
  --ready_;
  const bool idle = idle_workers_ > 0;
  lock.unlock();
  if (idle) work_cv_.notify_all();  // room for another batch
  return batch;
}

void TScanAhead::EndFront() {
  std::deque<std::unique_ptr<TScanBatch>> unused;
  {
    std::lock_guard<std::mutex> lock(mu_);
    Job& job = *jobs_.front();
    job.ended = true;
    // Batches still being made count until they are dropped (Deliver).
    for (auto& batch : job.ready) {
      if (batch != nullptr) {
        unused.push_back(std::move(batch));
        --ready_;
      }
    }
    job.ready.clear();
    jobs_.pop_front();
  }
  work_cv_.notify_all();
  for (auto& batch : unused) Recycle(std::move(batch));
}

void TScanAhead::Recycle(std::unique_ptr<TScanBatch> batch) {
  if (!Reusable(batch->bytes)) return;
  batch->Clear();
  std::lock_guard<std::mutex> lock(mu_);
  // Every batch in use at once can come back: twice the limit, and one per worker. (The
  // testers, one per worker, are all made before any worker starts.)
  if (free_.size() < 2 * ReadyLimit() + testers_.size()) free_.push_back(std::move(batch));
}

std::unique_ptr<TScanBatch> TScanAhead::FreshBatch() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (!free_.empty()) {
      std::unique_ptr<TScanBatch> batch = std::move(free_.back());
      free_.pop_back();
      return batch;
    }
  }
  return std::make_unique<TScanBatch>();
}

// The first job a worker may read a chunk of, in the run's order: none is being read by
// another, something is left to read, and there is room for one more batch (always for the file
// the run takes from, up to the limit of its own, so that it never waits for the others).
std::shared_ptr<TScanAhead::Job> TScanAhead::ReadableJob() const {
  for (const auto& job : jobs_) {
    if (job->reading || job->read_done) continue;
    const bool front = job == jobs_.front();
    if ((front ? job->ready.size() : ready_) < ReadyLimit()) return job;
  }
  return nullptr;
}

// Reads the next chunk of a file, one worker at a time, and hands the other workers the file
// before its lines are split and tested: a large file is then read by all of them, chunk by
// chunk, and its batches are put back in order for the run.
void TScanAhead::Work(Tester* tester) {
  TIdxLineScanner lines;
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    std::shared_ptr<Job> job;
    bool spun = false;
    while (!shutdown_ && (job = ReadableJob()) == nullptr) {
      // Nothing this worker may do: whatever is ready is all the run gets for now.
      if (RunWaitsForReady()) ready_cv_.notify_one();
      if (!spun && SomeChunkBeingRead()) {
        // Most often the next chunk of a file another worker reads: it is free within the time
        // of one read, less than going to sleep and being woken costs.
        spun = true;
        AwaitChunkRead(&lock);
        continue;
      }
      ++idle_workers_;
      work_cv_.wait(lock);
      --idle_workers_;
      spun = false;
    }
    if (shutdown_) return;
    job->reading = true;
    const size_t seq = job->first_seq + job->ready.size();
    job->ready.push_back(nullptr);
    ++ready_;
    lock.unlock();

    bool reading = true;
    try {
      if (job->reader == nullptr) StartReading(job.get());
      std::unique_ptr<TScanBatch> batch = FreshBatch();
      const Window window = ReadChunk(job.get(), batch.get());
      bool idle;
      {
        std::lock_guard<std::mutex> read_lock(mu_);
        job->reading = reading = false;
        chunks_read_.fetch_add(1, std::memory_order_relaxed);
        if (window.done) EndReading(job.get());
        idle = idle_workers_ > 0;
      }
      if (idle) work_cv_.notify_all();  // the next chunk is free to read
      ScanWindow(window, batch.get(), &lines, tester);
      Deliver(job.get(), seq, std::move(batch));
    } catch (...) {
      // Not even a batch to say so: the run makes one when it gets there.
      std::lock_guard<std::mutex> broken_lock(mu_);
      --ready_;  // the batch never comes
      if (reading) job->reading = false;
      job->read_done = true;
      job->broken_at = std::min(job->broken_at, seq);
      if (awaited_ == job.get()) ready_cv_.notify_one();
    }
    job.reset();
    lock.lock();
  }
}

// A file's reader takes a buffer that an earlier file's reader left: a new one for every file
// would be new memory, filled with zeros and faulted in page by page.
void TScanAhead::StartReading(Job* job) {
  std::vector<char> buffer;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (!buffers_.empty()) {
      buffer.swap(buffers_.back());
      buffers_.pop_back();
    }
  }
  job->reader = std::make_unique<TIndexFileReader>(nullptr, chunk_);
  job->reader->SwapBuffer(&buffer);
  job->reader->Reset(job->file.get());
}

// REQUIRES: mu_ held.
void TScanAhead::EndReading(Job* job) {
  job->read_done = true;
  if (job->reader != nullptr) {
    std::vector<char> buffer;
    job->reader->SwapBuffer(&buffer);
    if (buffer.capacity() > 0 && Reusable(buffer) && buffers_.size() < testers_.size()) {
      buffers_.push_back(std::move(buffer));
    }
    job->reader.reset();
  }
  job->file.reset();  // no longer locked against the host's writes
}

// Takes whole lines from the file's reader: up to the last line end read, or all that is left
// at the end of the file. Their buffer goes with the batch, and the reader goes on with the
// rest in other memory, so that another worker can read on while these lines are tested.
TScanAhead::Window TScanAhead::ReadChunk(Job* job, TScanBatch* batch) {
  TIndexFileReader& reader = *job->reader;
  std::string err;
  size_t searched = 0;  // bytes of data known to hold no line end
  for (;;) {
    const std::string_view data = reader.Unread();
    if (reader.AtEnd()) {
      reader.Take(data.size());
      reader.SwapBuffer(&batch->bytes);  // the memory, and with it data, moves to the batch
      batch->last = true;
      return Window{data, true, true};
    }
    const size_t last_cr = data.substr(searched).rfind('\r');
    if (last_cr != std::string_view::npos) {
      const size_t cr = searched + last_cr;
      const size_t whole = cr + 1 < data.size() && data[cr + 1] == '\n' ? cr + 2 : cr + 1;
      reader.Take(whole);
      const bool read = reader.Fill(&err, &batch->bytes);
      if (!read) {
        batch->failure = TScanBatch::Failure::kRead;
        batch->error = std::move(err);
        return Window{data.substr(0, whole), false, true};
      }
      // Most files end with a line end, most often within their first chunk: then these are
      // the last lines, and no batch of nothing but the end follows.
      const bool last = reader.AtEnd() && reader.Unread().empty();
      batch->last = last;
      return Window{data.substr(0, whole), last, last};
    }
    // No line end yet: read on, into the same buffer.
    searched = data.size();
    if (!reader.Fill(&err)) {
      batch->failure = TScanBatch::Failure::kRead;
      batch->error = std::move(err);
      return Window{{}, false, true};
    }
  }
}

void TScanAhead::ScanWindow(const Window& window, TScanBatch* batch, TIdxLineScanner* lines,
                            Tester* tester) {
  lines->Reset(window.data, window.at_end, &tester->filter);
  TFolderIdx rec;
  std::string err;
  IdxLine kind;
  std::vector<int32_t>* const other_dates = hit_dates_only_ ? nullptr : &batch->dates;
  while (lines->NextWanted(&kind, &rec, &err, other_dates)) {
    if (kind == IdxLine::kSkip) continue;
    if (kind == IdxLine::kError) {
      // The file ends here: a read error after these lines never comes to it.
      batch->failure = TScanBatch::Failure::kDate;
      batch->error = std::move(err);
      return;
    }
    const bool hit = kind == IdxLine::kRecord && tester->matcher.Matches(rec);
    if (hit || !hit_dates_only_) batch->dates.push_back(rec.Date);
    if (hit) {
      batch->hit_lines.push_back(static_cast<uint32_t>(batch->dates.size() - 1));
      batch->hits.push_back(rec);
    }
  }
}

// Waits a little, without the lock and without sleeping, for a worker to be done reading a
// chunk. REQUIRES: lock held; it is held again on return.
void TScanAhead::AwaitChunkRead(std::unique_lock<std::mutex>* lock) {
  constexpr auto kLongest = std::chrono::microseconds(100);
  const uint64_t seen = chunks_read_.load(std::memory_order_relaxed);
  lock->unlock();
  const auto until = std::chrono::steady_clock::now() + kLongest;
  while (chunks_read_.load(std::memory_order_relaxed) == seen &&
         std::chrono::steady_clock::now() < until) {
    for (int i = 0; i < 32; ++i) PauseSpinning();
  }
  lock->lock();
}

// REQUIRES: mu_ held.
bool TScanAhead::SomeChunkBeingRead() const {
  for (const auto& job : jobs_) {
    if (job->reading) return true;
  }
  return false;
}

// Whether the file's next batch for the run is made. REQUIRES: mu_ held.
bool TScanAhead::FrontReady(const Job& job) {
  return !job.ready.empty() && job.ready.front() != nullptr;
}

// Whether the run waits for a batch that is ready. REQUIRES: mu_ held.
bool TScanAhead::RunWaitsForReady() const {
  return awaited_ != nullptr && FrontReady(*awaited_);
}

// How many batches the run could take one after the other without waiting, up to
// kBatchesPerWake: those ready at the front of the oldest file, and of the next when the oldest
// has all of its batches ready, and so on. REQUIRES: mu_ held.
size_t TScanAhead::ReadyInOrder() const {
  size_t count = 0;
  for (const auto& job : jobs_) {
    for (const auto& batch : job->ready) {
      if (batch == nullptr) return count;
      if (++count >= kBatchesPerWake) return count;
    }
    // The file's batches go on unless its last one is among them.
    if (job->ready.empty() || !job->read_done || job->reading) return count;
    const TScanBatch& last = *job->ready.back();
    if (!last.last && last.failure == TScanBatch::Failure::kNone) return count;
  }
  return count;
}

void TScanAhead::Deliver(Job* job, size_t seq, std::unique_ptr<TScanBatch> batch) {
  {
    std::unique_lock<std::mutex> lock(mu_);
    if (!shutdown_ && !job->ended) {
      // After a failed batch the file ends: nothing after it is read.
      if (batch->failure != TScanBatch::Failure::kNone) job->read_done = true;
      job->ready[seq - job->first_seq] = std::move(batch);
      const bool wake =
          RunWaitsForReady() && (idle_workers_ > 0 || ReadyInOrder() >= kBatchesPerWake);
      lock.unlock();
      if (wake) ready_cv_.notify_one();
      return;
    }
    --ready_;
  }
  Recycle(std::move(batch));
}

}  // namespace zeldrium
