// What the bridge is doing right now, for the crash entry of the log: the
// start-up step or request, and while a body is sent, the solid and the part.
// Plain values in one fixed record, written on the bridge's thread with a few
// stores and no allocation, and read only by the crash handler, which may run
// at any instruction: the compiler keeps every store ahead of the work that
// follows it (a signal fence costs no instruction).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace tarnwick {

// The bridge's current activity. Texts are static; the part name is the caller's
// and is pointed to only while that part is being sent.
struct Activity {
  const char* step = nullptr;        // start-up step or request, a static text; null before
  std::uint32_t solid_id = 0;        // the solid being sent, when in_solid
  bool in_solid = false;             // between a solid's begin and its end
  const char16_t* part = nullptr;    // the part being sent, or null
  std::uint32_t part_length = 0;     // its length in code units
};

// The one record of the process.
inline Activity g_activity;

// Makes a step the current activity for the object's lifetime; the step before comes back
// afterwards.
class ActivityStep {
 public:
  // `step` must be a text with static lifetime.
  explicit ActivityStep(const char* step) : previous_(g_activity.step) { Set(step); }
  ~ActivityStep() { Set(previous_); }
  ActivityStep(const ActivityStep&) = delete;
  ActivityStep& operator=(const ActivityStep&) = delete;

  // Makes `step` the current activity from now on (no step comes back); a solid or part
  // left over from a body cut short belongs to the step before.
  static void Set(const char* step) {
    g_activity.step = step;
    g_activity.in_solid = false;
    g_activity.part = nullptr;
    std::atomic_signal_fence(std::memory_order_seq_cst);
  }

 private:
  const char* previous_;
};

// A solid's node is being sent.
inline void NoteSolidBegin(std::uint32_t id) {
  g_activity.solid_id = id;
  g_activity.in_solid = true;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

// The solid's node is complete.
inline void NoteSolidEnd() {
  std::atomic_signal_fence(std::memory_order_seq_cst);
  g_activity.in_solid = false;
}

// One part of the current solid is being sent; `name` must live until NotePartSent.
inline void NotePart(const char16_t* name, std::uint32_t length) {
  g_activity.part_length = length;
  g_activity.part = name;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

// The same for a name held as a string.
inline void NotePart(const std::u16string& name) {
  NotePart(name.data(), static_cast<std::uint32_t>(name.size()));
}

// The part has been sent; its name is no longer pointed to.
inline void NotePartSent() {
  std::atomic_signal_fence(std::memory_order_seq_cst);
  g_activity.part = nullptr;
}

}  // namespace tarnwick
