// The bridge's work, in portable code on the one document: the start-up export
// and one function per host request. The Windows message window only
// dispatches to these.
#pragma once

#include <functional>
#include <memory>

#include "bridge/exchange_document.h"
#include "exchange/sync_record.h"
#include "renderer/early_index_check.h"

namespace tarnwick {

// Starts checking the index lists of the host's model file while the process starts up.
std::unique_ptr<EarlyIndexCheck> StartEarlyIndexCheck();

// Sends the host's whole model at start-up; true when the bridge may serve requests. The
// early checks, if any, are taken where they hold, and stopped before the model-file error
// box and at the end of the export at the latest.
bool RunStartupExport(ExchangeDocument& document, EarlyIndexCheck* early = nullptr);

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
