// Display modes on Windows: EnumDisplaySettings lists them,
// ChangeDisplaySettings tests and switches (CDS_TEST, CDS_FULLSCREEN) and
// puts the registry's mode back. A record in the runtime folder holds the
// desktop's mode while a switch lasts, so that a start after a killed run
// puts it back where the system itself did not (Wine keeps a killed
// program's mode).
#include <cstdio>
#include <string>

#include "platform/DisplaySettings.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"

namespace emberhall {

namespace {

constexpr size_t kMaxRecordBytes = 4096;

DEVMODEW ModeOf(const TVideoMode& Mode) {
  DEVMODEW dm{};
  dm.dmSize = sizeof(dm);
  dm.dmPelsWidth = static_cast<DWORD>(Mode.Width);
  dm.dmPelsHeight = static_cast<DWORD>(Mode.Height);
  dm.dmBitsPerPel = static_cast<DWORD>(Mode.BitsPerPixel);
  dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
  return dm;
}

TVideoMode VideoModeOf(const DEVMODEW& Dm) {
  return {static_cast<int32_t>(Dm.dmPelsWidth), static_cast<int32_t>(Dm.dmPelsHeight),
          static_cast<int32_t>(Dm.dmBitsPerPel)};
}

std::string RecordFile() {
  const std::string dir = RuntimeDirectory();
  return dir.empty() ? "" : dir + "emberhall-display.record";
}

bool ProcessAlive(DWORD Pid) {
  if (Pid == GetCurrentProcessId()) return true;
  HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, Pid);
  if (!p) return false;
  DWORD code = 0;
  const bool alive = GetExitCodeProcess(p, &code) && code == STILL_ACTIVE;
  CloseHandle(p);
  return alive;
}

struct TSwitchRecord {
  DWORD Pid = 0;
  DEVMODEW Desktop{};
};

std::string FormatRecord(DWORD Pid, const DEVMODEW& Desktop) {
  return "pid=" + std::to_string(Pid) + "\nwidth=" + std::to_string(Desktop.dmPelsWidth) +
         "\nheight=" + std::to_string(Desktop.dmPelsHeight) + "\nbits=" + std::to_string(Desktop.dmBitsPerPel) +
         "\nfrequency=" + std::to_string(Desktop.dmDisplayFrequency) + "\n";
}

// The record's fields; false when it cannot be read or a field is missing.
bool ReadRecord(const std::string& File, TSwitchRecord& Record) {
  try {
    const std::vector<uint8_t> bytes = ReadFileBytes(File, kMaxRecordBytes);
    const std::string text(bytes.begin(), bytes.end());
    unsigned long pid = 0, width = 0, height = 0, bits = 0, frequency = 0;
    if (std::sscanf(text.c_str(), "pid=%lu\nwidth=%lu\nheight=%lu\nbits=%lu\nfrequency=%lu", &pid, &width, &height,
                    &bits, &frequency) != 5)
      return false;
    Record.Pid = static_cast<DWORD>(pid);
    Record.Desktop.dmSize = sizeof(Record.Desktop);
    Record.Desktop.dmPelsWidth = width;
    Record.Desktop.dmPelsHeight = height;
    Record.Desktop.dmBitsPerPel = bits;
    Record.Desktop.dmDisplayFrequency = frequency;
    Record.Desktop.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL | (frequency ? DM_DISPLAYFREQUENCY : 0);
    return width > 0 && height > 0 && width <= 65535 && height <= 65535;
  } catch (const std::exception&) {
    return false;
  }
}

bool CurrentMode(DEVMODEW& Mode) {
  Mode = DEVMODEW{};
  Mode.dmSize = sizeof(Mode);
  return EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &Mode);
}

void RemoveRecord(const std::string& File) {
  if (!File.empty()) DeleteFileW(WideOf(File).c_str());
}

class TWin32DisplaySettings : public IDisplaySettings {
 public:
  ~TWin32DisplaySettings() override { RestoreMode(); }

