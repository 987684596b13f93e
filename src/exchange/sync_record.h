// The sync record "_mod.sync": what the renderer holds according to the
// document, written for the host, which answers with only the differences.
#pragma once

#include <string>

#include "formats/exchange_document.h"

namespace tarnwick {

// The record's text: the project line, the solids in unsigned id order, the materials by name.
std::string FormatSyncRecord(const ExchangeDocument& document);

// Replaces "_mod.sync" in the exchange folder in one step by a complete record; on failure
// nothing is changed, "Sync Record Error: " and the reason are logged, and the result is false.
bool WriteSyncRecord(const ExchangeDocument& document);

}  // namespace tarnwick
