// The host's camera and saved views into the renderer, with the view cache.
#pragma once

#include "formats/camera_record.h"
#include "renderer/renderer_session.h"
#include "renderer/renderer_state.h"

namespace tarnwick {

// Fills the renderer camera block from a host camera: axes (x, y, z) -> (y, -x, z), fov x 1.24.
void FillRendererCamera(RendererCamera& camera, const CameraRecord& record);

// Makes the record the renderer's current camera (three calls).
void SendCamera(RendererSession& session, const CameraRecord& record);

// Sends the record as a saved view (three calls).
void SendView(RendererSession& session, const CameraRecord& record);

// Sends the active camera and the views of a list, keeping the view cache; ends the export.
void SyncViews(RendererState& renderer, const CameraList& list);

}  // namespace tarnwick
