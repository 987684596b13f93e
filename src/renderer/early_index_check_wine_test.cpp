// The early check under Windows, where a new thread first passes through the
// loader's lock: the check must run beside a caller that goes on to load the
// window libraries, which holds that lock for tens of milliseconds.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "container_writer/container_writer.h"
#include "formats/container_stream.h"
#include "platform/text.h"
#include "renderer/early_index_check.h"

// The loader's lock, as LoadLibrary holds it (ntdll).
extern "C" NTSTATUS NTAPI LdrLockLoaderLock(ULONG flags, ULONG* disposition, ULONG_PTR* cookie);
extern "C" NTSTATUS NTAPI LdrUnlockLoaderLock(ULONG flags, ULONG_PTR cookie);

namespace tarnwick {
namespace {

namespace cw = container_writer;

// How long the test holds the lock while it waits for the checks to begin.
constexpr int kWaitSteps = 200;
constexpr DWORD kStepMs = 10;

std::filesystem::path WriteModel() {
  const std::vector<float> square = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
  cw::ModelBody body;
  body.solids = {{1, 0, u"", {{u"part", square, {}, {}, {0, 1, 2, 2, 3, 0}, {}, false}}, false}};
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("early_check_" + std::to_string(GetCurrentProcessId()) + ".cvm");
  std::ofstream(path, std::ios::binary) << cw::BuildContainer(cw::ModelFile(u"C:\\p.cvp", body));
  return path;
}

TEST(EarlyIndexCheckUnderWindows, ChecksWhileTheCallerHoldsTheLoadersLock) {
  const std::filesystem::path model = WriteModel();
  const std::u16string path = Utf16FromUtf8(model.string());
  const FileStamp stamp = *ContainerStream::Open(path, "rb")->Stamp();
  bool begun = false;
  {
    EarlyIndexCheck early(path);
    ULONG_PTR cookie = 0;
    ASSERT_EQ(LdrLockLoaderLock(0, nullptr, &cookie), 0);
    for (int i = 0; i < kWaitSteps && !begun; ++i) {
      begun = early.results().MadeOn(stamp);
      Sleep(kStepMs);
    }
    LdrUnlockLoaderLock(0, cookie);
  }
  std::filesystem::remove(model);
  EXPECT_TRUE(begun) << "the checks waited for the loader's lock";
}

}  // namespace
}  // namespace tarnwick
