#include "renderer/early_index_check.h"

#include <mutex>
#include <system_error>

#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "renderer/geometry_stream.h"
#include "renderer/index_check.h"

namespace tarnwick {

namespace {

// The first lists, by which the checker decides whether the file lends enough of them
// (three in four) for the checks to be worth their memory.
constexpr std::uint32_t kSampleLists = 64;

// Records every part in reading order: its counts, and the check of its index list that the
// export would make.
class IndexCheckSink : public ModelSink {
 public:
  IndexCheckSink(CheckedParts& results, const std::atomic<bool>& stop)
      : results_(results), stop_(stop) {}

  void OnFileStamp(const FileStamp& stamp) override {
    results_.Begin(stamp);
    wanted_ = true;
  }
  void OnPart(const std::u16string& /*name*/, const PartGeometry& part) override {
    if (!wanted_) return;
    CheckedPart checked;
    checked.position = part.position;
    if (part.stored_counts != nullptr) {
      checked.counts = *part.stored_counts;
      checked.counts_whole = true;
    }
    checked.index_count = part.index_count;
    const std::optional<std::uint32_t> limit = IndexLimitOf(part);
    if (limit) {
      checked.limit = *limit;
      // A list the file does not lend is left to the export, which checks its own copy
      // while the copy is in the cache; copying it here as well would cost more.
      if (part.indices != nullptr) {
        checked.below = IndicesBelow(part.indices, part.index_count, *limit);
      }
    }
    wanted_ = results_.Add(checked);
    if (!limit) return;
    // A model whose lists are mostly not lent (arrays as the host places them) gains
    // little from early checks, and the export copies its arrays with the bytes loaded
    // ahead: walking it here would only take a core from the start-up.
    ++lists_;
    if (part.indices != nullptr) ++lent_;
    if (lists_ == kSampleLists && lent_ * 4 < lists_ * 3) wanted_ = false;
  }
  bool WantsCopies() const override { return false; }
  bool WantsMore() const override {
    return wanted_ && !stop_.load(std::memory_order_relaxed);
  }

 private:
  CheckedParts& results_;
  const std::atomic<bool>& stop_;
  // Results are wanted from the stamp on (without one they could not be matched to the
  // export's file) until the results say they are not.
  bool wanted_ = false;
  std::uint32_t lists_ = 0;
  std::uint32_t lent_ = 0;
};

}  // namespace

EarlyIndexCheck::EarlyIndexCheck(std::u16string path) {
  try {
    thread_ = std::thread([this, path = std::move(path)] {
      {
        std::lock_guard lock(start_mutex_);
        running_ = true;
      }
      started_.notify_one();
      Run(path);
      results_.End();
    });
  } catch (const std::system_error&) {
    // No thread: the export checks every part itself.
    return;
  }
  // A new thread under Windows first tells every loaded library that it has started, which
  // takes the loader's lock. The caller's next step loads the window libraries, holding that
  // lock for tens of milliseconds under Wine: a thread not yet past its start would wait for
  // them, and the checks would run after the loads instead of beside them.
  std::unique_lock lock(start_mutex_);
  started_.wait(lock, [this] { return running_; });
}

EarlyIndexCheck::~EarlyIndexCheck() { Stop(); }

void EarlyIndexCheck::Stop() {
  stop_.store(true, std::memory_order_relaxed);
  Wait();
}

void EarlyIndexCheck::Wait() {
  if (thread_.joinable()) thread_.join();
}

void EarlyIndexCheck::Run(const std::u16string& path) {
  // Read-only: a missing or empty file is the export's to create or fill. No worker loads
  // the bytes ahead: the check reads the index lists and passes over the rest, and the
  // window libraries load on the other core meanwhile.
  const std::unique_ptr<ContainerStream> stream = ContainerStream::Open(path, "rb");
  if (!stream) return;
  stream->ForgoReadAhead();
  ContainerState state;
  if (ReadContainerHeader(*stream, state) != HeaderLoadResult::kLoaded) return;
  IndexCheckSink sink(results_, stop_);
  ReadSlotBody(*stream, state, 0, sink);
}

}  // namespace tarnwick
