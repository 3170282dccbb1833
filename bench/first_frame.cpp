// Time from the start of a program to its first frame on the screen, and its
// peak resident memory: starts the program RUNS times, each time watching
// the middle of the root window (XGetImage every 2 ms) until something lit
// appears there, then lets it run SECONDS more and reads its VmHWM.
//   first_frame RUNS SECONDS PROGRAM [ARGS...]
// Needs DISPLAY; the program must draw something not black in the middle
// of the screen (the full-screen fireplace does).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

// True when a pixel of the 64 x 64 block in the middle of the screen is lit.
bool MiddleIsLit(Display* D) {
  const int w = DisplayWidth(D, DefaultScreen(D)), h = DisplayHeight(D, DefaultScreen(D));
  XImage* image = XGetImage(D, DefaultRootWindow(D), w / 2 - 32, h / 2 - 32, 64, 64, AllPlanes, ZPixmap);
  if (!image) return false;
  bool lit = false;
  for (int y = 0; y < 64 && !lit; ++y)
    for (int x = 0; x < 64 && !lit; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      lit = ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) > 60;
    }
  XDestroyImage(image);
  return lit;
}

long PeakKiB(pid_t Pid) {
  std::ifstream status("/proc/" + std::to_string(Pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: first_frame RUNS SECONDS PROGRAM [ARGS...]\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  const double seconds = std::atof(argv[2]);
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "first_frame: no display\n");
    return 2;
  }
  if (MiddleIsLit(display)) {
    std::fprintf(stderr, "first_frame: the middle of the screen is lit already\n");
    return 2;
  }
  std::vector<double> times;
  for (int run = 1; run <= runs; ++run) {
    pid_t pid = 0;
    const double start = Now();
    if (posix_spawn(&pid, argv[3], nullptr, nullptr, argv + 3, environ) != 0) {
      std::perror("first_frame: posix_spawn");
      return 1;
    }
    double shown = -1;
    while (Now() - start < 10) {
      if (MiddleIsLit(display)) {
        shown = Now() - start;
        break;
      }
      usleep(2000);
    }
    usleep(static_cast<useconds_t>(seconds * 1e6));
    const long peak = PeakKiB(pid);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    std::printf("run %d: first frame after %.3f s, peak RSS %ld KiB, exit %d\n", run, shown, peak,
                WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    if (shown >= 0) times.push_back(shown);
    while (MiddleIsLit(display)) usleep(10000);  // the screen dark again before the next run
  }
  if (!times.empty()) {
    std::vector<double> rest(times.begin() + 1, times.end());
    std::sort(rest.begin(), rest.end());
    std::printf("first run %.3f s", times[0]);
    if (!rest.empty()) std::printf(", median of the others %.3f s", rest[rest.size() / 2]);
    std::printf("\n");
  }
  XCloseDisplay(display);
  return times.size() == static_cast<size_t>(runs) ? 0 : 1;
}
