#include "testlib/temp_exchange.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "exchange/exchange_folder.h"
#include "exchange/log_file.h"
#include "platform/environment.h"
#include "platform/text.h"

namespace tarnwick::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "tarnwick-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

namespace {

void ResetExchangeState() {
  ResetExchangeFolderCache();
  ResetLogRotationFlags();
  ClearFakeRegistry();
}

}  // namespace

TempExchangeFolder::TempExchangeFolder(bool create_folder) {
  folder_ = dir_.path() + "/Brevane/Corvella2026_D5Plugin/Data";
  if (create_folder) fs::create_directories(folder_);
  setenv("APPDATA", dir_.path().c_str(), 1);
  ResetExchangeState();
}

TempExchangeFolder::~TempExchangeFolder() {
  unsetenv("APPDATA");
  ResetExchangeState();
}

std::u16string TempExchangeFolder::folder_text() const {
  return Utf16FromUtf8(dir_.path() + "\\Brevane\\Corvella2026_D5Plugin\\Data");
}

std::vector<std::string> TempExchangeFolder::LogMessages() const {
  std::vector<std::string> messages;
  const std::string log = Read("D5_Log.log");
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    std::string line = log.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t frame = line.find("]: ");
    messages.push_back(frame == std::string::npos ? line : line.substr(frame + 3));
    start = end + 1;
  }
  return messages;
}

std::string TempExchangeFolder::PathOf(const std::string& name) const {
  return folder_ + "/" + name;
}

std::string TempExchangeFolder::Read(const std::string& name) const {
  return ReadNativeFile(PathOf(name));
}

void TempExchangeFolder::Write(const std::string& name, const std::string& bytes) const {
  WriteNativeFile(PathOf(name), bytes);
}

bool TempExchangeFolder::Exists(const std::string& name) const {
  return fs::exists(PathOf(name));
}

std::string ReadNativeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteNativeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace tarnwick::testing
