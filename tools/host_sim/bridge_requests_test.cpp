// Tarnwick.exe end to end under Wine, driven by the host simulator: the start-up
// export, every request the host makes, forwarding, and the bridge's end.
#include <algorithm>

#include "host_sim/demo_model.h"
#include "host_sim/demo_shapes.h"
#include "host_sim/e2e_support.h"
#include "host_sim/wide_text.h"

namespace tarnwick::host_sim {
namespace {

namespace cw = container_writer;

constexpr char kDemoFiles[] = R"(
write _model.cvm demo-model
write camera.cam demo-camera
write Views.cam demo-views
)";

const cw::ModelBody& DemoBody() {
  static const cw::Container model = DemoModel();
  return std::get<cw::ModelBody>(model.slots[0].body);
}

std::size_t DemoTriangles() {
  std::size_t triangles = 0;
  for (const cw::Solid& solid : DemoBody().solids) {
    for (const cw::Part& part : solid.parts) triangles += TriangleCount(part);
  }
  return triangles;
}

TEST(BridgeRequests, StartupExportOfARealModelThenTheCommandLineRequest) {
  HostSimulator host(Quietly());
  ASSERT_TRUE(Ran(host, std::string(kDemoFiles) + "start cameraSync\nclose-host\nwait-end 3000\n"));
  const std::vector<std::string>& journal = host.Journal();
  const std::vector<std::string> functions = FunctionsFrom(journal);
  ASSERT_GE(functions.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(functions.begin(), functions.begin() + 5),
            (std::vector<std::string>{"D5API_StartD5Render", "D5API_CreateSession",
                                      "D5API_SetSceneSetting", "D5API_SetModelFilePath",
                                      "D5API_SaveToFiles"}));
  const auto flush = std::find(functions.begin(), functions.end(), "D5API_FlushData");
  ASSERT_NE(flush, functions.end());
  const std::size_t export_end = static_cast<std::size_t>(flush - functions.begin());
  // The whole model goes before the flush: every material, the three lights that are
  // on and of a kind the renderer takes (not the switched-off one, not the Area one),
  // every solid with every triangle, the saved views.
  EXPECT_EQ(CountCalls(journal, "D5API_AddMaterial"),
            static_cast<int>(DemoBody().materials.size()));
  EXPECT_EQ(CountCalls(journal, "D5API_AddLight"), 3);
  EXPECT_EQ(CountCalls(journal, "D5API_BeginNode"), static_cast<int>(DemoBody().solids.size()));
  EXPECT_EQ(CountCalls(journal, "D5API_AddSceneView"), 2);  // the active one of three is the camera
  const std::string summary = DescribeCalls(journal, 0, export_end + 1);
  EXPECT_NE(summary.find(std::to_string(DemoTriangles()) + " triangles"), std::string::npos)
      << summary;
  EXPECT_GT(DemoTriangles(), 5000u);
  const auto calls = CallsFrom(journal);
  const testing::Json* grass = testing::FindProperty(calls, "Diffuse Map");
  ASSERT_NE(grass, nullptr);
  EXPECT_EQ((*grass)["value"].string,
            Narrow((host.files().data_folder() / L"Textures" / L"grass.jpg").wstring()));
  // Then the camera of camera.cam, and nothing else until the session ends.
  EXPECT_EQ(std::vector<std::string>(flush + 1, functions.end()),
            (std::vector<std::string>{"D5API_SetCameraFloatProperty", "D5API_SendSimpleCamera",
                                      "D5API_SendCurrentActiveCamera", "D5API_DestroySession"}));
  const std::vector<float> camera = testing::FloatsOf(calls[export_end + 2]["camera"]);
  ASSERT_EQ(camera.size(), 10u);
  EXPECT_FLOAT_EQ(camera[0], -18.0f);  // host (-12, -18) is renderer (-18, 12)
  EXPECT_FLOAT_EQ(camera[1], 12.0f);
  EXPECT_FLOAT_EQ(camera[9], 55.0f * 1.24f);
  EXPECT_EQ(LogMessages(host.Log()),
            (std::vector<std::string>{"Args - ", "cameraSync", "Init Start"}));
  EXPECT_EQ(host.resident_exit_code(), 0u);
}

TEST(BridgeRequests, ModelSyncHandshakeRemovesChangesAndAddsSolids) {
  HostSimulator host(Quietly());
  ASSERT_TRUE(Ran(host, std::string(kDemoFiles) + "answer demo-update\nstart\n"));
  const std::size_t before = host.Journal().size();
  ASSERT_TRUE(Ran(host, "post ModelSync\n"));
  EXPECT_EQ(host.sync_ready_count(), 1);
  // The sync record the host read: the project, 27 solids in id order, 8 materials in name order.
  const std::string record = host.files().Read(L"_mod.sync").value_or("");
  EXPECT_EQ(
      record.rfind("SourceProject: [C:\\Projects\\Farmstead.pro]\r\nID3D: [1] TimeStamp: [100]\r\n"
                   "ID3D: [10] TimeStamp: [101]\r\n",
                   0),
      0u)
      << record;
  EXPECT_EQ(CountLinesStartingWith(record, "ID3D: ["), static_cast<int>(DemoBody().solids.size()));
  EXPECT_NE(record.find("\r\nMaterial: [Brick] TimeStamp: [12] MatIndex: [2]\r\nMaterial: [Glass]"),
            std::string::npos);
  EXPECT_TRUE(host.files().Exists(L"_mod.sm"));

  const std::vector<std::string>& journal = host.Journal();
  const auto calls = CallsFrom(journal, before);
  const std::vector<std::string> functions = FunctionsFrom(journal, before);
  ASSERT_GE(calls.size(), 14u);
  // The listed solids go in list order, then one flush, then every light is withdrawn
  // (the switched-off one and the Area one too), each followed by a send.
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(functions[i], "D5API_DeleteNode");
  EXPECT_EQ(calls[0]["name"].string, "Solid_33");
  EXPECT_EQ(calls[1]["name"].string, "Solid_34");
  EXPECT_EQ(calls[2]["name"].string, "Solid_11");
  EXPECT_EQ(functions[3], "D5API_FlushData");
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(functions[4 + 2 * i], "D5API_RemoveLight");
    EXPECT_EQ(calls[4 + 2 * i]["name"].string, "Light" + std::to_string(101 + i));
    EXPECT_EQ(functions[5 + 2 * i], "D5API_SendLights");
  }
  // Then the new body: the changed material, the lights again, the rebuilt wall and the shed.
  EXPECT_EQ(functions[14], "D5API_AddMaterial");
  EXPECT_EQ(calls[14]["name"].string, "Brick");
  EXPECT_EQ(CountCalls(journal, "D5API_AddLight", before), 3);
  std::vector<std::string> nodes;
  for (const auto& call : calls) {
    if (call["fn"].string == "D5API_BeginNode") nodes.push_back(call["name"].string);
  }
  EXPECT_EQ(nodes, (std::vector<std::string>{"Solid_11", "Solid_80"}));
  EXPECT_EQ(CountCalls(journal, "D5API_AddIndexedTriangle", before), 6);
  EXPECT_EQ(functions.back(), "D5API_FlushData");
  EXPECT_EQ(CountCalls(journal, "D5API_FlushData", before), 2);

