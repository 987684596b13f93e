// The texts of a crash: the one log entry that says what failed, where and what
// the bridge was doing, and the name of the minidump beside it. The crash
// handler formats them while the process may be in any state, so every function
// here writes into the caller's fixed buffer and allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

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

// The time of the crash, UTC.
struct CrashTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// What the handler found out about the exception.
struct CrashFacts {
  std::uint32_t code = 0;                // the exception code
  std::uint64_t address = 0;             // where it happened
  const char* module = nullptr;          // the module's file name there; null when none
  std::uint64_t offset = 0;              // the address less the module's load address
  const char* function = nullptr;        // the module's exported function that was called, if known
  const char* caller_module = nullptr;   // the module that called into `module`, if known
  std::uint64_t caller_offset = 0;       // the return address there, less that module's load address
  int access = -1;                       // an access violation's kind: 0 read, 1 write, 8 execute
  std::uint64_t access_address = 0;      // the address it tried to reach
  Activity activity;                     // what the bridge was doing
};

// The name of a Windows exception code ("EXCEPTION_ACCESS_VIOLATION"), or "unknown exception".
const char* ExceptionCodeName(std::uint32_t code);

// Writes the whole log line "[YYYY. MM. DD - hh:mm:ss]: Crash: ..." with its CR LF, cut short
// to fit; returns its length (the text is NUL-terminated when capacity > 0).
std::size_t FormatCrashEntry(const CrashFacts& facts, const CrashTime& time, char* out,
                             std::size_t capacity);

// Writes the dump's file name for that time and process; returns its length, 0 when it does
// not fit.
std::size_t FormatCrashDumpName(const CrashTime& time, std::uint32_t process_id, char16_t* out,
                                std::size_t capacity);

// Orders dump file names (NUL-terminated) from the newest to the oldest.
void SortNewestFirst(std::span<const char16_t*> names);

}  // namespace tarnwick
