// Where the container writer's bytes go: memory or an open file, written in
// order, with tables patched in afterwards. Little-endian throughout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tarnwick::container_writer {

// A byte destination that knows its position; a failure is kept and stops all writing.
class Sink {
 public:
  virtual ~Sink() = default;

  // Bytes written so far.
  std::uint64_t position() const { return position_; }
  // False once anything could not be written.
  bool ok() const { return ok_; }
  // Marks the sink failed.
  void Fail() { ok_ = false; }

  // Appends raw bytes.
  void Bytes(const void* data, std::size_t n);
  // Appends n zero bytes.
  void Zeros(std::size_t n);
  // Appends one byte.
  void U8(std::uint8_t value);
  // Appends a u32.
  void U32(std::uint32_t value);
  // Appends u32 words.
  void Words(const std::uint32_t* values, std::size_t count);
  // Appends UTF-16LE code units without a count.
  void Units(const std::u16string& text);
  // Appends a counted string: u32 count of code units, then the units.
  void Counted(const std::u16string& text);
  // Overwrites earlier bytes with u32 words.
  void PatchWords(std::uint64_t at, const std::vector<std::uint32_t>& values);
  // Overwrites earlier bytes.
  virtual void Patch(std::uint64_t at, const void* data, std::size_t n) = 0;

  // Four bytes of a little-endian u32.
  static void Store(unsigned char* p, std::uint32_t value);

 protected:
  virtual void Put(const void* data, std::size_t n) = 0;

 private:
  std::uint64_t position_ = 0;
  bool ok_ = true;
};

// Bytes appended to a string.
class StringSink : public Sink {
 public:
  explicit StringSink(std::string& out) : out_(out) {}
  void Patch(std::uint64_t at, const void* data, std::size_t n) override;

 protected:
  void Put(const void* data, std::size_t n) override;

 private:
  std::string& out_;
};

// Bytes written to an open binary stream from its start; positions stay below 2 GiB.
class FileSink : public Sink {
 public:
  explicit FileSink(std::FILE* file) : file_(file) {}
  void Patch(std::uint64_t at, const void* data, std::size_t n) override;

 protected:
  void Put(const void* data, std::size_t n) override;

 private:
  std::FILE* file_;
};

}  // namespace tarnwick::container_writer
