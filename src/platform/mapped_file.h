// A file opened for reading, mapped read-only in views that follow the reader.
// Each view is at least a fixed size and starts on the granularity boundary at
// or before the first byte wanted, so one view holds a run of records and any
// single record, however long. When the file is large, a ViewWorker maps the
// next view (overlapping this one, so that a record running over the end is
// whole in it), loads the bytes just ahead of the reader, touches the pages
// further on and unmaps the views it has left. Everything is unmapped when the
// MappedFile is destroyed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/file_mapping.h"
#include "platform/view_worker.h"

namespace tarnwick {

class MappedFile {
 public:
  // Least length of a view; a multiple of FileMapping::kGranularity.
  static constexpr std::uint64_t kViewBytes = std::uint64_t{64} << 20;
  // Files from this size on get a worker: smaller ones cost less in faults than a thread.
  static constexpr std::uint64_t kWorkerFromBytes = std::uint64_t{16} << 20;
  // The worker starts once the reader goes past this offset or on to a second view: a
  // reader that looks only at the header does not pay for a thread (under Wine its start
  // and end are a dozen round trips to the server, and it would touch a whole view).
  static constexpr std::uint64_t kWorkerAfterBytes = std::uint64_t{1} << 20;

  // Maps the first `size` bytes of an open stream's file in views of at least view_bytes
  // (rounded up to the granularity); null when it cannot be mapped (empty file, a size
  // beyond the address space, or the system refuses). Files larger than one view, or from
  // kWorkerFromBytes on, get a worker once the reader is past kWorkerAfterBytes.
  static std::unique_ptr<MappedFile> Map(std::FILE* file, std::uint64_t size,
                                         std::uint64_t view_bytes = kViewBytes);
  // Unmaps every view, waiting for the worker: afterwards the file is free.
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // A view that holds [offset, offset + n), which must lie inside the file; views handed out
  // before may be unmapped from now on. No data when the system refuses a view.
  MappedView Cover(std::uint64_t offset, std::uint64_t n);
  // Tells the worker, if any, where the reader has come to, so that it loads the bytes ahead.
  void Follow(std::uint64_t offset);
  // Set once a page of a view could not be read (see FileMapping::lost_flag); it lives as
  // long as this.
  const std::atomic<bool>& lost_flag() const { return mapping_->lost_flag(); }
  // The worker, or null when the file is small or no thread could be started.
  const ViewWorker* worker() const { return worker_.get(); }

 private:
  MappedFile(std::unique_ptr<FileMapping> mapping, std::uint64_t view_bytes);
  // Starts the worker if the file wants one and it has not started yet; it takes in the
  // current view when take_current is true.
  void StartWorker(bool take_current);
  // The view after the current one, starting an overlap before its end.
  void PrepareNext();
  // Unmaps a view the reader has left: on the worker's thread when there is one.
  void Release(const MappedView& view);

  std::unique_ptr<FileMapping> mapping_;
  std::uint64_t view_bytes_;
  MappedView current_;
  bool wants_worker_ = false;
  // Declared last: destroyed first, while the mapping still exists.
  std::unique_ptr<ViewWorker> worker_;
};

}  // namespace tarnwick
