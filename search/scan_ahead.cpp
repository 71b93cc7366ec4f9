#include "search/scan_ahead.h"

#include <algorithm>
#include <utility>

#include "search/idx_lines.h"

namespace zeldrium {
namespace {

// Batches waiting for the run, per worker: enough for workers to go on with later files while
// the run waits for an earlier one, few enough to bound memory. The file the run waits for may
// have as many again, so that its worker is never held up by the others.
constexpr size_t kReadyPerWorker = 8;

}  // namespace

struct TScanAhead::Job {
  std::unique_ptr<SequentialFile> file;
  std::deque<std::unique_ptr<TScanBatch>> ready;
  bool taken = false;   // a worker reads it
  bool ended = false;   // the run is done with it: the worker stops at its next batch
  bool broken = false;  // the worker failed without a batch to say so (no memory for one)
};

void TScanBatch::Clear() {
  dates.clear();
  hit_lines.clear();
  hits.clear();
  last = false;
  failure = Failure::kNone;
  error.clear();
}

TScanAhead::TScanAhead(const TFindRec& condition, ScanTuning tuning)
    : chunk_(std::max<size_t>(tuning.chunk, 1)) {
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
  // Every wake-up is a switch between threads; workers wake the run only when it waits for
  // their file.
  awaited_ = &job;
  ready_cv_.wait(lock, [&] { return !job.ready.empty() || job.broken; });
  awaited_ = nullptr;
  if (job.ready.empty()) {
    lock.unlock();
    auto failed = std::make_unique<TScanBatch>();
    failed->failure = TScanBatch::Failure::kRead;
    failed->error = "out of memory";
    return failed;
  }
  std::unique_ptr<TScanBatch> batch = std::move(job.ready.front());
  job.ready.pop_front();
  --ready_;
  const bool room_awaited = waiting_for_room_ > 0;
  lock.unlock();
  if (room_awaited) work_cv_.notify_all();
  return batch;
}

void TScanAhead::EndFront() {
  std::deque<std::unique_ptr<TScanBatch>> unused;
  {
    std::lock_guard<std::mutex> lock(mu_);
    jobs_.front()->ended = true;
    unused.swap(jobs_.front()->ready);
    ready_ -= unused.size();
    jobs_.pop_front();
  }
  work_cv_.notify_all();
  for (auto& batch : unused) Recycle(std::move(batch));
}

void TScanAhead::Recycle(std::unique_ptr<TScanBatch> batch) {
  // A buffer that a long line made large is given back rather than kept.
  if (batch->bytes.size() > 4 * chunk_) return;
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

void TScanAhead::Work(Tester* tester) {
  TIndexFileReader reader(nullptr, chunk_);
  TIdxLineScanner lines;
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    std::shared_ptr<Job> job;
    work_cv_.wait(lock, [&] {
      if (shutdown_) return true;
      for (const auto& j : jobs_) {
        if (!j->taken) {
          job = j;
          return true;
        }
      }
      return false;
    });
    if (shutdown_) return;
    job->taken = true;
    lock.unlock();
    try {
      Scan(job.get(), &reader, &lines, tester);
    } catch (...) {
      // Not even a batch to say so: the run makes one.
      std::lock_guard<std::mutex> broken_lock(mu_);
      job->broken = true;
    }
    ready_cv_.notify_one();
    reader.Reset(nullptr);
    job.reset();  // the file closes here when the run has ended it already
    lock.lock();
  }
}

void TScanAhead::Scan(Job* job, TIndexFileReader* reader, TIdxLineScanner* lines, Tester* tester) {
  std::unique_ptr<TScanBatch> batch = FreshBatch();
  reader->Reset(job->file.get());
  TFolderIdx rec;
  std::string err;
  for (;;) {
    lines->Reset(reader->Unread(), reader->AtEnd(), &tester->filter);
    IdxLine kind;
    while (lines->Next(&kind, &rec, &err)) {
      if (kind == IdxLine::kSkip) continue;
      if (kind == IdxLine::kError) {
        batch->failure = TScanBatch::Failure::kDate;
        batch->error = std::move(err);
        reader->ReleaseBuffer(&batch->bytes);
        Hand(job, std::move(batch));
        return;
      }
      batch->dates.push_back(rec.Date);
      if (kind == IdxLine::kRecord && tester->matcher.Matches(rec)) {
        batch->hit_lines.push_back(static_cast<uint32_t>(batch->dates.size() - 1));
        batch->hits.push_back(rec);
      }
    }
    reader->Take(lines->Consumed());
    if (reader->AtEnd()) {
      batch->last = true;
      reader->ReleaseBuffer(&batch->bytes);
      Hand(job, std::move(batch));
      return;
    }
    // The lines found so far must outlive the read: their buffer goes with the batch.
    const bool keep = !batch->dates.empty();
    if (!(keep ? reader->Fill(&err, &batch->bytes) : reader->Fill(&err))) {
      batch->failure = TScanBatch::Failure::kRead;
      batch->error = std::move(err);
      Hand(job, std::move(batch));
      return;
    }
    if (keep) {
      if (!Hand(job, std::move(batch))) return;
      batch = FreshBatch();
    }
  }
}

bool TScanAhead::Hand(Job* job, std::unique_ptr<TScanBatch> batch) {
  {
    std::unique_lock<std::mutex> lock(mu_);
    ++waiting_for_room_;
    work_cv_.wait(lock, [&] {
      if (shutdown_ || job->ended) return true;
      const bool front = jobs_.front().get() == job;
      return (front ? job->ready.size() : ready_) < ReadyLimit();
    });
    --waiting_for_room_;
    if (!shutdown_ && !job->ended) {
      job->ready.push_back(std::move(batch));
      ++ready_;
      const bool awaited = awaited_ == job;
      lock.unlock();
      if (awaited) ready_cv_.notify_one();
      return true;
    }
  }
  Recycle(std::move(batch));
  return false;
}

}  // namespace zeldrium
