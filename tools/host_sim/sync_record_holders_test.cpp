// The sync record while other programs hold it, under Wine: the host's plug-in
// reading it with fopen("r") or std::ifstream (sharing reading and writing), an
// indexer or a virus scanner (sharing deletion too). Windows refuses to replace
// a file that any other handle holds open (MoveFileExW with
// MOVEFILE_REPLACE_EXISTING fails with access denied); Wine 8 refuses it as
// well, which the first test checks before it relies on it, so the bridge's
// way round it runs here as it does on Windows.
#include "host_sim/live_bridge.h"

#include <string>

#include "protocol/protocol.h"

namespace tarnwick::host_sim {
using namespace protocol;
namespace {

using test_host::PumpMessagesFor;
using test_host::PumpUntil;
using test_host::Wide;

constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The bridge tries the replace again for about a second before it writes in place.
constexpr DWORD kRecordWrittenMs = 8000;
// Enough for the bridge to have answered, had it answered.
constexpr DWORD kWouldHaveAnsweredMs = 3000;

// A handle on a file as another program holds it; closed with the object.
class Held {
 public:
  Held(const std::filesystem::path& path, DWORD access, DWORD share, DWORD disposition)
      : handle_(CreateFileW(path.c_str(), access, share, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~Held() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

  bool open() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE handle() const { return handle_; }
  // The file from its start as this handle reads it now.
  std::string ReadAll() const {
    std::string bytes(1 << 16, '\0');
    DWORD got = 0;
    OVERLAPPED at{};
    if (!ReadFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &got, &at)) got = 0;
    bytes.resize(got);
    return bytes;
  }

 private:
  HANDLE handle_;
};

class SyncRecordHolders : public LiveBridge {
 protected:
  void SetUp() override {
    LiveBridge::SetUp();
    ASSERT_TRUE(StartServed(L"cameraSync", "D5API_SendCurrentActiveCamera"));
  }

  std::filesystem::path Record() const { return files_.PathOf(Wide(kSyncRecordFile)); }

  // True when another file may replace the record now, as the bridge replaces it.
  bool ReplaceableWhileHeld() const {
    const std::filesystem::path probe = files_.PathOf(L"probe.sync");
    if (!WriteWholeFile(probe, "probe")) return false;
    const bool moved = MoveFileExW(probe.c_str(), Record().c_str(), MOVEFILE_REPLACE_EXISTING);
    DeleteFileW(probe.c_str());
    return moved;
  }

  // Asks for the first step of a model sync; true once the host has been told to read.
  bool SyncAnswered(DWORD within_ms) {
    const int before = sync_ready_;
    Post({MSG_MODEL_SYNC_PREPARE});
    return PumpUntil([&] { return sync_ready_ > before; }, within_ms);
  }

  bool LogHas(const std::string& message) const {
    for (const std::string& line : Log()) {
      if (line.starts_with(message)) return true;
    }
    return false;
  }
};

// An older record, longer than the house's: the one written in place must be cut.
std::string LongOldRecord() { return "SourceProject: [old]\r\n" + std::string(2000, 'o') + "\r\n"; }

TEST_F(SyncRecordHolders, AReaderThatSharesWritingGetsAWholeRecordAnnounced) {
  const std::string expected = HouseSample(L"expected_mod.sync");
  ASSERT_FALSE(expected.empty());
  for (const DWORD share : {kShareReadWrite, kShareAll}) {
    ASSERT_TRUE(files_.Write(Wide(kSyncRecordFile), LongOldRecord()));
    const Held reader(Record(), GENERIC_READ, share, OPEN_EXISTING);
    ASSERT_TRUE(reader.open()) << GetLastError();
    EXPECT_FALSE(ReplaceableWhileHeld()) << "Wine let a held file be replaced";
    ASSERT_TRUE(SyncAnswered(kRecordWrittenMs)) << "no 1137 with share " << share;
    // The reader's own handle sees the new record: it was written in place, whole and cut.
    EXPECT_EQ(reader.ReadAll(), expected) << share;
    EXPECT_EQ(files_.Read(Wide(kSyncRecordFile)).value_or(""), expected) << share;
  }
  EXPECT_FALSE(files_.Exists(L"_mod.sync.tmp"));
  EXPECT_FALSE(LogHas("Sync Record Error"));
  // Let go, the record is replaced again in one step.
  ASSERT_TRUE(files_.Write(Wide(kSyncRecordFile), LongOldRecord()));
  ASSERT_TRUE(SyncAnswered(kRecordWrittenMs));
  EXPECT_EQ(files_.Read(Wide(kSyncRecordFile)).value_or(""), expected);
}

// A program that shares only reading forbids the write in place as well: then, and only
// then, the host is not told, and the log says what stopped it and why it was in place.
TEST_F(SyncRecordHolders, AReaderThatForbidsWritingWithholdsTheAnswer) {
  ASSERT_TRUE(files_.Write(Wide(kSyncRecordFile), LongOldRecord()));
  {
    const Held reader(Record(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_TRUE(reader.open()) << GetLastError();
    EXPECT_FALSE(SyncAnswered(kWouldHaveAnsweredMs));
  }
  EXPECT_TRUE(LogHas("Sync Record Error: cannot open ")) << ::testing::PrintToString(Log());
  for (const std::string& line : Log()) {
    if (!line.starts_with("Sync Record Error: ")) continue;
    EXPECT_NE(line.find(": another program holds it (system error 32) (in place, after: "
                        "cannot replace "),
              std::string::npos) << line;
  }
  EXPECT_FALSE(files_.Exists(L"_mod.sync.tmp"));
  ASSERT_TRUE(SyncAnswered(kRecordWrittenMs)) << "the next request is answered";
  EXPECT_EQ(files_.Read(Wide(kSyncRecordFile)).value_or(""), HouseSample(L"expected_mod.sync"));
}

// A temporary record left by a crash that cannot be made again never stops the record.
// On Windows the usual case is the one the bridge removed last time while a scanner held
// it: it stays, marked for deletion, until the scanner lets go, and CreateFile fails on it
// with access denied. Wine opens such a file again, so here the scanner shares only
// reading, which forbids the new temporary record on Windows and Wine alike.
TEST_F(SyncRecordHolders, ATemporaryRecordThatCannotBeMadeNeverStopsTheRecord) {
  ASSERT_TRUE(files_.Write(Wide(kSyncRecordFile), LongOldRecord()));
  ASSERT_TRUE(files_.Write(L"_mod.sync.tmp", "left by a crash"));
  const Held scanner(files_.PathOf(L"_mod.sync.tmp"), GENERIC_READ, FILE_SHARE_READ,
                     OPEN_EXISTING);
  ASSERT_TRUE(scanner.open()) << GetLastError();
  ASSERT_TRUE(SyncAnswered(kRecordWrittenMs));
  EXPECT_EQ(files_.Read(Wide(kSyncRecordFile)).value_or(""), HouseSample(L"expected_mod.sync"));
  EXPECT_FALSE(LogHas("Sync Record Error"));
}

}  // namespace
}  // namespace tarnwick::host_sim
