// Our declarations of the renderer vendor's client library D5Api.dll: the 29
// functions the bridge imports by name. UTF-16 text is char16_t, which has the
// ABI of Windows' wide strings. Only the results of D5API_StartD5Render and
// D5API_CreateSession are ever tested (0 = success).
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// Opaque, pointer-sized session handle; zero means none.
typedef std::intptr_t D5Session;

// The triangle batch of one geometry part. first_count is the vertex count n
// (position elements / 3) on both paths, with and without an index list.
struct MeshDescriptor {
  std::int32_t first_count;
  std::int32_t index_count;
  const float* positions;
  const void* attributes1;
  const void* attributes2;
  const std::uint32_t* indices;
};

// The scene-setting record passed by address at session start.
struct SceneSetting {
  float value;
  std::int32_t mode;
  std::int32_t option;
};

int D5API_StartD5Render(const char16_t* project, const char* client, const char* version,
                        std::int32_t* error_code);
int D5API_CreateSession(D5Session* session, std::int32_t arg, const char* access,
                        std::int32_t* out_value);
int D5API_SetSceneSetting(D5Session session, const SceneSetting* setting);
int D5API_SetModelFilePath(D5Session session, const char16_t* path);
int D5API_SaveToFiles(D5Session session, const char16_t* path);
int D5API_BeginNode(D5Session session, const char16_t* name, const float* matrix,
                    std::uint8_t flag);
int D5API_AddIndexedTriangle(D5Session session, const char16_t* part,
                             const MeshDescriptor* mesh);
int D5API_DeleteNode(D5Session session, const char16_t* name);
int D5API_AddMaterial(D5Session session, const char16_t* name);
int D5API_ResetMaterial(D5Session session, const char16_t* name);
int D5API_SetMaterialStringProperty(D5Session session, const char16_t* name,
                                    const char16_t* prop, const char16_t* value);
int D5API_SetMaterialIntProperty(D5Session session, const char16_t* name, const char16_t* prop,
                                 std::int32_t value);
int D5API_SetMaterialFloatProperty(D5Session session, const char16_t* name,
                                   const char16_t* prop, float value);
int D5API_AddLight(D5Session session, const char16_t* name);
int D5API_RemoveLight(D5Session session, const char16_t* name);
int D5API_SetLightStringProperty(D5Session session, const char16_t* name, const char16_t* prop,
                                 const char16_t* value);
int D5API_SetLightIntProperty(D5Session session, const char16_t* name, const char16_t* prop,
                              std::int32_t value);
int D5API_SetLightFloatProperty(D5Session session, const char16_t* name, const char16_t* prop,
                                float value);
int D5API_SetLightFloatArrayProperty(D5Session session, const char16_t* name,
                                     const char16_t* prop, const float* values,
                                     std::size_t count);
int D5API_SetCameraFloatProperty(D5Session session, const char16_t* prop, float value);
int D5API_SendSimpleCamera(D5Session session, const float* camera, float fov);
int D5API_AddSceneView(D5Session session, const char16_t* name, const char16_t* name2,
                       const float* camera, float fov);
int D5API_EndNode(D5Session session);
int D5API_SendLights(D5Session session);
int D5API_SendCurrentActiveCamera(D5Session session);
int D5API_SendSceneViews(D5Session session);
int D5API_EndExport(D5Session session);
int D5API_FlushData(D5Session session, std::int32_t* status);
int D5API_DestroySession(D5Session session);

}  // extern "C"
