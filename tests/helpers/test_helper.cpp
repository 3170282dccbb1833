// A second process for the tests:
//   lock NAME SECONDS          hold the single-instance lock NAME; prints "held" or "busy"
//   write-options FILEKEY N    write N values into the per-user key FILEKEY, one by one
//   sleep-exit SECONDS CODE    sleep, then exit with CODE
//   alert TEXT CAPTION         show an error message box and wait for it
//   switch W H SECONDS         switch the display to W x H, then run the
//                              application loop until a signal or SECONDS pass
//   recover                    put back a display left switched by a killed run
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <chrono>

#include "display/VideoModeClass.h"
#include "platform/Forms.h"
#include "platform/Services.h"
#include "platform/x11/XRandRDisplaySettings.h"
#include "platform/posix/OptionsStore.h"
#include "platform/posix/SingleInstance.h"

using namespace emberhall;

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string cmd = argv[1];
  if (cmd == "lock" && argc == 4) {
    TInstanceLock lock;
    bool held = lock.Acquire(argv[2]);
    std::printf("%s\n", held ? "held" : "busy");
    std::fflush(stdout);
    sleep(static_cast<unsigned>(std::atoi(argv[3])));
    return held ? 0 : 1;
  }
  if (cmd == "write-options" && argc == 5) {
    int n = std::atoi(argv[3]);
    for (int i = 0; i < n; ++i) {
      TOptionsKey key(TStoreRoot::CurrentUser, argv[2], false);
      key.WriteString(std::string(argv[4]) + std::to_string(i % 20), std::string(200 + i % 50, 'x'));
    }
    return 0;
  }
  if (cmd == "sleep-exit" && argc == 4) {
    usleep(static_cast<useconds_t>(std::atof(argv[2]) * 1e6));
    return std::atoi(argv[3]);
  }
  if (cmd == "alert" && argc == 4) {
    Platform().MessageBoxes->Show(argv[2], argv[3], TMessageIcon::Error);
    return 0;
  }
  if (cmd == "switch" && argc == 5) {
    TApplication app;
    TVideoModesList modes;  // the system's display settings
    TVideoMode desktop = modes.CurrentMode();
    if (!modes.SetMode(std::atoi(argv[2]), std::atoi(argv[3]), desktop.BitsPerPixel)) return 1;
    std::printf("switched\n");
    std::fflush(stdout);
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[4]));
    app.OnIdle = [&](TObject*, bool& done) {
      done = true;
      if (std::chrono::steady_clock::now() > end) app.Terminate();
    };
    app.Run();
    return 0;  // the mode list puts the display back as it goes
  }
  if (cmd == "recover") {
    std::printf("%s\n", RecoverSwitchedDisplay() ? "restored" : "nothing");
    return 0;
  }
  return 2;
}
