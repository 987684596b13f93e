// Windows only: mapped views whose lost pages end a read instead of the process.
// Windows raises an exception (EXCEPTION_IN_PAGE_ERROR; Wine an access violation)
// in whatever code touches a page of a view that the volume can no longer give:
// the reader, the worker loading ahead, or the renderer's library taking an
// array in place. A watched view that faults is replaced where it stands by
// pages of zeros and its owner's flag is set, so the code that touched it goes
// on, reads zeros, and the owner ends its reading as a failed read.
#pragma once

#include <atomic>
#include <cstddef>

namespace tarnwick {

// Watches the view mapped at `data` for `length` bytes: a fault in it sets `lost` (which
// must outlive the watch). False when no more views can be watched (the caller then
// unmaps the view and does without it).
bool WatchView(const void* data, std::size_t length, std::atomic<bool>& lost);

// Ends the watch of a view and lets its addresses go: the view is unmapped, or the zeros
// that replaced it are freed. A view that is not watched is only unmapped.
void UnmapWatchedView(const void* data);

}  // namespace tarnwick
