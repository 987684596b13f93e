// The stand-in renderer: every client library function the bridge imports,
// answering as the renderer would and recording each call in the journal.
// The same source is the native test library and the D5Api.dll of the
// Windows build.
#include "renderer/d5api.h"

#include <cstdint>
#include <string>

#include "standin/journal_line.h"
#include "standin/standin_host.h"

namespace {

using standin::JournalLine;

// The handle of every session; the bridge opens only one.
constexpr D5Session kSessionHandle = 1;

// What digest lines have read; kept where the compiler cannot drop the reads.
volatile std::uint64_t digest_sink = 0;

// A new journal line, or a digest line when the build keeps no journal text. Every recorded
// call passes here first, which is where a chosen call crashes.
JournalLine Line(const char* fn) {
  standin::host::FaultIfChosen(fn);
  return JournalLine(fn, standin::host::DigestOnly());
}

void Record(JournalLine& line) {
  if (standin::host::DigestOnly()) {
    digest_sink = digest_sink ^ line.Digest();
    return;
  }
  standin::host::Record(line.Finish());
}

// Most calls take a session and one or two names.
int RecordNamed(const char* fn, D5Session session, const char16_t* name) {
  if (!standin::host::Recording()) return 0;
  JournalLine line = Line(fn);
  line.Session(session).Text("name", name);
  Record(line);
  return 0;
}

int RecordBare(const char* fn, D5Session session) {
  if (!standin::host::Recording()) return 0;
  JournalLine line = Line(fn);
  line.Session(session);
  Record(line);
  return 0;
}

int RecordPath(const char* fn, D5Session session, const char16_t* path) {
  if (!standin::host::Recording()) return 0;
  JournalLine line = Line(fn);
  line.Session(session).Text("path", path);
  Record(line);
  return 0;
}

// Per vertex, the renderer reads three floats of positions, three of the
// second attribute array (normals) and two of the first (texture coordinates).
constexpr std::size_t kPositionFloats = 3;
constexpr std::size_t kNormalFloats = 3;
constexpr std::size_t kTexCoordFloats = 2;

// A count of elements; a negative count covers nothing.
std::size_t Elements(std::int32_t count, std::size_t per_item = 1) {
  return count > 0 ? static_cast<std::size_t>(count) * per_item : 0;
}

// A count of elements as a byte size.
std::size_t ByteSize(std::int32_t count, std::size_t element) {
  return Elements(count) * element;
}

// The arrays of a batch as the renderer takes them, after the hashes: the
// journal then holds the geometry itself and the scene can be rebuilt from it.
void AppendWholeArrays(JournalLine& line, const MeshDescriptor& mesh) {
  const std::size_t vertices = Elements(mesh.first_count);
  line.Floats("position_values", mesh.positions, vertices * kPositionFloats)
      .Floats("attr1_values", static_cast<const float*>(mesh.attributes1),
              vertices * kTexCoordFloats)
      .Floats("attr2_values", static_cast<const float*>(mesh.attributes2),
              vertices * kNormalFloats)
      .Words("index_values", mesh.indices, Elements(mesh.index_count));
}

}  // namespace

