// The texts of a crash: the log entries that say what failed, where and what
// the bridge was doing, and the name of the minidump beside them. The crash
// handler formats them while the process may be in any state, so every function
// here writes into the caller's fixed buffer and allocates nothing.
//
// A crash leaves up to three entries, each written whole before the next is
// looked for: "Crash: " with what the handler knows without reading memory
// the process did not make (the code, the access, the address, the activity),
// "Crash site: " with the module, the offset, the function and its caller,
// read from the loaded images, and "Crash dump: " with the dump's name or why
// there is none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/activity.h"

namespace tarnwick {

// Minidumps are named "Tarnwick-crash-YYYYMMDD-hhmmss-PID.dmp" (UTC), so that their names
// sort by time; the folder keeps the newest few.
inline constexpr char16_t kCrashDumpPrefix[] = u"Tarnwick-crash-";
inline constexpr char16_t kCrashDumpExtension[] = u".dmp";
inline constexpr std::size_t kCrashDumpsKept = 5;
// Room for a whole log entry and for a dump's file name, terminator included.
inline constexpr std::size_t kCrashEntryCapacity = 768;
inline constexpr std::size_t kCrashDumpNameCapacity = 64;
// A part name longer than this is cut short in the entry.
inline constexpr std::size_t kCrashPartNameShown = 80;

// Raised by the crash handler's std::terminate, so that a C++ exception nobody caught ends
// as any crash does (the customer bit is set: never a system code).
inline constexpr std::uint32_t kTerminateExceptionCode = 0xE0544D01u;
// Raised by the crash handler's abort signal handler of every C runtime in the process:
// abort(), and a std::terminate of a library with a runtime of its own, end as a crash.
inline constexpr std::uint32_t kAbortExceptionCode = 0xE0544D02u;

// The kinds of access of an access violation or an in-page error, numbered as the
// exception record gives them.
inline constexpr int kAccessRead = 0;
inline constexpr int kAccessWrite = 1;
inline constexpr int kAccessExecute = 8;

// The time of the crash, UTC.
struct CrashTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// What the handler found out about the exception.
struct CrashFacts {
  std::uint32_t code = 0;                // the exception code
  std::uint64_t address = 0;             // where it happened
  int access = -1;                       // an access fault's kind (kAccess...); -1 none
  std::uint64_t access_address = 0;      // the address it tried to reach
  Activity activity;                     // what the bridge was doing
  const char* module = nullptr;          // the module's file name there; null when none
  std::uint64_t offset = 0;              // the address less the module's load address
  const char* function = nullptr;        // the module's exported function that was called, if known
  const char* caller_module = nullptr;   // the module that called into `module`, if known
  std::uint64_t caller_offset = 0;       // the return address there, less that module's load address
};

// What became of the dump.
enum class CrashDumpOutcome {
  kWritten,      // the named dump is whole in the folder
  kFailed,       // it could not be written (no dbghelp, no file, the writer failed)
  kUnfinished,   // it was not done within the wait (a lock held by the crashed thread)
};

// The name of a Windows exception code ("EXCEPTION_ACCESS_VIOLATION"), or "unknown exception".
const char* ExceptionCodeName(std::uint32_t code);

// Writes the entry "[YYYY. MM. DD - hh:mm:ss]: Crash: ..." with its CR LF: the code and its
// name, the access, the address and the activity. Cut short to fit, the line still ends;
// returns its length (the text is NUL-terminated when capacity > 0).
std::size_t FormatCrashEntry(const CrashFacts& facts, const CrashTime& time, char* out,
                             std::size_t capacity);

// Writes the entry "...: Crash site: MODULE+0xOFFSET (function) called from ..." as above;
// returns 0 when no module holds the address.
std::size_t FormatCrashSite(const CrashFacts& facts, const CrashTime& time, char* out,
                            std::size_t capacity);

// Writes the entry "...: Crash dump: NAME" or why there is none (`wait_seconds`: how long
// it was waited for); returns its length.
std::size_t FormatCrashDumpEntry(CrashDumpOutcome outcome, const char16_t* name,
                                 int wait_seconds, const CrashTime& time, char* out,
                                 std::size_t capacity);

// Writes the dump's file name for that time and process; returns its length, 0 when it does
// not fit.
std::size_t FormatCrashDumpName(const CrashTime& time, std::uint32_t process_id, char16_t* out,
                                std::size_t capacity);

// Whether a file name has exactly the form FormatCrashDumpName gives: only such files are
// the bridge's dumps, to be kept or removed.
bool IsCrashDumpName(std::u16string_view name);

// The newest few of the older dumps, so that the folder keeps kCrashDumpsKept with the new
// one: each dump name taken in is kept or pushes out the oldest kept, whatever their number
// and order, with no allocation.
class OlderDumpsKept {
 public:
  // Takes in a dump's name (IsCrashDumpName); returns the name no longer kept (this one or
  // one taken in before), valid until the next call, or an empty view.
  std::u16string_view TakeIn(std::u16string_view name);

 private:
  static constexpr std::size_t kSlots = kCrashDumpsKept - 1;
  char16_t names_[kSlots][kCrashDumpNameCapacity] = {};
  std::size_t lengths_[kSlots] = {};
  std::size_t count_ = 0;
  char16_t pushed_out_[kCrashDumpNameCapacity] = {};
};

}  // namespace tarnwick
