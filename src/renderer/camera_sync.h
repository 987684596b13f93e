// The host's camera and saved views into the renderer, with the view cache.
#pragma once

#include "formats/camera_record.h"
#include "formats/exchange_document.h"
#include "renderer/renderer_session.h"

namespace tarnwick {

// Fills the renderer camera block from a host camera: axes (x, y, z) -> (y, -x, z), fov x 1.24.
void FillRendererCamera(RendererCamera& camera, const CameraRecord& record);

// Makes the record the renderer's current camera (three calls).
void SendCamera(RendererSession& session, const CameraRecord& record);

// Sends the record as a saved view (three calls).
void SendView(RendererSession& session, const CameraRecord& record);

// Sends the active camera and the views of a list, keeping the document's view cache; ends the export.
void SyncViews(ExchangeDocument& document, const CameraList& list);

// The camera request: reads "camera.cam" and sends it; nothing when the file cannot be opened.
void ServeCameraRequest(ExchangeDocument& document);

// The views request: reads "Views.cam" and syncs its views; nothing when the file cannot be opened.
void ServeViewsRequest(ExchangeDocument& document);

}  // namespace tarnwick
