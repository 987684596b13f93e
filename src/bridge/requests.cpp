#include "bridge/requests.h"

namespace tarnwick {

// TEMPORARY: the start-up export and the requests arrive with the container
// reader and the exporters; until then the bridge serves nothing.
bool RunStartupExport(ExchangeDocument&) { return true; }
void ServeCameraSync(ExchangeDocument&) {}
void ServeModelSyncPrepare(ExchangeDocument&, const std::function<void()>& notify_host) {
  notify_host();
}
void ServeModelSyncApply(ExchangeDocument&) {}
void ServeLightSync(ExchangeDocument&) {}
void ServeViewsSync(ExchangeDocument&) {}

}  // namespace tarnwick
