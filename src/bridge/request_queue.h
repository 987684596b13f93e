// The gate between the window's messages and the bridge's work: requests that
// arrive before the start-up export has succeeded (dispatched by a message box's
// loop, or while the export runs) are held in arrival order, and none of them
// is served without an open session.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>

namespace tarnwick {

// Whether a window message is one of the host's requests, 1025 to 1029.
bool IsHostRequest(std::uint32_t message);

// Holds requests until serving begins, then serves each one as it arrives.
class RequestQueue {
 public:
  // serve runs one request to completion.
  explicit RequestQueue(std::function<void(std::uint32_t)> serve) : serve_(std::move(serve)) {}

  // A request has arrived: served at once once serving has begun, held before.
  void Receive(std::uint32_t message);

  // The start-up export succeeded: the held requests are served in arrival order,
  // and every later one at once. Requests that arrive meanwhile queue behind them.
  void StartServing();

  // Whether serving has begun.
  bool serving() const { return serving_; }

  // Requests held and not yet served.
  std::size_t held() const { return held_.size(); }

 private:
  std::function<void(std::uint32_t)> serve_;
  std::deque<std::uint32_t> held_;
  bool serving_ = false;
  bool draining_ = false;
};

}  // namespace tarnwick
