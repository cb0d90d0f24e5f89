// Two stages of one pass run side by side: the caller produces items in
// order, a second thread consumes them in the same order, a batch at a time.
// Used where a scan is bound by the engine and the work on each row can
// wait for another core.
#ifndef ATTRIBUTION_BATCH_PIPELINE_H_
#define ATTRIBUTION_BATCH_PIPELINE_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <span>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace attribution {

template <typename Item>
class BatchPipeline {
 public:
  using Consumer = std::function<void(std::span<const Item>)>;

  // Starts `consume` on a thread of its own; where no thread can be
  // started, each batch is consumed on the caller's thread when handed over.
  explicit BatchPipeline(Consumer consume, size_t batch_items = 4096)
      : consume_(std::move(consume)), batch_items_(batch_items) {
    batch_.reserve(batch_items_);
    try {
      worker_ = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
      inline_ = true;
    }
  }
  // Stops the consumer without waiting for the batches not yet consumed.
  ~BatchPipeline() {
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
      full_.clear();
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
  }
  BatchPipeline(const BatchPipeline&) = delete;
  BatchPipeline& operator=(const BatchPipeline&) = delete;

  // The next item, to be filled in; valid until the next call.
  Item& Add() {
    if (batch_.size() == batch_items_) HandOver();
    return batch_.emplace_back();
  }

  // Hands over the last batch and waits until every item is consumed.
  // Raises what the consumer raised.
  void Finish() {
    HandOver();
    {
      std::unique_lock lock(mutex_);
      finished_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return full_.empty() && !busy_; });
      stopped_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  // Batches waiting at most; the producer waits beyond.
  static constexpr size_t kQueued = 4;

  void HandOver() {
    if (batch_.empty()) return;
    if (inline_) {
      if (!failure_) Consume(batch_);
      batch_.clear();
      return;
    }
    std::vector<Item> next;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return full_.size() < kQueued || stopped_; });
      if (!spare_.empty()) {
        next = std::move(spare_.back());
        spare_.pop_back();
      }
      full_.push_back(std::move(batch_));
    }
    changed_.notify_all();
    batch_ = std::move(next);
    batch_.clear();
    batch_.reserve(batch_items_);
  }

  void Work() {
    std::unique_lock lock(mutex_);
    while (true) {
      changed_.wait(lock, [this] { return !full_.empty() || stopped_ || finished_; });
      if (stopped_ || full_.empty()) return;
      std::vector<Item> batch = std::move(full_.front());
      full_.pop_front();
      busy_ = true;
      lock.unlock();
      changed_.notify_all();
      if (!failure_) Consume(batch);
      batch.clear();
      lock.lock();
      busy_ = false;
      spare_.push_back(std::move(batch));
      changed_.notify_all();
    }
  }

  void Consume(const std::vector<Item>& batch) {
    try {
      consume_(std::span<const Item>(batch));
    } catch (...) {
      failure_ = std::current_exception();
    }
  }

  Consumer consume_;
  const size_t batch_items_;
  std::vector<Item> batch_;  // being filled by the producer
  bool inline_ = false;
  std::thread worker_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<Item>> full_;  // handed over, not yet consumed
  std::vector<std::vector<Item>> spare_;
  bool busy_ = false;      // the consumer holds a batch
  bool finished_ = false;  // no more batches come
  bool stopped_ = false;
  std::exception_ptr failure_;  // written by the consumer only
};

}  // namespace attribution

#endif  // ATTRIBUTION_BATCH_PIPELINE_H_
