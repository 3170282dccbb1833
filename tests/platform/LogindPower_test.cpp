// The logind backend against a private D-Bus daemon on which a small fake of
// logind's manager interface runs in a thread of the test: Inhibit hands out
// pipe ends and records when they are closed; PrepareForSleep is sent on
// request.
#include "platform/logind/LogindPower.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <sys/socket.h>
#include <sys/un.h>

#include <atomic>
#include <future>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "app/AppPro.h"
#include "support/TestSupport.h"

extern char** environ;

using namespace emberhall;
using namespace emberhall::test;

namespace {

// A dbus-daemon of its own on a socket in a temporary folder.
class TPrivateBus {
 public:
  TPrivateBus() {
    Address = "unix:path=" + FDir.File("bus");
    const std::string listen = "--address=" + Address;
    const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--nopidfile", listen.c_str(), nullptr};
    posix_spawn_file_actions_t quiet;  // its complaints about fd limits are not the test's
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&FPid, "dbus-daemon", &quiet, nullptr, const_cast<char**>(argv), environ) != 0) FPid = -1;
    posix_spawn_file_actions_destroy(&quiet);
    for (int i = 0; i < 100 && FPid > 0 && !std::filesystem::exists(FDir.File("bus")); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ~TPrivateBus() {
    if (FPid <= 0) return;
    kill(FPid, SIGTERM);
    waitpid(FPid, nullptr, 0);
  }
  bool Running() const { return FPid > 0 && std::filesystem::exists(FDir.File("bus")); }
  std::string Address;

 private:
  TTempDir FDir;
  pid_t FPid = -1;
};

// logind's Inhibit and PrepareForSleep, as far as the backend uses them.
class TFakeLogind {
 public:
  explicit TFakeLogind(const std::string& Address) {
    // The daemon may need a moment after its socket appears.
    for (int attempt = 0; attempt < 50 && !FBus; ++attempt) {
      sd_bus_new(&FBus);
      sd_bus_set_address(FBus, Address.c_str());
      sd_bus_set_bus_client(FBus, 1);
      if (sd_bus_start(FBus) < 0) {
        FBus = sd_bus_flush_close_unref(FBus);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
    FReady = FBus &&
             sd_bus_add_object_vtable(FBus, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                      kVTable, this) >= 0 &&
             sd_bus_request_name(FBus, "org.freedesktop.login1", 0) >= 0;
    FThread = std::thread([this] { Run(); });
  }
  ~TFakeLogind() {
    FStop = true;
    FThread.join();
    for (const THeld& h : FHeld) close(h.Fd);
    sd_bus_flush_close_unref(FBus);
  }
  bool Ready() const { return FReady; }
  void SendPrepareForSleep(bool Start) {
    std::lock_guard<std::mutex> lock(FMutex);
    FSignals.push_back(Start);
  }
  std::vector<std::string> Log() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FLog;
  }
  // The inhibitors held now, as "what mode".
  std::vector<std::string> Held() {
    std::lock_guard<std::mutex> lock(FMutex);
    std::vector<std::string> names;
    for (const THeld& h : FHeld) names.push_back(h.Name);
    return names;
  }
  void ClearLog() {
    std::lock_guard<std::mutex> lock(FMutex);
    FLog.clear();
  }

 private:
  struct THeld {
    std::string Name;
    int Fd;
  };
  static int Inhibit(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<TFakeLogind*>(userdata);
    const char *what = nullptr, *who = nullptr, *why = nullptr, *mode = nullptr;
    if (sd_bus_message_read(m, "ssss", &what, &who, &why, &mode) < 0) return -EINVAL;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return -errno;
    const int r = sd_bus_reply_method_return(m, "h", fds[1]);  // the reply carries a copy
    close(fds[1]);
    std::lock_guard<std::mutex> lock(self->FMutex);
    const std::string name = std::string(what) + " " + mode;
    self->FLog.push_back("inhibit " + name + " by " + who);
    self->FHeld.push_back({name, fds[0]});
    return r;
  }
  void Run() {
    while (!FStop) {
      while (sd_bus_process(FBus, nullptr) > 0) {
      }
      std::vector<bool> signals;
      {
        std::lock_guard<std::mutex> lock(FMutex);
        signals.swap(FSignals);
        // A held inhibitor ends when every copy of its descriptor is closed.
        for (size_t i = 0; i < FHeld.size();) {
          pollfd p{FHeld[i].Fd, POLLIN, 0};
          if (poll(&p, 1, 0) == 1 && (p.revents & POLLHUP)) {
            FLog.push_back("release " + FHeld[i].Name);
            close(FHeld[i].Fd);
            FHeld.erase(FHeld.begin() + static_cast<long>(i));
          } else {
            ++i;
          }
        }
      }
      for (bool start : signals)
        sd_bus_emit_signal(FBus, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", "b",
                           static_cast<int>(start));
      sd_bus_wait(FBus, 5000);
    }
  }
  static const sd_bus_vtable kVTable[];

  sd_bus* FBus = nullptr;
  bool FReady = false;
  std::atomic<bool> FStop{false};
  std::mutex FMutex;
  std::vector<std::string> FLog;
  std::vector<THeld> FHeld;
  std::vector<bool> FSignals;
  std::thread FThread;
};

const sd_bus_vtable TFakeLogind::kVTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Inhibit", "ssss", "h", TFakeLogind::Inhibit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("PrepareForSleep", "b", 0),
    SD_BUS_VTABLE_END,
};

class LogindPowerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bus = std::make_unique<TPrivateBus>();
    ASSERT_TRUE(bus->Running()) << "dbus-daemon did not start (scripts/deps installs it)";
    setenv("DBUS_SYSTEM_BUS_ADDRESS", bus->Address.c_str(), 1);
    logind = std::make_unique<TFakeLogind>(bus->Address);
    ASSERT_TRUE(logind->Ready());
    form = new TCustomForm(&app);
    pro = new TCustomGraphicApplicationPro(form);
    pro->OnPowerOff = [this](TObject*) { notices.push_back("off"); };
    pro->OnPowerOn = [this](TObject*) { notices.push_back("on"); };
  }
  void TearDown() override { unsetenv("DBUS_SYSTEM_BUS_ADDRESS"); }

  // Runs the loop until the fake has logged Expected (in any order after
  // what was there), or two seconds have passed.
  bool Await(std::vector<std::string> Expected) {
    std::sort(Expected.begin(), Expected.end());
    for (int i = 0; i < 400; ++i) {
      app.ProcessMessages();
      std::vector<std::string> log = logind->Log();
      std::sort(log.begin(), log.end());
      if (log == Expected) {
        logind->ClearLog();
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ADD_FAILURE() << "the fake logind saw: " << ::testing::PrintToString(logind->Log());
    return false;
  }

  TFakeServices services;
  TScopedConfig config;
  std::unique_ptr<TPrivateBus> bus;
  std::unique_ptr<TFakeLogind> logind;
  TApplication app;
  TCustomForm* form = nullptr;
  TCustomGraphicApplicationPro* pro = nullptr;
  std::vector<std::string> notices;
};

}  // namespace

