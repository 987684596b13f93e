#include "bridge/request_queue.h"

#include <gtest/gtest.h>

#include <vector>

#include "protocol/protocol.h"

namespace tarnwick {
using namespace protocol;
namespace {

using Served = std::vector<std::uint32_t>;

TEST(RequestQueueTest, OnlyTheFiveHostRequestsAreRequests) {
  for (std::uint32_t message = 1025; message <= 1029; ++message) {
    EXPECT_TRUE(IsHostRequest(message)) << message;
  }
  for (std::uint32_t message : {0u, 1024u, 1030u, MSG_HOST_SYNC_READY, 0x0111u}) {
    EXPECT_FALSE(IsHostRequest(message)) << message;
  }
}

TEST(RequestQueueTest, RequestsBeforeServingAreHeldThenServedInArrivalOrder) {
  Served served;
  RequestQueue queue([&](std::uint32_t message) { served.push_back(message); });
  for (std::uint32_t message : {MSG_MODEL_SYNC_PREPARE, MSG_CAMERA_SYNC, MSG_MODEL_SYNC_PREPARE,
                                MSG_VIEWS_SYNC, MSG_MODEL_SYNC_APPLY}) {
    queue.Receive(message);
  }
  EXPECT_TRUE(served.empty()) << "nothing is served before the start-up export succeeded";
  EXPECT_EQ(queue.held(), 5u);
  EXPECT_FALSE(queue.serving());

  queue.StartServing();
  EXPECT_EQ(served, (Served{MSG_MODEL_SYNC_PREPARE, MSG_CAMERA_SYNC, MSG_MODEL_SYNC_PREPARE,
                            MSG_VIEWS_SYNC, MSG_MODEL_SYNC_APPLY}));
  EXPECT_EQ(queue.held(), 0u);
  EXPECT_TRUE(queue.serving());

  // From now on each request is served as it arrives, once.
  queue.Receive(MSG_LIGHT_SYNC);
  queue.StartServing();
  EXPECT_EQ(served.size(), 6u);
  EXPECT_EQ(served.back(), MSG_LIGHT_SYNC);
}

TEST(RequestQueueTest, WithoutServingNothingIsEverServed) {
  // A failed start-up export never starts serving: the held requests end with the queue.
  int served = 0;
  {
    RequestQueue queue([&](std::uint32_t) { ++served; });
    queue.Receive(MSG_MODEL_SYNC_PREPARE);
    queue.Receive(MSG_CAMERA_SYNC);
  }
  EXPECT_EQ(served, 0);
}

TEST(RequestQueueTest, ARequestArrivingWhileHeldOnesAreServedWaitsItsTurn) {
  Served served;
  RequestQueue* self = nullptr;
  RequestQueue queue([&](std::uint32_t message) {
    served.push_back(message);
    // A nested message loop inside the first request dispatches a later one.
    if (served.size() == 1) self->Receive(MSG_LIGHT_SYNC);
  });
  self = &queue;
  queue.Receive(MSG_CAMERA_SYNC);
  queue.Receive(MSG_VIEWS_SYNC);
  queue.StartServing();
  EXPECT_EQ(served, (Served{MSG_CAMERA_SYNC, MSG_VIEWS_SYNC, MSG_LIGHT_SYNC}));
  EXPECT_EQ(queue.held(), 0u);
}

TEST(RequestQueueTest, StartingWithNothingHeldServesNothing) {
  int served = 0;
  RequestQueue queue([&](std::uint32_t) { ++served; });
  queue.StartServing();
  EXPECT_EQ(served, 0);
  queue.Receive(MSG_CAMERA_SYNC);
  EXPECT_EQ(served, 1);
}

}  // namespace
}  // namespace tarnwick
