#include <cstdio>
#include <string>

#include "formats/camera_record.h"
#include "formats/keyed_audit.h"
#include "formats/keyed_record.h"
#include "platform/file_io.h"

namespace tarnwick {

namespace {

constexpr KeyedKind kCameraKind{u"Camera", u"Camera_", true};

constexpr KeyRow<CameraRecord> kCameraKeys[] = {
    {u"Version", KeyForm::Bracketed, UnusedValue{}},
    {u"nType", KeyForm::Bracketed, &CameraRecord::nType},
    {u"_fov", KeyForm::Bracketed, &CameraRecord::_fov},
    {u"Name", KeyForm::Bracketed, &CameraRecord::Name},
    {u"_from", KeyForm::Bracketed, &CameraRecord::_from},
    {u"_to", KeyForm::Bracketed, &CameraRecord::_to},
    {u"_up", KeyForm::Bracketed, &CameraRecord::_up},
    {u"_fNerClipp", KeyForm::Bracketed, &CameraRecord::_fNerClipp},
};

// Each child object of a Cameras text is one view, read afresh from the defaults.
void AppendCamera(CameraList& list, std::u16string_view body) {
  CameraRecord camera;
  ReadCameraRecord(camera, body);
  list.cameras.push_back(std::move(camera));
}

constexpr KeyedKind kCamerasKind{u"Cameras", u"Cameras_", true};

constexpr KeyRow<CameraList> kCamerasKeys[] = {
    {u"Version", KeyForm::Bracketed, UnusedValue{}},
    {u"nActCamera", KeyForm::Bracketed, &CameraList::nActCamera},
    {u"Camera", KeyForm::Bracketed, ChildObject<CameraList>{&AppendCamera}},
};

// Each byte is the character of the same code; a CR directly before an LF is
// dropped so that CR LF files read like LF files.
std::u16string WidenCameraFileBytes(const std::string& bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i])));
  }
  return text;
}

}  // namespace

void ReadCameraRecord(CameraRecord& record, std::u16string_view text) {
  ReadKeyedRecord<CameraRecord>(record, kCameraKind, kCameraKeys, text);
}

void ReadCamerasRecord(CameraList& list, std::u16string_view text) {
  ReadKeyedRecord<CameraList>(list, kCamerasKind, kCamerasKeys, text);
}

KeyedAudit AuditCameraRecord(std::u16string_view text) {
  return AuditKeyedRecord<CameraRecord>(kCameraKind, kCameraKeys, text);
}

std::optional<std::u16string> LoadCameraFileText(const std::u16string& path) {
  std::FILE* file = OpenFile(path, "rb");
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  bool failed = false;
  for (;;) {
    std::size_t n = 0;
    failed = !ReadFileBytes(file, buffer, sizeof buffer, n);
    if (failed || n == 0) break;
    bytes.append(buffer, n);
  }
  // A file that breaks off while being read is treated like one that cannot be
  // opened, rather than handing a truncated record on as if it were whole.
  CloseFile(file);
  if (failed) return std::nullopt;
  return WidenCameraFileBytes(bytes);
}

}  // namespace tarnwick
