// What the inspector found in the files of one path: the summaries of the
// containers, camera files, sync record and log. The findings are kept apart
// in a FindingLog.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::inspect {

// Most removal ids listed per list (the count stays exact).
inline constexpr std::size_t kMaxListedIds = 1000;

// The bounding box of positions, in host units.
struct Bounds {
  bool empty = true;
  std::array<float, 3> min{};
  std::array<float, 3> max{};
  // Widens the box to hold one finite point.
  void Add(const float* point);
};

// Lights of one body.
struct LightCounts {
  std::uint64_t total = 0;
  std::map<std::string, std::uint64_t> by_kind;  // kind text as the host wrote it; "unknown" others
  std::uint64_t switched_off = 0;
  std::uint64_t not_sent = 0;  // switched off, or of a kind the bridge does not send
};

// One camera or view as read.
struct CameraSummary {
  std::string name;
  std::array<float, 3> from{};
  std::array<float, 3> to{};
  std::array<float, 3> up{};
  float fov = 0.0f;
};

// A list of views and the index of the active one.
struct ViewsSummary {
  std::int32_t active = 0;
  std::vector<CameraSummary> views;
};

// One model body.
struct BodySummary {
  int slot = 0;
  std::uint64_t materials = 0;
  LightCounts lights;
  std::uint64_t solids = 0;
  std::uint64_t parts = 0;
  std::uint64_t parts_not_sent = 0;
  std::uint64_t vertices = 0;
  std::uint64_t triangles = 0;
  std::uint64_t degenerate_triangles = 0;
  Bounds bounds;
  std::optional<ViewsSummary> views;  // the camera block, when the body has one
};

// One named list of a removal section.
struct RemovalListSummary {
  std::string name;
  std::uint64_t count = 0;
  std::vector<std::uint32_t> ids;  // at most kMaxListedIds
};

// The removal section of an incremental file.
struct RemovalSummary {
  int slot = 0;
  std::vector<RemovalListSummary> lists;
};

// One used directory slot.
struct SlotSummary {
  int index = 0;
  std::string name;  // UTF-8
  std::uint32_t kind = 0;
  std::int32_t offset = 0;
  std::uint64_t body_size = 0;  // to the next body's offset or the end of the file
};

// One container file.
struct ContainerSummary {
  std::string file;
  std::uint64_t size = 0;
  bool header_read = false;
  std::uint32_t format_version = 0;
  std::uint32_t directory_end = 0;
  std::string header_name;
  std::int32_t last_slot_index = 0;
  std::vector<SlotSummary> slots;
  std::string project;  // the name of the slot whose body the bridge streams
  std::optional<BodySummary> body;
  std::optional<RemovalSummary> removals;
  std::string removal_project;  // the name of the removal section's slot
};

// camera.cam (one camera) or Views.cam (views).
struct CameraFileSummary {
  std::string file;
  std::optional<CameraSummary> camera;
  std::optional<ViewsSummary> views;
};

// _mod.sync.
struct SyncRecordSummary {
  std::string project;
  std::uint64_t lines = 0;
  std::uint64_t solids = 0;
  std::uint64_t materials = 0;
};

// D5_Log.log.
struct LogSummary {
  std::uint64_t lines = 0;
  std::string last_line;
};

// A project change between _model.cvm and _mod.sm.
struct ProjectComparison {
  std::string model_project;
  std::string incremental_project;
  bool changed = false;
};

// Everything read for one path given on the command line.
struct PathReport {
  std::string path;  // as given
  bool is_folder = false;
  bool readable = true;
  std::vector<ContainerSummary> containers;
  std::vector<CameraFileSummary> camera_files;
  std::optional<SyncRecordSummary> sync_record;
  std::optional<LogSummary> log;
  std::optional<ProjectComparison> project;
};

}  // namespace tarnwick::inspect
