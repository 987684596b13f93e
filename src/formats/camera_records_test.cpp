#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "formats/camera_record.h"
#include "platform/text.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

using Triple = std::array<float, 3>;

CameraRecord ReadCamera(std::u16string_view text) {
  CameraRecord camera;
  ReadCameraRecord(camera, text);
  return camera;
}

std::u16string NameOf(std::u16string_view name_line) {
  return ReadCamera(u"Camera_Start\n" + std::u16string(name_line) + u"\nCamera_End").Name;
}

TEST(CameraRecordTest, ReadsEveryKey) {
  const CameraRecord empty = ReadCamera(u"");
  EXPECT_EQ(empty.nType, 0);
  EXPECT_EQ(empty._fov, 0.0f);
  EXPECT_EQ(empty._from, Triple{});
  EXPECT_EQ(empty.Name, u"");

  const CameraRecord camera = ReadCamera(
      u"Camera_Start\nCamera_Version [1]\nCamera_nType [3]\nCamera__fov [50.5]\n"
      u"Camera_Name [Front view]\nCamera__from [1.5 -2 3]\nCamera__to [4 5 6]\n"
      u"Camera__up [0 0 1]\nCamera__fNerClipp [0.25]\nCamera_End\n");
  EXPECT_EQ(camera.nType, 3);
  EXPECT_EQ(camera._fov, 50.5f);
  EXPECT_EQ(camera.Name, u"Front view");
  EXPECT_EQ(camera._from, (Triple{1.5f, -2, 3}));
  EXPECT_EQ(camera._to, (Triple{4, 5, 6}));
  EXPECT_EQ(camera._up, (Triple{0, 0, 1}));
  EXPECT_EQ(camera._fNerClipp, 0.25f);
}

TEST(CameraRecordTest, ValueEdgeCases) {
  EXPECT_EQ(NameOf(u"Camera_Name []"), u"");
  EXPECT_EQ(NameOf(u"Camera_Name [a]]"), u"a]");
  EXPECT_EQ(NameOf(u"Camera_Name [ab"), u"ab");
  EXPECT_EQ(NameOf(u"Camera_Name [ a b ]"), u" a b ");
  EXPECT_EQ(NameOf(u"Camera_Name [ab]\r"), u"ab]\r");

  const CameraRecord camera = ReadCamera(
      u"Camera_Start\nCamera__from [1 2]\nCamera_nType [7\nCamera_nType [x]\n"
      u"Camera_nType  [3]\nCamera__up [5 y 6]\nCamera__to [8 9 10 11]\nCamera_End");
  EXPECT_EQ(camera._from, (Triple{1, 2, 0}));
  EXPECT_EQ(camera.nType, 7);
  EXPECT_EQ(camera._up, (Triple{5, 0, 0}));
  EXPECT_EQ(camera._to, (Triple{8, 9, 10}));
}

TEST(CameraRecordTest, MarkerLines) {
  EXPECT_EQ(ReadCamera(u"Camera_Start \nCamera_nType [3]\nCamera_End").nType, 0);
  EXPECT_EQ(ReadCamera(u"Camera_Start\r\nCamera_nType [3]\nCamera_End").nType, 0);
  EXPECT_EQ(ReadCamera(u"Camera_nType [3]\nCamera_Start\nCamera_End").nType, 0);
  EXPECT_EQ(ReadCamera(u"Camera_Start\nCamera_End\nCamera_nType [3]").nType, 0);
  const CameraRecord resumed = ReadCamera(
      u"Camera_Start\nCamera_nType [1]\nCamera_Name [a]\nCamera_End\nCamera_Name [b]\n"
      u"Camera_Start\nCamera_nType [2]\nCamera_End");
  EXPECT_EQ(resumed.nType, 2);
  EXPECT_EQ(resumed.Name, u"a");
}

std::u16string View(std::u16string_view lines) {
  return u"Cameras_Camera_ObjectSTART\nCamera_Start\n" + std::u16string(lines) +
         u"Camera_End\nCameras_Camera_ObjectEND\n";
}

