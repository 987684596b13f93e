#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/named_lock.h"
#include "platform/text.h"

namespace tarnwick {

namespace {

// How often a waiting process tries the lock again.
constexpr auto kRetryInterval = std::chrono::milliseconds(1);
constexpr char kFallbackTempFolder[] = "/tmp";
constexpr char kLockFileSuffix[] = ".lock";
// Every user's processes may open the file of another user's: it is only read.
constexpr mode_t kLockFileMode = 0644;

// The lock file only carries the lock: it lives in the temporary folder, never
// in the exchange folder, and holds no data.
std::string LockFilePath(const std::u16string& name) {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = tmp != nullptr && *tmp != '\0' ? tmp : kFallbackTempFolder;
  std::string file = Utf8FromUtf16(name);
  for (char& c : file) {
    if (c == '/' || c == '\\') c = '_';
  }
  return folder + "/" + file + kLockFileSuffix;
}

}  // namespace

NamedLock::NamedLock(const std::u16string& name, std::uint32_t timeout_ms) {
  const int fd = open(LockFilePath(name).c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, kLockFileMode);
  if (fd < 0) return;
  handle_ = fd;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
      owned_ = true;
      return;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) return;
    if (std::chrono::steady_clock::now() >= deadline) return;
    std::this_thread::sleep_for(kRetryInterval);
  }
}

NamedLock::~NamedLock() {
  if (handle_ < 0) return;
  const int fd = static_cast<int>(handle_);
  if (owned_) flock(fd, LOCK_UN);
  close(fd);
}

}  // namespace tarnwick