extern "C" {

int D5API_StartD5Render(const char16_t* project, const char* client, const char* version,
                        std::int32_t* error_code) {
  standin::host::EnsureRendererWindow();
  if (error_code) *error_code = standin::host::StartError();
  if (standin::host::Recording()) {
    JournalLine line = Line("D5API_StartD5Render");
    line.Text("project", project).Narrow("client", client).Narrow("version", version);
    Record(line);
  }
  return standin::host::StartResult();
}

int D5API_CreateSession(D5Session* session, std::int32_t arg, const char* access,
                        std::int32_t* out_value) {
  const int result = standin::host::SessionResult();
  if (result == 0) {
    if (session) *session = kSessionHandle;
    if (out_value) *out_value = 0;
  }
  if (standin::host::Recording()) {
    JournalLine line = Line("D5API_CreateSession");
    line.Integer("arg", arg).Narrow("access", access);
    Record(line);
  }
  return result;
}

int D5API_SetSceneSetting(D5Session session, const SceneSetting* setting) {
  if (!standin::host::Recording()) return 0;
  JournalLine line = Line("D5API_SetSceneSetting");
  line.Session(session);
  std::string fields = "null";
  if (setting) {
    fields = "[";
    fields += standin::FormatFloat(setting->value);
    fields += ", ";
    fields += std::to_string(setting->mode);
    fields += ", ";
    fields += std::to_string(setting->option);
    fields += ']';
  }
  line.Raw("setting", fields);
  Record(line);
  return 0;
}

int D5API_SetModelFilePath(D5Session session, const char16_t* path) {
  return RecordPath("D5API_SetModelFilePath", session, path);
}

int D5API_SaveToFiles(D5Session session, const char16_t* path) {
  return RecordPath("D5API_SaveToFiles", session, path);
}

int D5API_BeginNode(D5Session session, const char16_t* name, const float* matrix,
                    std::uint8_t flag) {
  if (!standin::host::Recording()) return 0;
  JournalLine line = Line("D5API_BeginNode");
  line.Session(session).Text("name", name).Floats("matrix", matrix, 16).Integer("flag", flag);
  Record(line);
  return 0;
}

int D5API_AddIndexedTriangle(D5Session session, const char16_t* part,
                             const MeshDescriptor* mesh) {
  if (!standin::host::Recording()) return 0;
  JournalLine line = Line("D5API_AddIndexedTriangle");
  line.Session(session).Text("part", part);
  if (mesh) {
    line.Integer("first_count", mesh->first_count)
        .Integer("index_count", mesh->index_count)
        .Hash("positions", mesh->positions,
              ByteSize(mesh->first_count, kPositionFloats * sizeof(float)))
        .Hash("indices", mesh->indices, ByteSize(mesh->index_count, 4))
        .Boolean("attr1", mesh->attributes1 != nullptr)
        .Boolean("attr2", mesh->attributes2 != nullptr);
    if (standin::host::WholeArrays()) AppendWholeArrays(line, *mesh);
  } else {
    line.Raw("mesh", "null");
  }
  Record(line);
  return 0;
}

int D5API_DeleteNode(D5Session session, const char16_t* name) {
  return RecordNamed("D5API_DeleteNode", session, name);
}

int D5API_AddMaterial(D5Session session, const char16_t* name) {
  return RecordNamed("D5API_AddMaterial", session, name);
}

int D5API_ResetMaterial(D5Session session, const char16_t* name) {
  return RecordNamed("D5API_ResetMaterial", session, name);
}

int D5API_AddLight(D5Session session, const char16_t* name) {
  return RecordNamed("D5API_AddLight", session, name);
}

int D5API_RemoveLight(D5Session session, const char16_t* name) {
  return RecordNamed("D5API_RemoveLight", session, name);
}

}  // extern "C"

namespace {

// The property setters share their first three fields.
JournalLine PropertyLine(const char* fn, D5Session session, const char16_t* name,
                         const char16_t* prop) {
  JournalLine line = Line(fn);
  line.Session(session).Text("name", name).Text("prop", prop);
  return line;
}

int RecordStringProperty(const char* fn, D5Session session, const char16_t* name,
                         const char16_t* prop, const char16_t* value) {
  if (!standin::host::Recording()) return 0;
  JournalLine line = PropertyLine(fn, session, name, prop);
  line.Text("value", value);
  Record(line);
  return 0;
}

int RecordIntProperty(const char* fn, D5Session session, const char16_t* name,
                      const char16_t* prop, std::int32_t value) {
  if (!standin::host::Recording()) return 0;
  JournalLine line = PropertyLine(fn, session, name, prop);
  line.Integer("value", value);
  Record(line);
  return 0;
}

int RecordFloatProperty(const char* fn, D5Session session, const char16_t* name,
                        const char16_t* prop, float value) {
  if (!standin::host::Recording()) return 0;
  JournalLine line = PropertyLine(fn, session, name, prop);
  line.Float("value", value);
  Record(line);
  return 0;
}

}  // namespace

