#include "platform/mapped_file.h"

#include <algorithm>

namespace tarnwick {

namespace {

constexpr std::uint64_t kGranularity = FileMapping::kGranularity;

// How far before the end of a view the next one starts: a record shorter than
// this that runs over the end is whole in the next view. A longer one gets a
// view of its own.
std::uint64_t OverlapBytes(std::uint64_t view_bytes) {
  return std::max(kGranularity, view_bytes / 16);
}

}  // namespace

std::unique_ptr<MappedFile> MappedFile::Map(std::FILE* file, std::uint64_t size,
                                            std::uint64_t view_bytes) {
  std::unique_ptr<FileMapping> mapping = FileMapping::Create(file, size);
  if (!mapping) return nullptr;
  view_bytes = std::max(2 * kGranularity, (view_bytes + kGranularity - 1) & ~(kGranularity - 1));
  return std::unique_ptr<MappedFile>(new MappedFile(std::move(mapping), view_bytes));
}

MappedFile::MappedFile(std::unique_ptr<FileMapping> mapping, std::uint64_t view_bytes)
    : mapping_(std::move(mapping)), view_bytes_(view_bytes) {
  wants_worker_ = mapping_->size() > view_bytes_ || mapping_->size() >= kWorkerFromBytes;
}

void MappedFile::StartWorker(bool take_current) {
  if (!wants_worker_) return;
  wants_worker_ = false;
  worker_ = std::make_unique<ViewWorker>(*mapping_);
  if (!worker_->Started()) {
    worker_.reset();
    return;
  }
  if (take_current && current_.data) worker_->Touch(current_);
  PrepareNext();
}

void MappedFile::Follow(std::uint64_t offset) {
  if (offset > kWorkerAfterBytes) StartWorker(true);
  if (worker_) worker_->Follow(offset);
}

MappedFile::~MappedFile() {
  Release(current_);
  worker_.reset();
}

void MappedFile::Release(const MappedView& view) {
  if (worker_) {
    worker_->Retire(view);
  } else {
    FileMapping::Unmap(view);
  }
}

MappedView MappedFile::Cover(std::uint64_t offset, std::uint64_t n) {
  if (current_.Holds(offset, n)) return current_;
  const std::uint64_t size = mapping_->size();
  if (offset >= size || n > size - offset) return {};
  // A reader that leaves its first view reads the file in earnest. The view it leaves is not
  // worth touching; the worker begins with the next.
  if (current_.data) StartWorker(false);
  MappedView view;
  if (worker_) view = worker_->TakePrepared(offset, n);
  if (!view.data) {
    const std::uint64_t start = offset & ~(kGranularity - 1);
    const std::uint64_t length = std::min(size - start, std::max(view_bytes_, offset - start + n));
    view = mapping_->Map(start, static_cast<std::size_t>(length));
    if (!view.data) return {};
    if (worker_) worker_->Touch(view);
  }
  Release(current_);
  current_ = view;
  PrepareNext();
  return current_;
}

void MappedFile::PrepareNext() {
  const std::uint64_t size = mapping_->size();
  if (!worker_ || current_.end() >= size) return;
  const std::uint64_t overlap = OverlapBytes(view_bytes_);
  if (current_.length <= overlap + kGranularity) return;
  const std::uint64_t start = (current_.end() - overlap) & ~(kGranularity - 1);
  worker_->Prepare(start, static_cast<std::size_t>(std::min(view_bytes_, size - start)));
}

}  // namespace tarnwick
