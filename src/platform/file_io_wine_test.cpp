// The Windows file layer under Wine: files are shared with every other process
// (reading, writing, renaming and deleting), the stdio modes mean what they
// mean in the C runtime, and long paths are reached through their prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/file_io.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

class FileIoWineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Wine reuses process ids, and a long folder left by an earlier run may stay behind.
    folder_ = fs::temp_directory_path() / ("tarnwick-io-" + std::to_string(GetCurrentProcessId()) +
                                           "-" + std::to_string(GetTickCount64()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  std::u16string PathOf(const std::wstring& name) const {
    const std::wstring wide = (folder_ / name).wstring();
    return std::u16string(wide.begin(), wide.end());
  }
  static std::wstring Wide(const std::u16string& path) { return std::wstring(path.begin(), path.end()); }
  static void Put(const std::u16string& path, const std::string& bytes) {
    std::FILE* file = OpenFile(path, "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(WriteFileBytes(file, bytes.data(), bytes.size()));
    ASSERT_TRUE(CloseFile(file));
  }
  static std::string Get(const std::u16string& path) {
    std::FILE* file = OpenFile(path, "rb");
    if (!file) return "<missing>";
    std::string bytes(4096, '\0');
    std::size_t n = 0;
    ReadFileBytes(file, bytes.data(), bytes.size(), n);
    CloseFile(file);
    bytes.resize(n);
    return bytes;
  }
  fs::path folder_;
};

// While the program holds the host's file, the host can still write it and
// delete it (to write a new one in its place).
TEST_F(FileIoWineTest, AHeldFileStaysOpenToOthers) {
  const std::u16string path = PathOf(L"_mod.sm");
  Put(path, "old");
  std::FILE* held = OpenFile(path, "rb");
  ASSERT_NE(held, nullptr);
  const HANDLE writer = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE) << GetLastError();
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  EXPECT_TRUE(DeleteFileW(Wide(path).c_str())) << GetLastError();
  EXPECT_TRUE(CloseFile(held));
}

TEST_F(FileIoWineTest, ModesCreateTruncateAppendAndKeep) {
  const std::u16string path = PathOf(L"D5_Log.log");
  Put(path, "abc");
  std::FILE* exclusive = OpenFile(path, "wbx");
  EXPECT_EQ(exclusive, nullptr);
  if (exclusive) CloseFile(exclusive);
  std::FILE* append = OpenFile(path, "ab");
  ASSERT_NE(append, nullptr);
  ASSERT_TRUE(SeekFile(append, 0, SEEK_SET));
  ASSERT_TRUE(WriteTextModeBytes(append, "d\n"));
  ASSERT_TRUE(CloseFile(append));
  EXPECT_EQ(Get(path), "abcd\r\n");  // binary: no second CR from the runtime
  std::FILE* update = OpenFile(path, "rb+");
  ASSERT_NE(update, nullptr);
  ASSERT_TRUE(WriteFileBytes(update, "X", 1));
  ASSERT_TRUE(CloseFile(update));
  EXPECT_EQ(Get(path), "Xbcd\r\n");
  Put(path, "");
  EXPECT_EQ(Get(path), "");
  EXPECT_EQ(OpenFile(PathOf(L"missing"), "rb"), nullptr);
  EXPECT_EQ(OpenFile(PathOf(L"missing\\x"), "wb"), nullptr);
}

// Windows refuses to replace a file that another handle holds open, whatever that handle
// shares (Wine too): the refusal is told apart from other failures, and the held file can
// still be written in place and cut short.
TEST_F(FileIoWineTest, AReplaceIsRefusedWhileTheTargetIsHeld) {
  const std::u16string record = PathOf(L"_mod.sync");
  const std::u16string temporary = PathOf(L"_mod.sync.tmp");
  Put(record, "older record");
  Put(temporary, "new");
  const HANDLE reader = CreateFileW(Wide(record).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_EQ(MoveFileReplacing(temporary, record), MoveResult::kRefused);
  std::FILE* in_place = OpenFile(record, "rb+");
  ASSERT_NE(in_place, nullptr);
  EXPECT_TRUE(WriteFileBytes(in_place, "in place", 8));
  EXPECT_TRUE(CutFileHere(in_place));
  EXPECT_TRUE(CloseFile(in_place));
  EXPECT_EQ(Get(record), "in place");
  CloseHandle(reader);
  EXPECT_EQ(MoveFileReplacing(temporary, record), MoveResult::kMoved);
  EXPECT_EQ(Get(record), "new");
  EXPECT_EQ(MoveFileReplacing(PathOf(L"missing"), record), MoveResult::kFailed);
}

// Each failure says why, from the system's number; a file is made longer, never shorter, with
// its room taken now and its position kept.
TEST_F(FileIoWineTest, FailuresSayWhyAndAFileIsMadeLongFirst) {
  EXPECT_EQ(OpenFile(PathOf(L"missing"), "rb"), nullptr);
  EXPECT_EQ(LastFileFailure().error, FileError::kNotFound);
  EXPECT_EQ(LastFileFailure().system_code, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(OpenFile(PathOf(L"missing\\x"), "wb"), nullptr);
  EXPECT_EQ(LastFileFailure().error, FileError::kNotFound);
  const std::u16string path = PathOf(L"_mod.sync");
  Put(path, "abc");
  {
    const HANDLE exclusive = CreateFileW(Wide(path).c_str(), GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_EQ(OpenFile(path, "rb+"), nullptr);
    EXPECT_EQ(LastFileFailure().error, FileError::kRefused);
    EXPECT_EQ(DescribeFileFailure(LastFileFailure()), "another program holds it (system error 32)");
    CloseHandle(exclusive);
  }
  std::FILE* file = OpenFile(path, "rb+");
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(SeekFile(file, 1, SEEK_SET));
  EXPECT_TRUE(ExtendFile(file, 70000));
  EXPECT_EQ(TellFile(file), 1);
  EXPECT_TRUE(ExtendFile(file, 2));
  ASSERT_TRUE(WriteFileBytes(file, "B", 1));
  ASSERT_TRUE(CloseFile(file));
  const HANDLE reader = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size{};
  EXPECT_TRUE(GetFileSizeEx(reader, &size));
  EXPECT_EQ(size.QuadPart, 70000);
  CloseHandle(reader);
  EXPECT_EQ(Get(path).substr(0, 3), "aBc");
}

// Windows refuses to open a folder as a file (CreateFileW without backup semantics fails
// with access denied); Wine opens it for reading. Either way no mode opens one.
TEST_F(FileIoWineTest, AFolderIsNeverOpenedAsAFile) {
  std::u16string deep = PathOf(L"");
  while (deep.size() < 300) {
    deep += u"Corvella2026_D5Plugin_Data\\";
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Wide(deep)).c_str(), nullptr)) << GetLastError();
  }
  for (const std::u16string& path : {PathOf(L"_model.cvm"), deep + u"_model.cvm"}) {
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Wide(path)).c_str(), nullptr)) << GetLastError();
    for (const char* mode : {"rb", "rb+", "wb+x", "wb", "ab"}) {
      std::FILE* file = OpenFile(path, mode);
      EXPECT_EQ(file, nullptr) << mode << " " << path.size();
      if (file) CloseFile(file);
    }
  }
  EXPECT_TRUE(fs::is_directory(folder_ / L"_model.cvm"));
}

// A roaming profile deep enough that the exchange folder passes 260 characters:
// every call reaches it through the extended-length form.
TEST_F(FileIoWineTest, LongPathsAreReached) {
  std::u16string deep = PathOf(L"");
  while (deep.size() < 300) {
    deep += u"Corvella2026_D5Plugin_Data\\";
    const bool made = CreateDirectoryW((L"\\\\?\\" + Wide(deep)).c_str(), nullptr) != 0;
    ASSERT_TRUE(made || GetLastError() == ERROR_ALREADY_EXISTS) << GetLastError();
  }
  const std::u16string path = deep + u"_mod.sync";
  Put(path, "SourceProject: []\r\n");
  EXPECT_EQ(Get(path), "SourceProject: []\r\n");
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(MoveFileReplacing(path, deep + u"moved"), MoveResult::kMoved);
  EXPECT_TRUE(CopyFileNoOverwrite(deep + u"moved", path));
  EXPECT_FALSE(CopyFileNoOverwrite(deep + u"moved", path));
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_FALSE(FileExists(path));
}

}  // namespace
}  // namespace tarnwick