  const std::vector<std::string> log = LogMessages(host.Log());
  const std::vector<std::string> tail(log.end() - 3, log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"Sync Model state 0", "Sync Model state 1 _ Start",
                                            "Sync Model state 1 _ End"}));

  // A second handshake shows the renderer's new state in the sync record.
  ASSERT_TRUE(Ran(host, "answer none\npost ModelSync\n"));
  const std::string second = host.files().Read(L"_mod.sync").value_or("");
  EXPECT_EQ(second.find("ID3D: [33]"), std::string::npos);
  EXPECT_NE(second.find("ID3D: [11] TimeStamp: [160]\r\n"), std::string::npos);
  EXPECT_NE(second.find("ID3D: [80] TimeStamp: [161]\r\n"), std::string::npos);
  EXPECT_NE(second.find("Material: [Brick] TimeStamp: [19] MatIndex: [2]\r\n"), std::string::npos);
}

TEST(BridgeRequests, CameraViewsAndLightSyncOnPostedMessages) {
  HostSimulator host(Quietly());
  ASSERT_TRUE(Ran(host, std::string(kDemoFiles) + "start\n"));
  const std::vector<std::string> start_log = LogMessages(host.Log());
  std::size_t mark = host.Journal().size();
  ASSERT_TRUE(Ran(host, "post cameraSync\n"));
  EXPECT_EQ(FunctionsFrom(host.Journal(), mark),
            (std::vector<std::string>{"D5API_SetCameraFloatProperty", "D5API_SendSimpleCamera",
                                      "D5API_SendCurrentActiveCamera"}));

  // Views.cam makes "Garden" the camera; "Entrance" lost its place to it in the
  // bridge's cache and goes again, "Bird's eye" is known, "Terrace" is new.
  mark = host.Journal().size();
  ASSERT_TRUE(Ran(host, "post viewsSync\n"));
  const auto views = CallsFrom(host.Journal(), mark);
  ASSERT_EQ(views.size(), 13u);
  EXPECT_EQ(views[2]["fn"].string, "D5API_SendCurrentActiveCamera");
  std::vector<std::string> names;
  for (const auto& call : views) {
    if (call["fn"].string == "D5API_AddSceneView") names.push_back(call["name"].string);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Entrance", "Bird's eye", "Terrace"}));
  EXPECT_EQ(views.back()["fn"].string, "D5API_EndExport");

  // 1028 applies _mod.sm like the second step of the model sync, without log lines.
  mark = host.Journal().size();
  ASSERT_TRUE(Ran(host, "write _mod.sm demo-update\npost lightSync\n"));
  const std::vector<std::string>& journal = host.Journal();
  EXPECT_EQ(CountCalls(journal, "D5API_DeleteNode", mark), 3);
  EXPECT_EQ(CountCalls(journal, "D5API_RemoveLight", mark), 5);
  EXPECT_EQ(CountCalls(journal, "D5API_BeginNode", mark), 2);
  EXPECT_EQ(FunctionOf(journal.back()), "D5API_FlushData");
  EXPECT_EQ(LogMessages(host.Log()), start_log);
  EXPECT_EQ(host.sync_ready_count(), 0);
}

TEST(BridgeRequests, ASecondProcessForwardsItsRequestAndEnds) {
  HostSimulator host(Quietly());
  ASSERT_TRUE(Ran(host, std::string(kDemoFiles) + "answer demo-update\nstart\n"));
  const std::size_t mark = host.Journal().size();
  ASSERT_TRUE(Ran(host, "forward cameraSync\nforward ModelSync\n"));
  EXPECT_EQ(host.forward_exit_codes(), (std::vector<DWORD>{0, 0}));
  const std::vector<std::string> functions = FunctionsFrom(host.Journal(), mark);
  ASSERT_GE(functions.size(), 3u);
  EXPECT_EQ(functions[2], "D5API_SendCurrentActiveCamera");
  EXPECT_EQ(host.sync_ready_count(), 1);
  EXPECT_EQ(LogMessages(host.Log()),
            (std::vector<std::string>{"Init Start", "Args - ", "cameraSync", "Args - ", "ModelSync",
                                      "Sync Model state 0", "Sync Model state 1 _ Start",
                                      "Sync Model state 1 _ End"}));
}

TEST(BridgeEnd, EndsAfterTheHostWindowCloses) {
  HostSimulator host(Quietly());
  ASSERT_TRUE(Ran(
      host,
      "write _model.cvm small-model\nstart viewsSync\npause 1200\nclose-host\nwait-end 2500\n"));
  EXPECT_EQ(host.resident_exit_code(), 0u);
  EXPECT_LT(host.end_delay_ms().value_or(99999), 2500u);
  EXPECT_EQ(FunctionOf(host.Journal().back()), "D5API_DestroySession");
}

TEST(BridgeEnd, EndsAfterTheStandInRenderersWindowCloses) {
  HostSimulator host(Quietly());
  ASSERT_TRUE(Ran(host,
                  "renderer standin\nwrite _model.cvm small-model\nstart\npause 1200\n"
                  "close-renderer\nwait-end 2500\n"));
  EXPECT_EQ(host.resident_exit_code(), 0u);
  EXPECT_LT(host.end_delay_ms().value_or(99999), 2500u);
  EXPECT_TRUE(OtherRendererWindows().empty());
}

TEST(BridgeEnd, EndsAfterARendererWindowOfItsOwnCloses) {
  HostSimulator host(Quietly());
  ASSERT_TRUE(Ran(
      host, "write _model.cvm small-model\nstart\npause 1200\nclose-renderer\nwait-end 2500\n"));
  EXPECT_EQ(host.resident_exit_code(), 0u);
  EXPECT_LT(host.end_delay_ms().value_or(99999), 2500u);
}

}  // namespace
}  // namespace tarnwick::host_sim
