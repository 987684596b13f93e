#include "inspect/inspector_run.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "container_writer/crafted_files.h"
#include "inspect/inspect_test_models.h"
#include "inspect/report_json.h"
#include "tarnwick_version.h"

// The command line, the exit codes, the cap on listed findings and the JSON document's fields.
namespace tarnwick::inspect {
namespace {

using namespace testing;

// A body with two errors (indices past the vertices) and one warning (a short attribute array).
cw::ModelBody FaultyBody() {
  cw::ModelBody body = CleanBody();
  cw::Part far = Quad(u"Far", 0);
  far.indices = {0, 1, 9};
  cw::Part farther = Quad(u"Farther", 0);
  farther.indices = {0, 1, 9};
  body.solids.push_back(cw::Solid{3, 1, u"", {far, farther}, false});
  return body;
}

class InspectorRunTest : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> args) {
    std::string error;
    const std::optional<RunOptions> options = ParseArguments(args, error);
    EXPECT_TRUE(options) << error;
    return options ? RunInspector(*options, out_) : -1;
  }
  nlohmann::json Json() const { return nlohmann::json::parse(out_); }
  CraftedFolder folder_;
  std::string out_;
};

TEST_F(InspectorRunTest, TheCommandLine) {
  std::string error;
  const auto options = ParseArguments({"--json", "a", "--max-issues", "7", "--strict", "b"}, error);
  ASSERT_TRUE(options);
  EXPECT_TRUE(options->json);
  EXPECT_TRUE(options->strict);
  EXPECT_EQ(options->max_issues, 7u);
  EXPECT_EQ(options->paths, (std::vector<std::string>{"a", "b"}));
  EXPECT_FALSE(ParseArguments({}, error));
  EXPECT_EQ(error, "no path given");
  EXPECT_FALSE(ParseArguments({"--max-issues", "x", "a"}, error));
  EXPECT_FALSE(ParseArguments({"a", "--max-issues"}, error));
  EXPECT_FALSE(ParseArguments({"--verbose", "a"}, error));
  EXPECT_EQ(error, "unknown option --verbose");
  EXPECT_FALSE(ParseArguments({"-x", "a"}, error));
  EXPECT_EQ(error, "unknown option -x");
  const auto dashed = ParseArguments({"--", "-h", "--json"}, error);
  ASSERT_TRUE(dashed) << error;
  EXPECT_EQ(dashed->paths, (std::vector<std::string>{"-h", "--json"}));
  // Help and version need no path and win over everything else on the line.
  for (const auto& [args, request] : std::vector<std::pair<std::vector<std::string>, Request>>{
           {{"--help"}, Request::kHelp},
           {{"-h"}, Request::kHelp},
           {{"a", "--strict", "-h"}, Request::kHelp},
           {{"--version"}, Request::kVersion},
           {{"--bogus", "--version"}, Request::kVersion},
           {{"a"}, Request::kReport}}) {
    const auto asked = ParseArguments(args, error);
    ASSERT_TRUE(asked) << args.back() << ": " << error;
    EXPECT_EQ(asked->request, request) << args.back();
  }
}

TEST_F(InspectorRunTest, TheUsageNamesEveryOptionTheExitCodesAndAnExample) {
  const std::string usage = UsageText();
  EXPECT_TRUE(usage.starts_with(ShortUsage()));
  for (const char* option : {"--json", "--max-issues N", "--strict", "--glb OUT.glb", "--glb-plain",
                             "-h, --help", "--version"}) {
    EXPECT_NE(usage.find(std::string("\n  ") + option + " "), std::string::npos) << option;
  }
  for (const int code : {kExitClean, kExitFindings, kExitUnreadable}) {
    EXPECT_NE(usage.find("\n  " + std::to_string(code) + "  "), std::string::npos) << code;
  }
  EXPECT_NE(usage.find("\nExample:\n  tarnwick_inspect "), std::string::npos);
}