extern "C" {

int D5API_SetMaterialStringProperty(D5Session session, const char16_t* name,
                                    const char16_t* prop, const char16_t* value) {
  return RecordStringProperty("D5API_SetMaterialStringProperty", session, name, prop, value);
}

int D5API_SetMaterialIntProperty(D5Session session, const char16_t* name, const char16_t* prop,
                                 std::int32_t value) {
  return RecordIntProperty("D5API_SetMaterialIntProperty", session, name, prop, value);
}

int D5API_SetMaterialFloatProperty(D5Session session, const char16_t* name,
                                   const char16_t* prop, float value) {
  return RecordFloatProperty("D5API_SetMaterialFloatProperty", session, name, prop, value);
}

int D5API_SetLightStringProperty(D5Session session, const char16_t* name, const char16_t* prop,
                                 const char16_t* value) {
  return RecordStringProperty("D5API_SetLightStringProperty", session, name, prop, value);
}

int D5API_SetLightIntProperty(D5Session session, const char16_t* name, const char16_t* prop,
                              std::int32_t value) {
  return RecordIntProperty("D5API_SetLightIntProperty", session, name, prop, value);
}

int D5API_SetLightFloatProperty(D5Session session, const char16_t* name, const char16_t* prop,
                                float value) {
  return RecordFloatProperty("D5API_SetLightFloatProperty", session, name, prop, value);
}

int D5API_SetLightFloatArrayProperty(D5Session session, const char16_t* name,
                                     const char16_t* prop, const float* values,
                                     std::size_t count) {
  if (!standin::host::Recording()) return 0;
  JournalLine line = PropertyLine("D5API_SetLightFloatArrayProperty", session, name, prop);
  line.Floats("values", values, count).Unsigned("count", count);
  Record(line);
  return 0;
}

int D5API_SetCameraFloatProperty(D5Session session, const char16_t* prop, float value) {
  if (!standin::host::Recording()) return 0;
  JournalLine line = Line("D5API_SetCameraFloatProperty");
  line.Session(session).Text("prop", prop).Float("value", value);
  Record(line);
  return 0;
}

int D5API_SendSimpleCamera(D5Session session, const float* camera, float fov) {
  if (!standin::host::Recording()) return 0;
  JournalLine line = Line("D5API_SendSimpleCamera");
  line.Session(session).Floats("camera", camera, 10).Float("fov", fov);
  Record(line);
  return 0;
}

int D5API_AddSceneView(D5Session session, const char16_t* name, const char16_t* name2,
                       const float* camera, float fov) {
  if (!standin::host::Recording()) return 0;
  JournalLine line = Line("D5API_AddSceneView");
  line.Session(session).Text("name", name).Text("name2", name2).Floats("camera", camera, 10);
  line.Float("fov", fov);
  Record(line);
  return 0;
}

int D5API_EndNode(D5Session session) { return RecordBare("D5API_EndNode", session); }

int D5API_SendLights(D5Session session) { return RecordBare("D5API_SendLights", session); }

int D5API_SendCurrentActiveCamera(D5Session session) {
  return RecordBare("D5API_SendCurrentActiveCamera", session);
}

int D5API_SendSceneViews(D5Session session) {
  return RecordBare("D5API_SendSceneViews", session);
}

int D5API_EndExport(D5Session session) { return RecordBare("D5API_EndExport", session); }

int D5API_FlushData(D5Session session, std::int32_t* status) {
  if (status) *status = 0;
  return RecordBare("D5API_FlushData", session);
}

int D5API_DestroySession(D5Session session) {
  return RecordBare("D5API_DestroySession", session);
}

}  // extern "C"
