// A mapped file that loses its pages under the reader, under Wine: the file is
// cut short from the Linux side (as a dropped share or a pulled disk takes the
// pages away under Windows) while the stream holds it mapped. The reads fail
// as a windowed stream's would; the process goes on.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "container_writer/container_writer.h"
#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

namespace cw = container_writer;

// Linux's truncate(2) on x86-64. Wine runs Windows code as a Linux process, so the test
// can cut the file as another Linux program would, which Windows code cannot while the
// file is mapped.
constexpr long kLinuxTruncate = 76;

long LinuxTruncate(const std::string& unix_path, long length) {
  long result = 0;
  asm volatile("syscall"
               : "=a"(result)
               : "a"(kLinuxTruncate), "D"(unix_path.c_str()), "S"(length)
               : "rcx", "r11", "memory");
  return result;
}

// The Linux path of a Windows path, from Wine's kernel32; empty when not under Wine.
std::string UnixPathOf(const std::filesystem::path& path) {
  using ToUnix = char* (*)(const wchar_t*);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto to_unix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
  if (to_unix == nullptr) return {};
  char* unix_path = to_unix(path.wstring().c_str());
  if (unix_path == nullptr) return {};
  std::string result(unix_path);
  HeapFree(GetProcessHeap(), 0, unix_path);
  return result;
}

std::filesystem::path TempFile(const char* name) {
  return std::filesystem::temp_directory_path() /
         (std::string(name) + std::to_string(GetCurrentProcessId()));
}

// A model of many solids, each with a part of `vertices` vertices: some MiB in all.
std::string ModelBytes(int solids, int vertices) {
  cw::ModelBody body;
  std::vector<float> positions(static_cast<std::size_t>(vertices) * 3, 1.0f);
  std::vector<std::uint32_t> indices(static_cast<std::size_t>(vertices), 0);
  for (int i = 0; i < solids; ++i) {
    const cw::Part part{u"part", positions, {}, {}, indices, {}, false};
    body.solids.push_back({static_cast<std::uint32_t>(i + 1), 0, u"", {part}, false});
  }
  return cw::BuildContainer(cw::ModelFile(u"C:\\p.cvp", body));
}

// Counts what the reader hands on, and whether it heard that the file could not be read.
class CountingSink : public ModelSink {
 public:
  void OnPart(const FileText&, const PartGeometry& part) override {
    ++parts;
    // Touch every index, as the export's check does.
    for (std::uint32_t i = 0; part.indices != nullptr && i < part.index_count; ++i) {
      sum += part.indices[i];
    }
  }
  void OnReadFailed(bool whole_body) override {
    ++read_failures;
    whole_body_failures += whole_body;
  }

  int parts = 0;
  int read_failures = 0;
  int whole_body_failures = 0;
  std::uint64_t sum = 0;
};

TEST(MappedFileLostUnderWine, AReadOfACutFileFailsInsteadOfEndingTheProcess) {
  const std::filesystem::path path = TempFile("cut_stream_");
  std::vector<char> bytes(std::size_t{8} << 20, 'x');
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  const std::string unix_path = UnixPathOf(path);
  if (unix_path.empty()) GTEST_SKIP() << "not under Wine";
  {
    const auto stream = ContainerStream::Open(Utf16FromUtf8(path.string()), "rb");
    ASSERT_NE(stream, nullptr);
    ASSERT_NE(stream->Bytes(0, 1), nullptr);
    ASSERT_EQ(*stream->Bytes(0, 1), 'x');
    ASSERT_EQ(LinuxTruncate(unix_path, 4096), 0);
    std::vector<char> out(1 << 20, 'y');
    EXPECT_FALSE(stream->ReadAt(std::uint64_t{6} << 20, out.data(), out.size()));
    EXPECT_TRUE(stream->ReadFailed());
    EXPECT_TRUE(stream->Shrunk());
    // What a failed read gives, as a windowed stream gives it.
    EXPECT_EQ(out.front(), 0);
    EXPECT_EQ(out.back(), 0);
    // Every later copy fails too, even of bytes the file still has; a reader of runs looks
    // at ReadFailed, which stays set.
    EXPECT_FALSE(stream->ReadAt(0, out.data(), 4));
    EXPECT_TRUE(stream->ReadFailed());
  }
  std::filesystem::remove(path);
}

TEST(MappedFileLostUnderWine, ABodyCutWhileItIsReadEndsAsAFailedRead) {
  const std::filesystem::path path = TempFile("cut_body_");
  const std::string model = ModelBytes(64, 16384);
  std::ofstream(path, std::ios::binary) << model;
  const std::string unix_path = UnixPathOf(path);
  if (unix_path.empty()) GTEST_SKIP() << "not under Wine";
  {
    const auto stream = ContainerStream::Open(Utf16FromUtf8(path.string()), "rb");
    ASSERT_NE(stream, nullptr);
    ContainerState state;
    ASSERT_EQ(ReadContainerHeader(*stream, state), HeaderLoadResult::kLoaded);
    // The header's view stays mapped: the body's pages go while the reader holds it.
    ASSERT_EQ(LinuxTruncate(unix_path, static_cast<long>(model.size() / 2)), 0);
    CountingSink sink;
    ASSERT_TRUE(ReadSlotBody(*stream, state, 0, sink));
    // The read that failed stopped the body; at its end the file was found shorter, so
    // nothing of it is trusted.
    EXPECT_EQ(sink.read_failures, 2);
    EXPECT_EQ(sink.whole_body_failures, 1);
    EXPECT_LT(sink.parts, 64);
  }
  std::filesystem::remove(path);
}

// Cut inside its last page, a mapped file gives zeros past its new end without any fault:
// only its size tells, looked at when the body ends.
TEST(MappedFileLostUnderWine, AFileCutInsideItsLastPageIsFoundShorterAtTheEnd) {
  const std::filesystem::path path = TempFile("cut_tail_");
  const std::string model = ModelBytes(4, 100);
  std::ofstream(path, std::ios::binary) << model;
  const std::string unix_path = UnixPathOf(path);
  if (unix_path.empty()) GTEST_SKIP() << "not under Wine";
  {
    const auto stream = ContainerStream::Open(Utf16FromUtf8(path.string()), "rb");
    ASSERT_NE(stream, nullptr);
    ContainerState state;
    ASSERT_EQ(ReadContainerHeader(*stream, state), HeaderLoadResult::kLoaded);
    ASSERT_EQ(LinuxTruncate(unix_path, static_cast<long>(model.size() - 8)), 0);
    CountingSink sink;
    ASSERT_TRUE(ReadSlotBody(*stream, state, 0, sink));
    EXPECT_GE(sink.read_failures, 1);
    EXPECT_EQ(sink.whole_body_failures, 1);
  }
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace tarnwick
