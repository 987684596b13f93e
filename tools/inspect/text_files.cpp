#include "inspect/text_files.h"

#include <cstdio>
#include <memory>

#include "formats/camera_record.h"
#include "platform/file_io.h"
#include "platform/text.h"

namespace tarnwick::inspect {

namespace {

// The marker line without which a Camera record yields the default camera.
constexpr std::u16string_view kCameraStart = u"Camera_Start";

// The sync record's three line forms, by their fixed pieces.
constexpr std::string_view kProjectOpen = "SourceProject: [";
constexpr std::string_view kSolidOpen = "ID3D: [";
constexpr std::string_view kMaterialOpen = "Material: [";
constexpr std::string_view kTimeStampPiece = "] TimeStamp: [";
constexpr std::string_view kMatIndexPiece = "] MatIndex: [";

bool HasLine(std::u16string_view text, std::u16string_view wanted) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string_view::npos) end = text.size();
    if (text.substr(start, end - start) == wanted) return true;
    start = end + 1;
  }
  return false;
}

// A signed decimal number that fills the whole text.
bool IsDecimal(std::string_view text) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  if (text.empty() || text.size() > 11) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// "ID3D: [n] TimeStamp: [n]".
bool IsSolidLine(std::string_view line) {
  if (!line.starts_with(kSolidOpen) || !line.ends_with(']')) return false;
  line = line.substr(kSolidOpen.size(), line.size() - kSolidOpen.size() - 1);
  const std::size_t cut = line.find(kTimeStampPiece);
  return cut != std::string_view::npos && IsDecimal(line.substr(0, cut)) &&
         IsDecimal(line.substr(cut + kTimeStampPiece.size()));
}

// "Material: [name] TimeStamp: [n] MatIndex: [n]"; the name may hold anything.
bool IsMaterialLine(std::string_view line) {
  if (!line.starts_with(kMaterialOpen) || !line.ends_with(']')) return false;
  line = line.substr(0, line.size() - 1);
  const std::size_t index_cut = line.rfind(kMatIndexPiece);
  if (index_cut == std::string_view::npos) return false;
  const std::size_t stamp_cut = line.rfind(kTimeStampPiece, index_cut);
  return stamp_cut != std::string_view::npos && stamp_cut >= kMaterialOpen.size() - 1 &&
         IsDecimal(line.substr(index_cut + kMatIndexPiece.size())) &&
         IsDecimal(line.substr(stamp_cut + kTimeStampPiece.size(),
                               index_cut - stamp_cut - kTimeStampPiece.size()));
}

}  // namespace

std::optional<std::string> ReadTextFile(const std::u16string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenFile(path, "rb"), &std::fclose);
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[1 << 14];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, n);
  return bytes;
}

std::optional<CameraFileSummary> InspectCameraFile(const std::u16string& path, bool views,
                                                   const RecordContext& context) {
  const std::optional<std::u16string> text = LoadCameraFileText(path);
  if (!text) {
    context.log->Add("path_unreadable", "the file cannot be opened", Location{.file = context.file});
    return std::nullopt;
  }
  CameraFileSummary summary{.file = context.file};
  if (views) {
    summary.views = CheckViewsText(*text, context);
    return summary;
  }
  CameraRecord camera;
  ReadCameraRecord(camera, *text);
  summary.camera = SummaryOf(camera);
  ReportAudit(AuditCameraRecord(*text), "camera", Location{.file = context.file}, *context.log);
  if (!HasLine(*text, kCameraStart)) {
    context.log->Add("camera_default",
                     "no \"Camera_Start\" line: the bridge sends the default camera",
                     Location{.file = context.file});
  }
  return summary;
}

SyncRecordSummary CheckSyncRecordText(std::string_view text, const RecordContext& context) {
  SyncRecordSummary summary;
  std::uint32_t number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (line.ends_with('\r')) line.remove_suffix(1);
    ++summary.lines;
    if (number == 1 && line.starts_with(kProjectOpen) && line.ends_with(']')) {
      // The record's text is 8-bit: each byte one character.
      summary.project = Utf8FromUtf16(WidenLatin1(line.substr(kProjectOpen.size(), line.size() - kProjectOpen.size() - 1)));
    } else if (IsSolidLine(line)) {
      ++summary.solids;
    } else if (IsMaterialLine(line)) {
      ++summary.materials;
    } else {
      context.log->Add("sync_line_unparsed",
                       "line " + std::to_string(number) + " is not a project, solid or material line",
                       Location{.file = context.file, .line = number});
    }
  }
  return summary;
}

LogSummary SummariseLogText(std::string_view text) {
  LogSummary summary;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    ++summary.lines;
    summary.last_line = Utf8FromUtf16(WidenLatin1(line));
    start = end + 1;
  }
  return summary;
}

}  // namespace tarnwick::inspect