TEST(CamerasRecordTest, ReadsViewsInOrder) {
  CameraList list;
  ReadCamerasRecord(list, u"Cameras_Start\nCameras_Version [1]\nCameras_nActCamera [-1]\n" +
                              View(u"Camera_Name [A]\nCamera__from [1 2 3]\n") +
                              View(u"Camera_Name [A]\n") +
                              u"Cameras_Camera_ObjectSTART\nCamera_Name [no start]\n"
                              u"Cameras_Camera_ObjectEND\nCameras_End\n");
  EXPECT_EQ(list.nActCamera, -1);
  ASSERT_EQ(list.cameras.size(), 3u);
  EXPECT_EQ(list.cameras[0].Name, u"A");
  EXPECT_EQ(list.cameras[0]._from, (Triple{1, 2, 3}));
  EXPECT_EQ(list.cameras[1].Name, u"A");
  EXPECT_EQ(list.cameras[1]._from, Triple{});
  EXPECT_EQ(list.cameras[2].Name, u"");

  CameraList empty;
  ReadCamerasRecord(empty, u"");
  EXPECT_TRUE(empty.cameras.empty());
  EXPECT_EQ(empty.nActCamera, 0);
}

TEST(CamerasRecordTest, NestedAndUnterminatedChildren) {
  CameraList nested;
  ReadCamerasRecord(nested,
                    u"Cameras_Start\nCameras_Camera_ObjectSTART\nCamera_Start\n"
                    u"Cameras_Camera_ObjectSTART\nCamera_Name [inner]\nCameras_Camera_ObjectEND\n"
                    u"Cameras_nActCamera [5]\nCameras_Camera_ObjectEND\nCameras_nActCamera [2]\n"
                    u"Cameras_End");
  ASSERT_EQ(nested.cameras.size(), 1u);
  EXPECT_EQ(nested.cameras[0].Name, u"inner");
  EXPECT_EQ(nested.nActCamera, 2);

  CameraList cut;
  ReadCamerasRecord(cut, u"Cameras_Start\n" + View(u"Camera_Name [A]\n") +
                             u"Cameras_Camera_ObjectSTART\nCamera_Start\nCamera_Name [B]\n"
                             u"Camera_End\nCameras_nActCamera [4]\n");
  ASSERT_EQ(cut.cameras.size(), 1u);
  EXPECT_EQ(cut.cameras[0].Name, u"A");
  EXPECT_EQ(cut.nActCamera, 0);
}

TEST(CameraFileTest, LoadsEightBitText) {
  testing::TempExchangeFolder folder;
  const auto path = [&](const char* name) { return Utf16FromUtf8(folder.PathOf(name)); };
  EXPECT_FALSE(LoadCameraFileText(path("missing.cam")).has_value());

  folder.Write("empty.cam", "");
  EXPECT_EQ(LoadCameraFileText(path("empty.cam")), u"");

  folder.Write("camera.cam", "Camera_Start\r\nCamera_Name [Caf\xE9\x80]\r\nCamera__fov [40]\r\r\n"
                             "Camera_End\r\n\r");
  const auto text = LoadCameraFileText(path("camera.cam"));
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, u"Camera_Start\nCamera_Name [Caf\u00E9\u0080]\nCamera__fov [40]\r\nCamera_End\n\r");
  const CameraRecord camera = ReadCamera(*text);
  EXPECT_EQ(camera.Name, u"Caf\u00E9\u0080");
  EXPECT_EQ(camera._fov, 40.0f);

  folder.Write("bom.cam", "\xEF\xBB\xBF" "Camera_Start\r\nCamera__fov [40]\r\nCamera_End\r\n");
  EXPECT_EQ(ReadCamera(*LoadCameraFileText(path("bom.cam")))._fov, 0.0f);

  const char with_nul[] = "Camera_Start\nCamera_Name [a\0b]\nCamera_End\n";
  folder.Write("nul.cam", std::string(with_nul, sizeof with_nul - 1));
  EXPECT_EQ(ReadCamera(*LoadCameraFileText(path("nul.cam"))).Name, std::u16string(u"a\0b", 3));
}

TEST(CameraFileTest, ReadsTheHouseSample) {
  const char* samples = std::getenv("TARNWICK_SAMPLES");
  if (!samples) GTEST_SKIP() << "TARNWICK_SAMPLES is not set";
  const std::string file = std::string(samples) + "/house/camera.cam";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << file << " is missing";
  const auto text = LoadCameraFileText(Utf16FromUtf8(file));
  ASSERT_TRUE(text.has_value());
  const CameraRecord camera = ReadCamera(*text);
  EXPECT_EQ(camera.Name, u"Current");
  EXPECT_EQ(camera._fov, 50.0f);
  EXPECT_EQ(camera._from, (Triple{1, 2, 3}));
  EXPECT_EQ(camera._to, (Triple{4, 5, 6}));
  EXPECT_EQ(camera._up, (Triple{0, 0, 1}));
  EXPECT_EQ(camera._fNerClipp, 0.25f);
}

}  // namespace
}  // namespace tarnwick
