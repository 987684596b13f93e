#include <gtest/gtest.h>

#include <fcntl.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "container_writer/container_writer.h"
#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "platform/text.h"
#include "testlib/recording_sink.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

namespace cw = container_writer;

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

class ContainerHeaderTest : public ::testing::Test {
 protected:
  void SetUp() override { document_.ContainerPath = Utf16FromUtf8(folder_.PathOf("_model.cvm")); }
  HeaderLoadResult Load(const std::string& bytes) {
    folder_.Write("_model.cvm", bytes);
    return LoadContainerHeader(document_);
  }
  static cw::Container HeaderOnly(std::uint32_t version, std::uint32_t directory_end) {
    cw::Container container;
    container.format_version = version;
    container.directory_end = directory_end;
    return container;
  }
  testing::TempExchangeFolder folder_;
  ContainerState document_;
};

TEST_F(ContainerHeaderTest, ResultCodesOfHeaderOnlyFiles) {
  EXPECT_EQ(Load(cw::BuildContainer(HeaderOnly(7, 208644))), HeaderLoadResult::kLoaded);
  EXPECT_EQ(document_.LastSlotIndex, -1);
  EXPECT_EQ(document_.HeaderName, u"Corvella");
  EXPECT_TRUE(document_.ContainerFile);  // a bare load leaves the file open
  EXPECT_EQ(Load(cw::BuildContainer(HeaderOnly(8, 208644))), HeaderLoadResult::kLoaded);
  EXPECT_EQ(document_.FormatVersion, 8u);
  // A header the bridge refuses does not keep the host's file open.
  EXPECT_EQ(Load(cw::BuildContainer(HeaderOnly(6, 208644))), HeaderLoadResult::kVersionUnsupported);
  EXPECT_FALSE(document_.ContainerFile);
  EXPECT_EQ(Load(cw::BuildContainer(HeaderOnly(7, 208643))), HeaderLoadResult::kFormatError);
  EXPECT_EQ(document_.DirectoryEnd, 208643u);
  EXPECT_FALSE(document_.ContainerFile);
  EXPECT_EQ(Load(cw::BuildContainer(HeaderOnly(0xFFFFFFFF, 208644))), HeaderLoadResult::kLoaded);
}

// A folder of the model's or the update's name is no file: it is not found, and nothing is
// written into it or in its place.
TEST_F(ContainerHeaderTest, AFolderInTheFilesPlaceIsNotFound) {
  for (const char* name : {"_model.cvm", "_mod.sm"}) {
    std::filesystem::create_directory(folder_.PathOf(name));
    document_.ContainerPath = Utf16FromUtf8(folder_.PathOf(name));
    EXPECT_EQ(LoadContainerHeader(document_), HeaderLoadResult::kFileNotFound) << name;
    EXPECT_FALSE(document_.ContainerFile);
    EXPECT_TRUE(std::filesystem::is_empty(folder_.PathOf(name))) << name;
  }
}

// The access mode of the descriptor that this process holds on `path`, from
// /proc; nothing when the process holds none.
std::optional<int> OpenAccessMode(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path target = fs::canonical(path);
  for (const fs::directory_entry& fd : fs::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    if (fs::read_symlink(fd.path(), ec) != target) continue;
    std::ifstream info("/proc/self/fdinfo/" + fd.path().filename().string());
    for (std::string key; info >> key;) {
      std::string value;
      info >> value;
      if (key == "flags:") return static_cast<int>(std::stol(value, nullptr, 8)) & O_ACCMODE;
    }
  }
  return std::nullopt;
}

// The host must be able to write its file while the bridge holds it: only the
// moment of the blank header opens it for writing.
TEST_F(ContainerHeaderTest, TheFileIsHeldReadOnly) {
  EXPECT_EQ(Load(cw::BuildContainer(HeaderOnly(7, 208644))), HeaderLoadResult::kLoaded);
  EXPECT_EQ(OpenAccessMode(folder_.PathOf("_model.cvm")), O_RDONLY);
  // A refused header is not held at all.
  EXPECT_EQ(Load(cw::BuildContainer(HeaderOnly(6, 208644))), HeaderLoadResult::kVersionUnsupported);
  EXPECT_EQ(OpenAccessMode(folder_.PathOf("_model.cvm")), std::nullopt);
  EXPECT_EQ(Load(""), HeaderLoadResult::kFormatError);
  EXPECT_EQ(folder_.Read("_model.cvm").size(), 208644u);
  EXPECT_EQ(OpenAccessMode(folder_.PathOf("_model.cvm")), std::nullopt);
}

TEST_F(ContainerHeaderTest, MissingFileGetsTheFreshDocumentsBlankHeader) {
  EXPECT_EQ(LoadContainerHeader(document_), HeaderLoadResult::kFormatError);
  EXPECT_FALSE(document_.ContainerFile);
  const std::string bytes = folder_.Read("_model.cvm");
  ASSERT_EQ(bytes.size(), 208644u);
  EXPECT_EQ(U32At(bytes, 0), 7u);
  EXPECT_EQ(U32At(bytes, 4), 208644u);
  EXPECT_EQ(U32At(bytes, 8), 1u);
  EXPECT_EQ(U32At(bytes, 12), 0u);
  EXPECT_EQ(bytes.find_first_not_of('\0', 16), std::string::npos);  // name, index 0, slots
  EXPECT_EQ(document_.DirectoryEnd, 208644u);
  // The blank header now loads.
  EXPECT_EQ(LoadContainerHeader(document_), HeaderLoadResult::kLoaded);
  EXPECT_EQ(document_.LastSlotIndex, 0);
}

