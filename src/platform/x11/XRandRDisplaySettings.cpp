#include "platform/x11/XRandRDisplaySettings.h"

#include <X11/Xlib.h>
#include <X11/extensions/randr.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/SysUtils.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/posix/SingleInstance.h"
#include "platform/x11/DisplayRecord.h"
#include "platform/x11/XRandRConfig.h"

namespace emberhall {

namespace {

constexpr size_t kMaxRecordBytes = 64 * 1024;

std::string SafeName(const std::string& DisplayName) {
  std::string safe;
  for (char c : DisplayName) safe += c == '/' ? '_' : c;
  return safe;
}

std::string NameOrEnvironment(const std::string& DisplayName) {
  const char* env = std::getenv("DISPLAY");
  return DisplayName.empty() ? (env ? env : "") : DisplayName;
}

// Held by the one program that may have the display switched, from before
// its record is written until the display is back; a recovery takes it too
// (for a few milliseconds, more on a loaded machine: a switch waits up to 5 s).
bool TakeDisplayLock(TInstanceLock& Lock, const std::string& DisplayName, int Attempts) {
  for (int i = 0; i < Attempts; ++i) {
    if (Lock.Acquire("emberhall-display" + SafeName(DisplayName))) return Lock.Held();
    usleep(20000);
  }
  return false;
}

// Test runs stop the program at a named point of a switch
// (EMBERHALL_TEST_STOP_AT) to kill it exactly there.
void StopHereForTests(const char* Point) {
  const char* at = std::getenv("EMBERHALL_TEST_STOP_AT");
  if (at && std::strcmp(at, Point) == 0) raise(SIGSTOP);
}

bool WriteRecord(const std::string& File, const TDisplayRecord& Record) {
  try {
    ReplaceFileContents(File, FormatDisplayRecord(Record), 0600);
    return true;
  } catch (const EOSError& e) {
    std::fprintf(stderr, "Emberhall: %s; the display mode is left as it is\n", e.what());
    return false;
  }
}

bool ReadRecord(const std::string& File, TDisplayRecord& Record) {
  try {
    const std::vector<uint8_t> bytes = ReadFileBytes(File, kMaxRecordBytes, false);
    return ParseDisplayRecord(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), Record);
  } catch (const EOSError&) {
    return false;
  }
}

enum class TVerdict { Unchanged, Switched, Foreign };

// What the screen shows compared with a record: still the original, one of
// the recorded program's modes (or a step of its switch), or something else.
TVerdict Judge(const TDisplayRecord& R, const TCrtcConfig& Now) {
  const TCrtcConfig& o = R.Original;
  if (Now.Output != o.Output || Now.Crtc != o.Crtc) return TVerdict::Foreign;
  const bool ours = Now.Mode == o.Mode || (R.Switched && Now.Mode == R.Switched) ||
                    (R.Intended && Now.Mode == R.Intended);
  if (!ours) return TVerdict::Foreign;
  const bool asBefore = Now.Mode == o.Mode && Now.Width == o.Width && Now.Height == o.Height &&
                        Now.MmWidth == o.MmWidth && Now.MmHeight == o.MmHeight;
  return asBefore ? TVerdict::Unchanged : TVerdict::Switched;
}

// The recovery itself; the caller holds the display lock.
bool RecoverLocked(const std::string& Name, const std::string& File) {
  RemoveStaleTemporaries(File);            // writes cut short before their rename
  unlink((File + ".new").c_str());         // the fixed temporary name of older builds
  struct stat st {};
  if (lstat(File.c_str(), &st) != 0) return false;
  TDisplayRecord r;
  const bool readable = ReadRecord(File, r);
  Display* d = XOpenDisplay(Name.c_str());
  if (!d) return false;  // the record stays for a start that reaches the display
  const Window root = DefaultRootWindow(d);
  TCrtcConfig now;
  const bool known = readable && HasRandR12(d) && ReadCurrentConfig(d, root, now);
  const TVerdict verdict = known ? Judge(r, now) : TVerdict::Foreign;
  const bool restored = verdict == TVerdict::Switched && ApplyConfig(d, root, r.Original);
  XCloseDisplay(d);
  if (verdict == TVerdict::Foreign)
    std::fprintf(stderr, "Emberhall: the saved display configuration in %s no longer matches the screen; discarded\n",
                 File.c_str());
  if (verdict == TVerdict::Switched && !restored) {
    std::fprintf(stderr, "Emberhall: the display configuration saved in %s could not be put back\n", File.c_str());
    return false;
  }
  unlink(File.c_str());
  return restored;
}

}  // namespace

struct TXRandRDisplaySettings::TState {
  std::string Name;
  bool Connected = false;
  Display* D = nullptr;
  Window Root = 0;
  int Screen = 0;
  bool HasRandR = false;
  // Between the first switch and the restore:
  bool Saved = false;
  TCrtcConfig Original;
  unsigned long Shown = 0;  // the mode of the last switch that succeeded
  std::string RecordFile;
  TInstanceLock DisplayLock;
};

std::string TXRandRDisplaySettings::RecordFileName(const std::string& DisplayName) {
  const std::string dir = RuntimeDirectory();
  return dir.empty() ? "" : dir + "emberhall-display" + SafeName(DisplayName) + ".record";
}

TXRandRDisplaySettings::TXRandRDisplaySettings(const std::string& DisplayName) : F(std::make_unique<TState>()) {
  F->Name = NameOrEnvironment(DisplayName);
}

TXRandRDisplaySettings::~TXRandRDisplaySettings() {
  RestoreMode();
  if (F->D) XCloseDisplay(F->D);
}

