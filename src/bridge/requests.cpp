#include "bridge/requests.h"

#include "exchange/exchange_folder.h"
#include "exchange/log_file.h"
#include "exchange/sync_record.h"
#include "formats/container_reader.h"
#include "renderer/camera_sync.h"
#include "renderer/incremental_update.h"
#include "renderer/renderer_session.h"

namespace tarnwick {

namespace {

// Without a session there is nothing to flush.
void FlushIfSession(const ExchangeDocument& document) {
  if (document.Session.handle != 0) FlushRenderer(document.Session.handle);
}

// Removals or a reset from "_mod.sm", then its new body, then the flush.
void ApplyIncrementalModel(ExchangeDocument& document) {
  document.ContainerPath = MakeExchangeFilePath(u"_mod.sm");
  ApplyIncrementalFile(document);
  StreamModelSlot(document, 1);
  FlushIfSession(document);
}

}  // namespace

bool RunStartupExport(ExchangeDocument& document) {
  document.ContainerPath = MakeExchangeFilePath(u"_model.cvm");
  const int code = LoadContainerHeader(document);
  // The host's file is not held while the renderer starts or a message is up:
  // the slot is streamed from a fresh open.
  CloseContainer(document);
  if (code != kHeaderLoaded) {
    ReportError(kErrorModelFile, code);
    return false;
  }
  document.Session.project_path = SlotName(document.Slots[0]);
  if (!StartRendererSession(document.Session)) return false;
  StreamModelSlot(document, 0);
  FlushIfSession(document);
  return true;
}

void ServeCameraSync(ExchangeDocument& document) { ServeCameraRequest(document); }

void ServeModelSyncPrepare(ExchangeDocument& document, const std::function<void()>& notify_host) {
  // The record is complete and closed before the host is told to read it, and
  // the host is not told at all when the record could not be written.
  if (WriteSyncRecord(document)) notify_host();
  WriteLog("Sync Model state 0");
}

void ServeModelSyncApply(ExchangeDocument& document) {
  WriteLog("Sync Model state 1 _ Start");
  ApplyIncrementalModel(document);
  WriteLog("Sync Model state 1 _ End");
}

void ServeLightSync(ExchangeDocument& document) { ApplyIncrementalModel(document); }

void ServeViewsSync(ExchangeDocument& document) { ServeViewsRequest(document); }

}  // namespace tarnwick