TEST_F(LogindPowerTest, InhibitorsFollowTheSettingsAndSleepBecomesNotices) {
  TLogindPower power;
  power.Attach(pro->EventWindow());
  ASSERT_TRUE(power.Connected());
  // Suspends are refused until the settings allow them.
  ASSERT_TRUE(Await({"inhibit sleep block by Emberhall"}));
  power.SetSuspendAllowed(true);
  ASSERT_TRUE(Await({"inhibit sleep delay by Emberhall", "release sleep block"}));
  power.SetSuspendAllowed(false);
  ASSERT_TRUE(Await({"inhibit sleep block by Emberhall", "release sleep delay"}));
  power.SetSuspendAllowed(true);
  ASSERT_TRUE(Await({"inhibit sleep delay by Emberhall", "release sleep block"}));
  // The system goes to sleep: the window hears it, then the delay ends.
  logind->SendPrepareForSleep(true);
  ASSERT_TRUE(Await({"release sleep delay"}));
  EXPECT_EQ(notices, std::vector<std::string>{"off"});
  logind->SendPrepareForSleep(false);
  ASSERT_TRUE(Await({"inhibit sleep delay by Emberhall"}));
  EXPECT_EQ(notices, (std::vector<std::string>{"off", "on"}));
  // Keeping the system awake is an idle inhibitor.
  power.SetIdleInhibited(true);
  ASSERT_TRUE(Await({"inhibit idle block by Emberhall"}));
  power.SetIdleInhibited(false);
  ASSERT_TRUE(Await({"release idle block"}));
  // Quick changes end with the last one held and nothing else (a dropped answer's descriptor is closed).
  power.SetSuspendAllowed(false);
  power.SetSuspendAllowed(true);
  power.SetSuspendAllowed(false);
  std::vector<std::string> held;
  for (int i = 0; i < 400 && held != std::vector<std::string>{"sleep block"}; ++i) {
    app.ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    held = logind->Held();
  }
  EXPECT_EQ(held, std::vector<std::string>{"sleep block"});
  power.Detach();
  EXPECT_FALSE(power.Connected());
  for (int i = 0; i < 400 && !held.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    held = logind->Held();
  }
  EXPECT_TRUE(held.empty());
}

