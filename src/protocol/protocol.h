// The fixed names and numbers that the bridge shares with the host's plug-in,
// the renderer and the system: window classes, the single-instance mutex, the
// exchange folder and its files, the window messages and the timers. The
// product, every tool and every test take them from here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnwick::protocol {

// A name given once and usable as narrow text (the ...A Windows calls, logs)
// and as UTF-16 text (the ...W calls, paths), with no second spelling.
template <std::size_t N>
struct FixedName {
  char narrow[N]{};
  char16_t wide[N]{};
  // The name from a narrow literal of plain ASCII.
  constexpr FixedName(const char (&text)[N]) {  // NOLINT: implicit from a literal on purpose
    for (std::size_t i = 0; i < N; ++i) {
      narrow[i] = text[i];
      wide[i] = static_cast<char16_t>(static_cast<unsigned char>(text[i]));
    }
  }
  // The UTF-16 text without its terminator.
  constexpr std::u16string_view view() const { return {wide, N - 1}; }
  // The narrow text without its terminator.
  constexpr std::string_view narrow_view() const { return {narrow, N - 1}; }
};

// Window classes: the host's main window, the renderer's main window, the bridge's own.
inline constexpr FixedName kHostWindowClass{"Corvella_class"};
inline constexpr FixedName kRendererWindowClass{"Qt5152QWindowIcon"};
inline constexpr FixedName kBridgeWindowClass{"Tarnwick"};
// The named mutex that tells the first process (the resident bridge) from later ones.
inline constexpr FixedName kSingleInstanceMutex{"TarnwickMutex"};
// The named lock under which every process measures, rotates and appends to the log.
inline constexpr FixedName kLogLock{"Tarnwick_D5_Log_Lock"};

// The exchange folder: %APPDATA%\Brevane\Corvella2026_D5Plugin\Data, or the registry
// value TempPath of HKCU\SOFTWARE\Brevane\Corvella2026_D5Plugin. The host's plug-in
// derives the same folder from the same pieces.
inline constexpr FixedName kAppDataVariable{"APPDATA"};
inline constexpr FixedName kVendorFolder{"Brevane"};
inline constexpr FixedName kProductName{"Corvella"};
inline constexpr FixedName kProductRelease{"2026"};
inline constexpr FixedName kPluginDataFolder{"_D5Plugin\\Data"};
inline constexpr FixedName kRegistryKeyStem{"SOFTWARE\\Brevane\\Corvella"};
inline constexpr FixedName kRegistryPluginKey{"_D5Plugin"};
inline constexpr FixedName kRegistryFolderValue{"TempPath"};

// Files of the exchange folder.
inline constexpr FixedName kModelFile{"_model.cvm"};
inline constexpr FixedName kIncrementalFile{"_mod.sm"};
inline constexpr FixedName kCameraFile{"camera.cam"};
inline constexpr FixedName kViewsFile{"Views.cam"};
inline constexpr FixedName kSyncRecordFile{"_mod.sync"};
inline constexpr FixedName kLogFile{"D5_Log.log"};
// The log's backup is the log's path followed directly by this.
inline constexpr FixedName kLogBackupSuffix{"Old"};
// Sub-folders of the exchange folder named in material and light records.
inline constexpr FixedName kTexturesFolder{"\\Textures\\"};
inline constexpr FixedName kIesFolder{"\\IES\\"};

// Requests to the bridge's window (WM_USER + n); wParam and lParam are 0.
inline constexpr std::uint32_t MSG_CAMERA_SYNC = 1025;
inline constexpr std::uint32_t MSG_MODEL_SYNC_PREPARE = 1026;
// Posted only by the host's plug-in, once it has written the incremental file.
inline constexpr std::uint32_t MSG_MODEL_SYNC_APPLY = 1027;
inline constexpr std::uint32_t MSG_LIGHT_SYNC = 1028;
inline constexpr std::uint32_t MSG_VIEWS_SYNC = 1029;
// Posted to the host window once the sync record is written, with this lParam.
inline constexpr std::uint32_t MSG_HOST_SYNC_READY = 1137;
inline constexpr std::intptr_t kHostSyncReadyLParam = 10;
// The WM_COMMAND identifier that ends the bridge.
inline constexpr std::uint32_t kExitCommand = 105;

// The watchdog timer: the host and the renderer are checked after every tick.
inline constexpr std::uintptr_t TIMER_WATCHDOG = 101;
inline constexpr std::uint32_t kWatchdogPeriodMs = 1000;
// A second, slow timer on the window; its ticks end nothing.
inline constexpr std::uintptr_t TIMER_SLOW = 100;
inline constexpr std::uint32_t kSlowTimerPeriodMs = 50000;

// Container files: the fixed header with its directory, and the directory's slots.
inline constexpr std::uint32_t kContainerHeaderBytes = 208644;
inline constexpr int kDirectorySlotCount = 100;

}  // namespace tarnwick::protocol