// Opens the connection at the first use, after a display left switched by a
// killed run has been put back, so that what it reads is the real desktop.
bool TXRandRDisplaySettings::Connect() {
  if (F->Connected) return F->D != nullptr;
  F->Connected = true;
  if (F->Name.empty()) return false;
  RecoverSwitchedDisplay(F->Name);
  F->D = XOpenDisplay(F->Name.c_str());
  if (!F->D) return false;
  F->Screen = DefaultScreen(F->D);
  F->Root = RootWindow(F->D, F->Screen);
  F->HasRandR = HasRandR12(F->D);
  return true;
}

bool TXRandRDisplaySettings::Switched() const { return F->Saved; }

TVideoMode TXRandRDisplaySettings::DesktopMode() {
  if (!Connect()) return {};
  TVideoMode m;
  RootSize(F->D, F->Root, m.Width, m.Height);
  m.BitsPerPixel = RootBitsPerPixel(F->D, F->Screen);
  return m;
}

std::vector<TVideoMode> TXRandRDisplaySettings::ListModes() {
  std::vector<TVideoMode> modes;
  if (!Connect() || !F->HasRandR) return modes;
  const int bpp = RootBitsPerPixel(F->D, F->Screen);
  for (const TModeSize& m : OutputModes(F->D, F->Root)) modes.push_back({m.Width, m.Height, bpp});
  return modes;
}

bool TXRandRDisplaySettings::TestMode(const TVideoMode& Mode) {
  if (!Connect() || Mode.BitsPerPixel != RootBitsPerPixel(F->D, F->Screen)) return false;
  // A switch that may not happen, or could not be recorded and so not be
  // put back after a kill, is refused: only the desktop's own mode is offered.
  if (!FSwitchingAllowed || RecordFileName(F->Name).empty()) return Mode == DesktopMode();
  for (const TVideoMode& m : ListModes())
    if (m == Mode) return true;
  return false;
}

// Takes the display for this program before its first switch: the display
// lock, then whatever a killed run left is put back, then the configuration
// to restore is read.
bool TXRandRDisplaySettings::BeginSwitching() {
  F->RecordFile = RecordFileName(F->Name);
  if (F->RecordFile.empty()) return false;  // RuntimeDirectory said why
  if (!TakeDisplayLock(F->DisplayLock, F->Name, 250)) {
    std::fprintf(stderr, "Emberhall: another program has the display %s switched; the mode is left as it is\n",
                 F->Name.c_str());
    return false;
  }
  RecoverLocked(F->Name, F->RecordFile);
  if (!ReadCurrentConfig(F->D, F->Root, F->Original)) {
    F->DisplayLock.Release();
    return false;
  }
  F->Saved = true;
  F->Shown = 0;
  return true;
}

bool TXRandRDisplaySettings::ChangeMode(const TVideoMode& Mode) {
  if (!FSwitchingAllowed || !Connect() || !F->HasRandR || !TestMode(Mode)) return false;
  if (!F->Saved && !BeginSwitching()) return false;
  TCrtcConfig target;
  if (!ReadCurrentConfig(F->D, F->Root, target)) return false;
  const unsigned long mode = OutputModeOfSize(F->D, F->Root, target.Output, Mode.Width, Mode.Height);
  if (!mode) return false;
  target.Mode = mode;
  const TCrtcConfig& o = F->Original;
  const bool sideways = target.Rotation & (RR_Rotate_90 | RR_Rotate_270);
  target.Width = target.X + (sideways ? Mode.Height : Mode.Width);
  target.Height = target.Y + (sideways ? Mode.Width : Mode.Height);
  target.MmWidth = ScaledMm(target.Width, o.Width, o.MmWidth);
  target.MmHeight = ScaledMm(target.Height, o.Height, o.MmHeight);
  // The record names the mode before the screen shows it, so that a kill at
  // any moment leaves a record the next start can act on.
  TDisplayRecord record{getpid(), ProgramFileName(), o, F->Shown, mode};
  if (!WriteRecord(F->RecordFile, record)) {
    if (!F->Shown) EndSwitching();
    return false;
  }
  StopHereForTests("switch");
  const bool ok = ApplyConfig(F->D, F->Root, target);
  if (ok) F->Shown = mode;
  if (!F->Shown) {
    RestoreMode();  // undoes whatever part of the first switch happened
    return false;
  }
  StopHereForTests("record");
  record.Switched = F->Shown;
  WriteRecord(F->RecordFile, record);
  return ok;
}

void TXRandRDisplaySettings::RestoreMode() {
  if (!F->Saved || !F->D) return;
  if (ApplyConfig(F->D, F->Root, F->Original)) {
    unlink(F->RecordFile.c_str());
  } else {
    std::fprintf(stderr, "Emberhall: the display configuration could not be put back; the next start tries again\n");
  }
  EndSwitching();
}

void TXRandRDisplaySettings::EndSwitching() {
  F->Saved = false;
  F->Shown = 0;
  F->DisplayLock.Release();
}

bool RecoverSwitchedDisplay(const std::string& DisplayName) {
  const std::string name = NameOrEnvironment(DisplayName);
  const std::string file = name.empty() ? "" : TXRandRDisplaySettings::RecordFileName(name);
  if (file.empty()) return false;
  TInstanceLock lock;
  // A program that holds the lock has the display switched now (or is
  // putting it back itself): its record is not ours to act on.
  if (!TakeDisplayLock(lock, name, 1)) return false;
  return RecoverLocked(name, file);
}

namespace {
TXRandRDisplaySettings& SystemSettings() {
  static TXRandRDisplaySettings settings;
  return settings;
}
}  // namespace

IDisplaySettings& SystemDisplaySettings() { return SystemSettings(); }

void SetDisplaySwitchingAllowed(bool Allowed) { SystemSettings().SetSwitchingAllowed(Allowed); }

}  // namespace emberhall