TEST_F(LogindPowerTest, ABusThatGoesAwayEndsTheNoticesQuietly) {
  TLogindPower power;
  power.Attach(pro->EventWindow());
  ASSERT_TRUE(Await({"inhibit sleep block by Emberhall"}));
  logind.reset();
  bus.reset();  // the daemon ends
  ::testing::internal::CaptureStderr();
  for (int i = 0; i < 50 && power.Connected(); ++i) {
    app.ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(power.Connected());
  EXPECT_NE(said.find("the system bus went away"), std::string::npos) << said;
  EXPECT_TRUE(notices.empty());
}

TEST_F(LogindPowerTest, ABusWithoutLogindSaysSoOnce) {
  logind.reset();  // the daemon runs, nobody owns logind's name
  TLogindPower power;
  ::testing::internal::CaptureStderr();
  power.Attach(pro->EventWindow());
  power.SetIdleInhibited(true);
  for (int i = 0; i < 100 && power.Connected(); ++i) {
    app.ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  power.SetSuspendAllowed(true);
  app.ProcessMessages();
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(power.Connected());
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find("no logind on the system bus"), std::string::npos) << said;
}

// A socket that takes connections and never says a word: nothing may wait for it.
TEST(LogindPower, ASilentBusHoldsNothingUp) {
  TTempDir dir;
  const std::string path = dir.File("silent");
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + path).c_str(), 1);
  TApplication app;
  const HWND wnd = app.CreateHandlerWindow([](HWND, uint32_t, WPARAM, LPARAM) -> LRESULT { return 0; });
  // Guarded: a blocking call would wait out the bus's own time-out of 90 s.
  auto run = std::async(std::launch::async, [&] {
    TLogindPower power;
    power.Attach(wnd);
    power.SetSuspendAllowed(true);
    power.SetIdleInhibited(true);
    TMsg msg;
    for (int i = 0; i < 10; ++i) power.GetMessage(msg);
    power.Detach();
    power.SetIdleInhibited(false);
    return power.Connected();
  });
  ASSERT_EQ(run.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "a bus call blocked";
  EXPECT_FALSE(run.get());
  unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  close(listener);
}

TEST(LogindPower, NoSystemBusSaysSoOnceAndRunsOn) {
  setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/emberhall-test-bus", 1);
  TLogindPower power;
  ::testing::internal::CaptureStderr();
  power.Attach(0x40000001);
  power.SetSuspendAllowed(false);
  power.SetIdleInhibited(true);
  TMsg msg;
  EXPECT_FALSE(power.GetMessage(msg));
  const std::string said = ::testing::internal::GetCapturedStderr();
  unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  EXPECT_FALSE(power.Connected());
  EXPECT_EQ(power.FileDescriptor(), -1);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find("emberhall: no system bus"), std::string::npos) << said;
}