TEST_F(ContainerHeaderTest, EmptyFileGetsABlankHeaderButAShortFileIsLeftAlone) {
  EXPECT_EQ(Load(""), HeaderLoadResult::kFormatError);
  EXPECT_EQ(folder_.Read("_model.cvm").size(), 208644u);
  const std::string host_bytes(208643, 'x');
  EXPECT_EQ(Load(host_bytes), HeaderLoadResult::kFormatError);
  EXPECT_FALSE(document_.ContainerFile);
  EXPECT_EQ(folder_.Read("_model.cvm"), host_bytes);
  EXPECT_EQ(Load("\x07"), HeaderLoadResult::kFormatError);
  EXPECT_EQ(folder_.Read("_model.cvm"), "\x07");
}

TEST(ContainerHeaderLoadTest, MissingFolderIsFileNotFound) {
  testing::TempExchangeFolder no_folder(false);
  ContainerState document;
  document.ContainerPath = Utf16FromUtf8(no_folder.PathOf("_model.cvm"));
  EXPECT_EQ(LoadContainerHeader(document), HeaderLoadResult::kFileNotFound);
  EXPECT_FALSE(document.ContainerFile);
}

TEST_F(ContainerHeaderTest, OldVersionKeepsTheEarlierHeaderAndABlankHeaderRepeatsIt) {
  cw::Container first = cw::ModelFile(u"C:\\A.pro", cw::ModelBody{});
  first.header_name = u"First";
  ASSERT_EQ(Load(cw::BuildContainer(first)), HeaderLoadResult::kLoaded);
  cw::Container old = cw::ModelFile(u"C:\\B.pro", cw::ModelBody{});
  old.format_version = 6;
  old.header_name = u"Old";
  old.slots.resize(3);
  EXPECT_EQ(Load(cw::BuildContainer(old)), HeaderLoadResult::kVersionUnsupported);
  EXPECT_EQ(document_.FormatVersion, 6u);
  EXPECT_EQ(SlotName(document_.Slots[0]), u"C:\\A.pro");
  EXPECT_EQ(document_.HeaderName, u"First");
  EXPECT_EQ(document_.LastSlotIndex, 0);

  CloseContainer(document_);
  ASSERT_EQ(std::remove(folder_.PathOf("_model.cvm").c_str()), 0);
  EXPECT_EQ(LoadContainerHeader(document_), HeaderLoadResult::kFormatError);
  const std::string blank = folder_.Read("_model.cvm");
  ASSERT_EQ(blank.size(), 208644u);
  EXPECT_EQ(U32At(blank, 0), 7u);
  EXPECT_EQ(U32At(blank, 12), 5u);
  EXPECT_EQ(blank.substr(16, 12), std::string("F\0i\0r\0s\0t\0\0\0", 12));
  EXPECT_EQ(U32At(blank, 1044 + 2056), 2u);
  EXPECT_EQ(U32At(blank, 1044 + 2060), 208644u);
  EXPECT_EQ(blank.substr(1044, 4), std::string("C\0:\0", 4));
}

TEST_F(ContainerHeaderTest, SlotsThatAreNotStreamed) {
  cw::ModelBody body;
  body.solids.push_back(cw::Solid{1, 0, u"", {}, false});
  cw::Container none = cw::ModelFile(u"C:\\A.pro", body);
  none.last_slot_index = -1;
  Load(cw::BuildContainer(none));
  testing::RecordingSink sink;
  EXPECT_FALSE(StreamModelSlot(document_, 0, sink));
  EXPECT_TRUE(sink.events.empty());
  EXPECT_FALSE(document_.ContainerFile);

  cw::Container other_kind = cw::ModelFile(u"C:\\A.pro", body);
  other_kind.slots[0].kind = 3;
  folder_.Write("_model.cvm", cw::BuildContainer(other_kind));
  EXPECT_FALSE(StreamModelSlot(document_, 0, sink));
  EXPECT_FALSE(StreamModelSlot(document_, 1, sink));  // beyond LastSlotIndex 0
  EXPECT_FALSE(StreamModelSlot(document_, -1, sink));
  EXPECT_TRUE(sink.events.empty());
  EXPECT_FALSE(document_.ContainerFile);

  folder_.Write("_model.cvm", cw::BuildContainer(cw::ModelFile(u"C:\\A.pro", body)));
  EXPECT_TRUE(StreamModelSlot(document_, 0, sink));
  EXPECT_EQ(sink.events, (std::vector<std::string>{"solid", "end"}));
  EXPECT_FALSE(document_.ContainerFile);
}

}  // namespace
}  // namespace tarnwick
