// The bridge's work, in portable code on the one document: the start-up export
// and one function per host request. The Windows message window only
// dispatches to these.
#pragma once

#include <functional>

#include "bridge/exchange_document.h"
#include "exchange/sync_record.h"

namespace tarnwick {

// Sends the host's whole model at start-up; true when the bridge may serve requests. No
// handle or view of the model file is held while the renderer starts or a message is up.
bool RunStartupExport(ExchangeDocument& document);

// Camera sync: makes the camera of "camera.cam" the renderer's camera.
void ServeCameraSync(ExchangeDocument& document);

// Model sync step 0: writes the sync record, then tells the host through notify_host if it was written.
void ServeModelSyncPrepare(ExchangeDocument& document, const std::function<void()>& notify_host);

// Model sync step 1: applies "_mod.sm" between its two log lines.
void ServeModelSyncApply(ExchangeDocument& document);

// Light sync: the same apply as step 1, without log lines.
void ServeLightSync(ExchangeDocument& document);

// Views sync: sends the saved views of "Views.cam".
void ServeViewsSync(ExchangeDocument& document);

// What the sync record lists: the project streamed last, the solids and the materials held.
SyncRecordContent MakeSyncRecordContent(const RendererState& renderer);

}  // namespace tarnwick
