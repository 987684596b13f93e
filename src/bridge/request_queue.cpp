#include "bridge/request_queue.h"

#include "protocol/protocol.h"

namespace tarnwick {

bool IsHostRequest(std::uint32_t message) {
  return message >= protocol::MSG_CAMERA_SYNC && message <= protocol::MSG_VIEWS_SYNC;
}

void RequestQueue::Receive(std::uint32_t message) {
  // While the held ones are being served, a request that a nested message loop
  // dispatches must wait its turn behind them.
  if (!serving_ || draining_) {
    held_.push_back(message);
    return;
  }
  serve_(message);
}

void RequestQueue::StartServing() {
  if (serving_) return;
  serving_ = true;
  draining_ = true;
  while (!held_.empty()) {
    const std::uint32_t message = held_.front();
    held_.pop_front();
    serve_(message);
  }
  draining_ = false;
}

}  // namespace tarnwick
