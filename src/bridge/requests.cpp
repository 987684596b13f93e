#include "bridge/requests.h"

#include <optional>

#include "exchange/activity.h"
#include "exchange/exchange_folder.h"
#include "exchange/log_file.h"
#include "exchange/sync_record.h"
#include "formats/camera_record.h"
#include "formats/container_reader.h"
#include "protocol/protocol.h"
#include "renderer/camera_sync.h"
#include "renderer/incremental_update.h"
#include "renderer/renderer_export.h"
#include "renderer/renderer_session.h"

namespace tarnwick {

namespace {

// What a crash entry says the bridge was doing.
constexpr char kStepReadHeader[] = "start-up: reading the model's header";
constexpr char kStepStartRenderer[] = "start-up: starting the renderer";
constexpr char kStepSendModel[] = "start-up: sending the model";
constexpr char kStepFlush[] = "start-up: flushing to the renderer";
constexpr char kStepCameraSync[] = "cameraSync";
constexpr char kStepModelSyncPrepare[] = "ModelSync: writing the sync record";
constexpr char kStepModelSyncApply[] = "ModelSync: applying the changes";
constexpr char kStepLightSync[] = "lightSync";
constexpr char kStepViewsSync[] = "viewsSync";

// The exchange folder is resolved per request: an empty one is tried again later.
ExportSettings SettingsOf(const ExchangeDocument& document) {
  return ExportSettings{GetExchangeFolder(), document.ColorModeFlag};
}

// Removals or a reset from "_mod.sm", then its new body, then the flush.
void ApplyIncrementalModel(ExchangeDocument& document) {
  document.ContainerPath = MakeExchangeFilePath(protocol::kIncrementalFile.view());
  ApplyIncrementalFile(document, document);
  StreamSlotToRenderer(document, 1, document, SettingsOf(document));
  FlushIfSession(document.Session);
}

}  // namespace

bool RunStartupExport(ExchangeDocument& document) {
  ActivityStep::Set(kStepReadHeader);
  document.ContainerPath = MakeExchangeFilePath(protocol::kModelFile.view());
  const HeaderLoadResult result = LoadContainerHeader(document);
  // The host's file is not held while the renderer starts or a message is up: the
  // host may rewrite it meanwhile, which Windows refuses while a view of it is mapped.
  // The slot is streamed from a fresh open.
  CloseContainer(document);
  if (result != HeaderLoadResult::kLoaded) {
    ReportError(ErrorKind::kModelFile, static_cast<int>(result));
    return false;
  }
  document.Session.project_path = SlotName(document.Slots[0]);
  ActivityStep::Set(kStepStartRenderer);
  if (!StartRendererSession(document.Session)) return false;
  ActivityStep::Set(kStepSendModel);
  StreamSlotToRenderer(document, 0, document, SettingsOf(document));
  ActivityStep::Set(kStepFlush);
  FlushIfSession(document.Session);
  return true;
}

void ServeCameraSync(ExchangeDocument& document) {
  const ActivityStep step(kStepCameraSync);
  const std::optional<std::u16string> text =
      LoadCameraFileText(MakeExchangeFilePath(protocol::kCameraFile.view()));
  if (!text) return;
  CameraRecord record;
  ReadCameraRecord(record, *text);
  SendCamera(document.Session, record);
}

void ServeModelSyncPrepare(ExchangeDocument& document, const std::function<void()>& notify_host) {
  const ActivityStep step(kStepModelSyncPrepare);
  // The record is complete and closed before the host is told to read it, and
  // the host is not told at all when the record could not be written.
  if (WriteSyncRecord(MakeSyncRecordContent(document))) notify_host();
  WriteLog("Sync Model state 0");
}

void ServeModelSyncApply(ExchangeDocument& document) {
  const ActivityStep step(kStepModelSyncApply);
  WriteLog("Sync Model state 1 _ Start");
  ApplyIncrementalModel(document);
  WriteLog("Sync Model state 1 _ End");
}

void ServeLightSync(ExchangeDocument& document) {
  const ActivityStep step(kStepLightSync);
  ApplyIncrementalModel(document);
}

void ServeViewsSync(ExchangeDocument& document) {
  const ActivityStep step(kStepViewsSync);
  const std::optional<std::u16string> text =
      LoadCameraFileText(MakeExchangeFilePath(protocol::kViewsFile.view()));
  if (!text) return;
  CameraList list;
  ReadCamerasRecord(list, *text);
  SyncViews(document, list);
}

SyncRecordContent MakeSyncRecordContent(const RendererState& renderer) {
  SyncRecordContent content;
  content.project = renderer.SourceProject;
  content.solids = renderer.Solids.InOrder();
  content.materials.reserve(renderer.Materials.size());
  for (const auto& [name, material] : renderer.Materials) {
    content.materials.push_back({&name, material.nTimeID, material._nMatDescIndex});
  }
  return content;
}

}  // namespace tarnwick
