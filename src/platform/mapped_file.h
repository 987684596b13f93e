// A read-only view of the whole of an open file, mapped into the address space
// so that its bytes can be read in place. The file's pages belong to the
// system's file cache, not to the process's committed memory. The view holds
// the file (the host cannot shorten it on Windows) until it is destroyed. A
// large view has its pages touched ahead of the reader by a PageToucher.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/page_toucher.h"

namespace tarnwick {

class MappedFile {
 public:
  // Maps the first `size` bytes of an open stream's file; null when it cannot be mapped
  // (empty file, a size beyond the address space, or the system refuses).
  static std::unique_ptr<MappedFile> Map(std::FILE* file, std::uint64_t size);

  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // The first byte of the view.
  const std::uint8_t* data() const { return data_; }
  // Bytes in the view.
  std::uint64_t size() const { return size_; }
  // What touches the view's pages ahead of the reader.
  const PageToucher& toucher() const { return *toucher_; }

 private:
  MappedFile(const std::uint8_t* data, std::uint64_t size)
      : data_(data), size_(size), toucher_(std::make_unique<PageToucher>(data, size)) {}

  const std::uint8_t* data_;
  std::uint64_t size_;
  // Stopped first in the destructor: its thread reads the view.
  std::unique_ptr<PageToucher> toucher_;
};

}  // namespace tarnwick
