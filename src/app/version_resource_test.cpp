// The shipped programs in the build's bin folder, as Windows shows them: the
// version resource (File Properties, Details) and the embedded application
// manifest that the loader reads.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tarnwick_version.h"

namespace {

namespace fs = std::filesystem;

// The language and code page block of the string table: US English, Unicode.
constexpr wchar_t kStringBlock[] = L"\\StringFileInfo\\040904B0\\";

fs::path BesideMe(const std::wstring& name) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path() / name;
}

// The file names of the shipped programs of this build, from CMake.
std::vector<std::wstring> ShippedFiles() {
  std::vector<std::wstring> files;
  std::wstringstream list(TARNWICK_SHIPPED_FILES_W);
  for (std::wstring name; std::getline(list, name, L',');) files.push_back(name);
  return files;
}

// A program's version resource, read the way Explorer reads it.
class VersionInfo {
 public:
  explicit VersionInfo(const fs::path& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return;
    data_.resize(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, data_.data())) data_.clear();
  }
  bool present() const { return !data_.empty(); }

  const VS_FIXEDFILEINFO* Fixed() const {
    void* block = nullptr;
    UINT length = 0;
    if (!present() || !VerQueryValueW(data_.data(), L"\\", &block, &length)) return nullptr;
    return length >= sizeof(VS_FIXEDFILEINFO) ? static_cast<VS_FIXEDFILEINFO*>(block) : nullptr;
  }

  // A value of the string table; nullopt when the entry is missing.
  std::optional<std::wstring> Text(const std::wstring& key) const {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = kStringBlock + key;
    if (!present() || !VerQueryValueW(data_.data(), path.c_str(), &value, &length)) {
      return std::nullopt;
    }
    const auto* text = static_cast<const wchar_t*>(value);
    return length == 0 ? std::wstring() : std::wstring(text);
  }

 private:
  std::vector<unsigned char> data_;
};

// The manifest resource the loader applies at process creation (RT_MANIFEST 1).
std::optional<std::string> Manifest(const fs::path& file) {
  HMODULE module = LoadLibraryExW(file.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (module == nullptr) return std::nullopt;
  std::optional<std::string> text;
  if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
    const void* bytes = LockResource(LoadResource(module, found));
    if (bytes != nullptr) {
      text.emplace(static_cast<const char*>(bytes), SizeofResource(module, found));
    }
  }
  FreeLibrary(module);
  return text;
}

std::wstring WideVersion() {
  const std::string narrow = tarnwick::kVersion;
  return std::wstring(narrow.begin(), narrow.end());
}

TEST(ShippedPrograms, CarryTheProjectVersionAndNames) {
  ASSERT_FALSE(ShippedFiles().empty());
  for (const std::wstring& name : ShippedFiles()) {
    SCOPED_TRACE(fs::path(name).string());
    const VersionInfo info(BesideMe(name));
    ASSERT_TRUE(info.present()) << "no version resource";
    const VS_FIXEDFILEINFO* fixed = info.Fixed();
    ASSERT_NE(fixed, nullptr);
    const DWORD major_minor = MAKELONG(tarnwick::kVersionMinor, tarnwick::kVersionMajor);
    const DWORD patch_build = MAKELONG(0, tarnwick::kVersionPatch);
    EXPECT_EQ(fixed->dwFileVersionMS, major_minor);
    EXPECT_EQ(fixed->dwFileVersionLS, patch_build);
    EXPECT_EQ(fixed->dwProductVersionMS, major_minor);
    EXPECT_EQ(fixed->dwProductVersionLS, patch_build);
    EXPECT_EQ(info.Text(L"ProductName"), L"Tarnwick");
    EXPECT_EQ(info.Text(L"FileVersion"), WideVersion());
    EXPECT_EQ(info.Text(L"ProductVersion"), WideVersion());
    EXPECT_EQ(info.Text(L"OriginalFilename"), name);
    EXPECT_EQ(info.Text(L"CompanyName"), L"");
    EXPECT_FALSE(info.Text(L"FileDescription").value_or(L"").empty());
  }
}

TEST(ShippedPrograms, EmbedTheApplicationManifest) {
  for (const std::wstring& name : ShippedFiles()) {
    SCOPED_TRACE(fs::path(name).string());
    const std::optional<std::string> manifest = Manifest(BesideMe(name));
    ASSERT_TRUE(manifest.has_value()) << "no manifest resource 1";
    EXPECT_NE(manifest->find("level=\"asInvoker\""), std::string::npos);
    // The one supportedOS identifier of Windows 10 and Windows 11.
    EXPECT_NE(manifest->find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);
    EXPECT_NE(manifest->find("WindowsSettings\">true</longPathAware>"), std::string::npos);
    EXPECT_NE(manifest->find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
  }
}

}  // namespace
