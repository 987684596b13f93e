#include "renderer/camera_sync.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "formats/axes.h"

namespace tarnwick {

namespace {

// Differences up to this much are rounding noise of the host's text output.
constexpr double kViewTolerance = 0.0001;

void PutAxes(RendererCamera& camera, std::size_t at, const std::array<float, 3>& host) {
  const std::array<float, 3> renderer = RendererAxes(host);
  std::copy(renderer.begin(), renderer.end(), camera.begin() + static_cast<std::ptrdiff_t>(at));
}

double Difference(float a, float b) { return std::fabs(static_cast<double>(a - b)); }

// The positions tolerate a difference of exactly the tolerance, the field of
// view and the clip distance do not. A NaN difference counts as a change:
// otherwise a cached NaN would hide every later, valid value of the view.
bool PositionMoved(float a, float b) { return !(Difference(a, b) <= kViewTolerance); }
bool ScalarMoved(float a, float b) { return !(Difference(a, b) < kViewTolerance); }

bool ViewDiffers(const CameraRecord& cached, const CameraRecord& host) {
  for (std::size_t k = 0; k < 3; ++k) {
    if (PositionMoved(cached._from[k], host._from[k]) || PositionMoved(cached._to[k], host._to[k]) ||
        PositionMoved(cached._up[k], host._up[k])) {
      return true;
    }
  }
  return ScalarMoved(cached._fov, host._fov) || ScalarMoved(cached._fNerClipp, host._fNerClipp);
}

void SetNearClip(const RendererSession& session, const CameraRecord& record) {
  D5API_SetCameraFloatProperty(session.handle, u"camera_near_clip_plane", record._fNerClipp);
}

// A known name is sent with the cached values unless the host moved the view.
void SyncOneView(RendererState& renderer, const CameraRecord& view) {
  NamedViewCache& cache = renderer.ViewCache;
  if (const std::optional<std::size_t> index = cache.Find(view.Name)) {
    if (ViewDiffers(cache[*index], view)) cache.Overwrite(*index, view);
    SendView(renderer.Session, cache[*index]);
    return;
  }
  SendView(renderer.Session, view);
  cache.push_back(view);
}

}  // namespace

void FillRendererCamera(RendererCamera& camera, const CameraRecord& record) {
  PutAxes(camera, 0, record._from);
  PutAxes(camera, 3, record._to);
  PutAxes(camera, 6, record._up);
  camera[9] = record._fov * 1.24f;
}

void SendCamera(RendererSession& session, const CameraRecord& record) {
  FillRendererCamera(session.camera, record);
  SetNearClip(session, record);
  D5API_SendSimpleCamera(session.handle, session.camera.data(), session.camera[9]);
  D5API_SendCurrentActiveCamera(session.handle);
}

void SendView(RendererSession& session, const CameraRecord& record) {
  FillRendererCamera(session.camera, record);
  D5API_AddSceneView(session.handle, record.Name.c_str(), record.Name.c_str(),
                     session.camera.data(), session.camera[9]);
  SetNearClip(session, record);
  D5API_SendSceneViews(session.handle);
}

void SyncViews(RendererState& renderer, const CameraList& list) {
  const std::vector<CameraRecord>& views = list.cameras;
  const std::int64_t count = static_cast<std::int64_t>(views.size());
  const std::int64_t active = list.nActCamera;
  const bool has_active = active >= 0 && active < count;
  if (has_active) {
    const CameraRecord& camera = views[static_cast<std::size_t>(active)];
    SendCamera(renderer.Session, camera);
    renderer.ViewCache.SetActive(camera);
  }
  for (std::int64_t i = 0; i < count; ++i) {
    if (has_active && i == active) continue;
    SyncOneView(renderer, views[static_cast<std::size_t>(i)]);
  }
  D5API_EndExport(renderer.Session.handle);
}

}  // namespace tarnwick