TEST_F(InspectorRunTest, ExitCodes) {
  folder_.Write("_model.cvm", cw::ModelFile(kProject, CleanBody()));
  EXPECT_EQ(Run({folder_.path()}), kExitClean);
  folder_.Write("Views.cam", "Cameras_Start\nCameras_nActCamera [5]\nCameras_Camera_ObjectSTART\nCameras_Camera_ObjectEND\nCameras_End\n");
  EXPECT_EQ(Run({folder_.path()}), kExitClean);  // a warning only
  EXPECT_EQ(Run({"--strict", folder_.path()}), kExitFindings);
  folder_.Write("_model.cvm", cw::ModelFile(kProject, FaultyBody()));
  EXPECT_EQ(Run({folder_.path()}), kExitFindings);
  EXPECT_EQ(Run({folder_.path(), folder_.PathOf("absent.cvm")}), kExitUnreadable);
  // A body the bridge would end early is an error.
  folder_.Write("_model.cvm", cw::SharedPartTableFile(30, 2000));
  EXPECT_EQ(Run({folder_.path()}), kExitFindings);
}

TEST_F(InspectorRunTest, MaxIssuesCapsTheListButNotTheCounts) {
  folder_.Write("_model.cvm", cw::ModelFile(kProject, FaultyBody()));
  EXPECT_EQ(Run({"--json", "--max-issues", "1", folder_.path()}), kExitFindings);
  const nlohmann::json findings = Json()["findings"];
  EXPECT_EQ(findings["errors"], 2);
  EXPECT_EQ(findings["total"], 2);
  EXPECT_EQ(findings["listed"], 1);
  EXPECT_EQ(findings["items"].size(), 1u);
  EXPECT_EQ(findings["by_code"]["part_indices_out_of_range"], 2);
  Run({"--max-issues", "1", folder_.path()});
  EXPECT_NE(out_.find("(1 more not listed)"), std::string::npos);
  EXPECT_TRUE(out_.starts_with(std::string("tarnwick_inspect ") + kVersion + "\n")) << out_;
}

TEST_F(InspectorRunTest, TheJsonDocumentsFields) {
  folder_.Write("_model.cvm", cw::ModelFile(kProject, FaultyBody()));
  ASSERT_EQ(Run({"--json", folder_.path()}), kExitFindings);
  const nlohmann::json json = Json();
  EXPECT_EQ(json["tool"], "tarnwick_inspect");
  EXPECT_EQ(json["version"], kVersion);
  EXPECT_EQ(json["schema"], kSchemaVersion);
  EXPECT_EQ(json["exit_code"], kExitFindings);
  const nlohmann::json& path = json["paths"][0];
  EXPECT_EQ(path["folder"], true);
  const nlohmann::json& model = path["containers"][0];
  EXPECT_EQ(model["file"], "_model.cvm");
  EXPECT_EQ(model["slots"][0]["kind"], 2);
  EXPECT_EQ(model["project"], "C:\\Projects\\Clean.pro");
  EXPECT_EQ(model["model"]["solids"], 3);
  EXPECT_EQ(model["model"]["parts_not_sent"], 2);
  EXPECT_EQ(model["model"]["lights"]["by_kind"]["spot"], 1);
  EXPECT_EQ(model["model"]["bounds"]["max"], nlohmann::json::array({2.0, 3.0, 5.0}));
  EXPECT_EQ(model["model"]["views"]["views"][1]["name"], "Side");
  const nlohmann::json& item = json["findings"]["items"][0];
  EXPECT_EQ(item["code"], "part_indices_out_of_range");
  EXPECT_EQ(item["severity"], "error");
  EXPECT_EQ(item["file"], "_model.cvm");
  EXPECT_EQ(item["slot"], 0);
  EXPECT_EQ(item["solid_id"], 3);
  EXPECT_EQ(item["part"], "Far");
  EXPECT_TRUE(item["offset"].is_number());
}

TEST(FindingCatalogueTest, CodesAreUniqueAndSeveritiesFixed) {
  std::set<std::string_view> codes;
  for (const CodeInfo& info : CodeCatalogue()) EXPECT_TRUE(codes.insert(info.code).second) << info.code;
  FindingLog log(0);
  log.Add("texture_missing", "", {});
  log.Add("header_short", "", {});
  EXPECT_EQ(log.Count(Severity::kWarning), 1u);
  EXPECT_EQ(log.Count(Severity::kError), 1u);
  EXPECT_TRUE(log.listed().empty());
}

}  // namespace
}  // namespace tarnwick::inspect
