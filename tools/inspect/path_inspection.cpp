#include "inspect/path_inspection.h"

#include <algorithm>
#include <filesystem>

#include "inspect/text_files.h"
#include "platform/text.h"
#include "protocol/protocol.h"

namespace tarnwick::inspect {

namespace {

namespace fs = std::filesystem;

struct KnownName {
  std::string_view name;
  FileKind kind;
};

// The exchange files in the order they are reported.
constexpr KnownName kExchangeFiles[] = {
    {protocol::kModelFile.narrow_view(), FileKind::kModel},
    {protocol::kIncrementalFile.narrow_view(), FileKind::kIncremental},
    {protocol::kCameraFile.narrow_view(), FileKind::kCamera},
    {protocol::kViewsFile.narrow_view(), FileKind::kViews},
    {protocol::kSyncRecordFile.narrow_view(), FileKind::kSyncRecord},
    {protocol::kLogFile.narrow_view(), FileKind::kLog},
};

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

fs::path NativePath(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// The folder text below which textures and IES profiles are looked for; "." for the
// current folder, so that the sub-folder never becomes a path from the root.
std::u16string FolderText(const fs::path& folder) {
  return folder.empty() ? std::u16string(u".") : Utf16FromUtf8(Utf8Of(folder));
}

void InspectFile(const fs::path& file, FileKind kind, const RecordContext& context,
                 const ContainerOptions& options, PathReport& report) {
  const std::u16string path = Utf16FromUtf8(Utf8Of(file));
  switch (kind) {
    case FileKind::kModel:
    case FileKind::kIncremental: {
      ContainerSummary summary;
      const ContainerRole role = kind == FileKind::kModel ? ContainerRole::kModel : ContainerRole::kIncremental;
      if (InspectContainer(path, role, context, summary, options)) report.containers.push_back(std::move(summary));
      return;
    }
    case FileKind::kCamera:
    case FileKind::kViews:
      if (auto summary = InspectCameraFile(path, kind == FileKind::kViews, context)) {
        report.camera_files.push_back(std::move(*summary));
      }
      return;
    case FileKind::kSyncRecord:
    case FileKind::kLog:
      if (const auto text = ReadTextFile(path)) {
        if (kind == FileKind::kLog) {
          report.log = SummariseLogText(*text);
        } else {
          report.sync_record = CheckSyncRecordText(*text, context);
        }
      } else {
        context.log->Add("path_unreadable", "the file cannot be opened", Location{.file = context.file});
      }
      return;
  }
}

// The project change the bridge would see: _mod.sm's removal slot against _model.cvm's body slot.
void CompareProjects(PathReport& report, FindingLog& log) {
  const ContainerSummary* model = nullptr;
  const ContainerSummary* incremental = nullptr;
  for (const ContainerSummary& summary : report.containers) {
    if (KindOfFileName(summary.file) == FileKind::kModel && summary.body) model = &summary;
    if (KindOfFileName(summary.file) == FileKind::kIncremental && summary.removals) incremental = &summary;
  }
  if (!model || !incremental) return;
  report.project = ProjectComparison{model->project, incremental->removal_project,
                                     model->project != incremental->removal_project};
  if (report.project->changed) {
    log.Add("project_changed",
            "_mod.sm belongs to \"" + incremental->removal_project + "\", _model.cvm to \"" +
                model->project + "\": the bridge resets the whole scene",
            Location{.file = incremental->file, .slot = 0});
  }
}

}  // namespace

FileKind KindOfFileName(std::string_view name) {
  const std::string lower = Lower(name);
  for (const KnownName& known : kExchangeFiles) {
    if (lower == Lower(known.name)) return known.kind;
  }
  if (lower.ends_with(".sm")) return FileKind::kIncremental;
  if (lower.ends_with(".cam")) return FileKind::kCamera;
  if (lower.ends_with(".sync")) return FileKind::kSyncRecord;
  if (lower.ends_with(".log")) return FileKind::kLog;
  return FileKind::kModel;
}

PathReport InspectPath(const std::string& path, FindingLog& log, const ContainerOptions& options) {
  PathReport report{.path = path};
  const fs::path native = NativePath(path);
  std::error_code error;
  report.is_folder = fs::is_directory(native, error);
  if (report.is_folder) {
    const RecordContext base{.exchange_folder = FolderText(native), .log = &log};
    for (const KnownName& known : kExchangeFiles) {
      const fs::path file = native / NativePath(std::string(known.name));
      if (!fs::exists(file, error)) {
        if (known.kind == FileKind::kModel) {
          log.Add("model_file_missing", "the folder holds no _model.cvm", Location{.file = std::string(known.name)});
        }
        continue;
      }
      RecordContext context = base;
      context.file = std::string(known.name);
      InspectFile(file, known.kind, context, options, report);
    }
  } else {
    const std::string name = Utf8Of(native.filename());
    const RecordContext context{.file = name, .exchange_folder = FolderText(native.parent_path()), .log = &log};
    InspectFile(native, KindOfFileName(name), context, options, report);
    report.readable = !(report.containers.empty() && report.camera_files.empty() &&
                        !report.sync_record && !report.log);
  }
  CompareProjects(report, log);
  return report;
}

}  // namespace tarnwick::inspect
