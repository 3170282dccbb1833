// Small interfaces for the operating-system services that the application
// framework asks for. Each has a real backend on this platform; tests may
// swap in fakes through Platform().
#pragma once

#include <string>

#include "platform/ClockLocale.h"
#include "platform/Messages.h"
#include "platform/Sound.h"

namespace emberhall {

enum class TMessageIcon { Error, Warning, Information };

// Modal message boxes; without a display the text goes to stderr instead.
class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  virtual void Show(const std::string& Text, const std::string& Caption, TMessageIcon Icon) = 0;
};

// Asks the system to keep the display (and the system) awake.
class IKeepAwake {
 public:
  virtual ~IKeepAwake() = default;
  virtual void SetExecutionState(bool Display, bool System) = 0;
};

// Delivers the system's suspend and resume notices as WM_POWERBROADCAST
// messages to a window; a query answered BROADCAST_QUERY_DENY refuses it.
// Where the system asks no query, the refusal is stated in advance.
class IPowerNotices {
 public:
  virtual ~IPowerNotices() = default;
  virtual void Attach(HWND Wnd) = 0;
  virtual void Detach() = 0;
  // False refuses the system's suspend requests while attached.
  virtual void SetSuspendAllowed(bool) {}
};

class IHelpViewer {
 public:
  virtual ~IHelpViewer() = default;
  virtual void ShowContents(const std::string& FileName) = 0;
};

class IScreen {
 public:
  virtual ~IScreen() = default;
  // The size of the screen in pixels; false when no display can be reached.
  virtual bool GetScreenSize(int& Width, int& Height) = 0;
};

// The pointer's show/hide count: shown while the count is 0 or more.
class ICursor {
 public:
  virtual ~ICursor() = default;
  virtual int ShowCursor(bool Show) = 0;
  // The busy pointer (an hourglass) over the program's windows while Busy;
  // a hidden pointer stays hidden.
  virtual void SetBusy(bool) {}
};

// What a screensaver needs of the system.
class IScreenSaverSystem {
 public:
  virtual ~IScreenSaverSystem() = default;
  virtual void SetScreenSaverRunning(bool Running) = 0;
  // Modal; true when the user's password is confirmed, or when the system
  // offers no password check at all.
  virtual bool VerifyPassword(const std::string& Title) = 0;
  // Modal; false when the system has no change-password service.
  virtual bool ChangePassword(HWND Parent) = 0;
  virtual void EnableWindow(HWND Wnd, bool Enable) = 0;
  virtual void LowerOwnPriority() = 0;
  virtual HWND ForegroundWindow() = 0;
};

struct TPlatform {
  IMessageBoxes* MessageBoxes;
  IKeepAwake* KeepAwake;
  IPowerNotices* PowerNotices;
  IHelpViewer* HelpViewer;
  IScreen* Screen;
  ICursor* Cursor;
  IScreenSaverSystem* ScreenSaver;
  ISoundPlayer* Sound;
  IClockLocale* ClockLocale;
};

// The services in use; starts with this platform's backends.
TPlatform& Platform();

}  // namespace emberhall