  std::vector<TVideoMode> ListModes() override {
    Recover();
    std::vector<TVideoMode> modes;
    DEVMODEW dm{};
    dm.dmSize = sizeof(dm);
    for (DWORD i = 0; EnumDisplaySettingsW(nullptr, i, &dm); ++i) modes.push_back(VideoModeOf(dm));
    return modes;
  }

  bool TestMode(const TVideoMode& Mode) override {
    DEVMODEW dm = ModeOf(Mode);
    return ChangeDisplaySettingsW(&dm, CDS_TEST | CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
  }

  bool ChangeMode(const TVideoMode& Mode) override {
    Recover();
    if (!FSwitchingAllowed) return false;
    if (!FSwitched) {
      FDesktop = DesktopMode();
      FRecord = RecordFile();
      // Written before the switch: a kill right after it still leaves the record.
      DEVMODEW desktop{};
      try {
        if (!FRecord.empty() && CurrentMode(desktop))
          ReplaceFileContents(FRecord, FormatRecord(GetCurrentProcessId(), desktop));
      } catch (const std::exception& e) {
        std::fprintf(stderr, "Emberhall: %s; the display mode is left as it is\n", e.what());
        return false;
      }
    }
    DEVMODEW dm = ModeOf(Mode);
    const bool ok = ChangeDisplaySettingsW(&dm, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
    if (ok) FSwitched = true;
    if (!FSwitched) RemoveRecord(FRecord);
    return ok;
  }

  void RestoreMode() override {
    if (!FSwitched) return;
    if (ChangeDisplaySettingsW(nullptr, 0) == DISP_CHANGE_SUCCESSFUL) {
      RemoveRecord(FRecord);
    } else {
      std::fprintf(stderr, "Emberhall: the display mode could not be put back; the next start tries again\n");
    }
    FSwitched = false;
  }

  TVideoMode DesktopMode() override {
    if (FSwitched) return FDesktop;
    DEVMODEW dm{};
    dm.dmSize = sizeof(dm);
    if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &dm)) return {};
    return VideoModeOf(dm);
  }

  void SetSwitchingAllowed(bool Allowed) { FSwitchingAllowed = Allowed; }

 private:
  // Once per process: a record left by a run that no longer exists means its
  // switch was never undone; the desktop's mode it holds is put back.
  void Recover() {
    if (FRecovered) return;
    FRecovered = true;
    const std::string file = RecordFile();
    if (file.empty() || GetFileAttributesW(WideOf(file).c_str()) == INVALID_FILE_ATTRIBUTES) return;
    TSwitchRecord r;
    if (!ReadRecord(file, r)) {
      std::fprintf(stderr, "Emberhall: the display record %s cannot be read; discarded\n", file.c_str());
      RemoveRecord(file);
      return;
    }
    if (r.Pid != GetCurrentProcessId() && ProcessAlive(r.Pid)) return;  // still switched by its owner
    DEVMODEW now{};
    const bool same = CurrentMode(now) && now.dmPelsWidth == r.Desktop.dmPelsWidth &&
                      now.dmPelsHeight == r.Desktop.dmPelsHeight && now.dmBitsPerPel == r.Desktop.dmBitsPerPel;
    if (same || ChangeDisplaySettingsW(&r.Desktop, 0) == DISP_CHANGE_SUCCESSFUL) {
      RemoveRecord(file);
    } else {
      std::fprintf(stderr, "Emberhall: the display mode saved in %s could not be put back\n", file.c_str());
    }
  }

  bool FRecovered = false;
  bool FSwitchingAllowed = true;
  bool FSwitched = false;
  TVideoMode FDesktop;
  std::string FRecord;
};

TWin32DisplaySettings& SystemSettings() {
  static TWin32DisplaySettings settings;
  return settings;
}

}  // namespace

IDisplaySettings& SystemDisplaySettings() { return SystemSettings(); }

void SetDisplaySwitchingAllowed(bool Allowed) { SystemSettings().SetSwitchingAllowed(Allowed); }

}  // namespace emberhall
