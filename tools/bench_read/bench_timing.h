// What the benchmark's launchers share: times, spreads, and the environment of a
// bridge started for the benchmark.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "test_host/bridge_process.h"

namespace tarnwick::bench {

using Variables = std::vector<std::pair<std::wstring, std::wstring>>;

// Seconds between two readings of the performance counter.
inline double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The performance counter now.
inline LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

// The environment of a bridge in APPDATA: the stand-in without a window, journalling to
// `journal` ("" for none), reading its settings once (no cost per call) or at every call.
inline Variables BridgeVariables(const std::wstring& appdata, const std::wstring& journal,
                                 bool once) {
  return {{L"APPDATA",
           test_host::WindowsPathOf(std::string(appdata.begin(), appdata.end())).wstring()},
          {L"RENDERER_STANDIN_NO_WINDOW", L"1"},
          {L"RENDERER_STANDIN_JOURNAL", journal},
          {L"RENDERER_STANDIN_SETTINGS_EACH_CALL", once ? L"" : L"1"}};
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// "what: min a, median b, max c" of the values.
inline void PrintSpread(const char* what, const std::vector<double>& values, const char* unit) {
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  std::printf("%s: min %.4f%s, median %.4f%s, max %.4f%s\n", what, *low, unit, Median(values),
              unit, *high, unit);
}

// The spreads of a timed work, its floor and their ratio within each round.
inline void PrintAgainstFloor(const char* work, const std::vector<double>& times,
                              const char* floor, const std::vector<double>& floors) {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < times.size(); ++i) ratios.push_back(times[i] / floors[i]);
  PrintSpread(work, times, " s");
  PrintSpread(floor, floors, " s");
  PrintSpread((std::string(work) + " / floor, per round").c_str(), ratios, "");
}

}  // namespace tarnwick::bench
