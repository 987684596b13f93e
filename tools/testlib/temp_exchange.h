// A fresh exchange folder for a test: APPDATA points at a new temporary
// directory, the folder below it exists, and every process-wide cache of the
// exchange layer (folder, log rotation flags, fake registry) starts empty.
#pragma once

#include <string>
#include <vector>

namespace tarnwick::testing {

// A temporary directory that is removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory's native path.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// An exchange folder under a temporary APPDATA.
class TempExchangeFolder {
 public:
  // create_folder false leaves the Data folder missing on disk.
  explicit TempExchangeFolder(bool create_folder = true);
  ~TempExchangeFolder();

  // APPDATA as set for the test.
  const std::string& appdata() const { return dir_.path(); }
  // The Data folder's native path.
  const std::string& native_folder() const { return folder_; }
  // The exchange folder text the program resolves.
  std::u16string folder_text() const;
  // Native path of a file in the folder.
  std::string PathOf(const std::string& name) const;
  // Whole content of a file in the folder ("" when missing).
  std::string Read(const std::string& name) const;
  // Writes a file in the folder.
  void Write(const std::string& name, const std::string& bytes) const;
  // The log's messages in order, without their time stamps and line ends.
  std::vector<std::string> LogMessages() const;
  // Whether a file exists in the folder.
  bool Exists(const std::string& name) const;

 private:
  TempDir dir_;
  std::string folder_;
};

// Native file helpers for tests.
std::string ReadNativeFile(const std::string& path);
void WriteNativeFile(const std::string& path, const std::string& bytes);
// The bytes a text-mode write of the text leaves in a file: every LF preceded by a CR.
std::string WithCrLf(const std::string& text);

}  // namespace tarnwick::testing
