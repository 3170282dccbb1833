#include "platform/x11/X11ScreenSaverSystem.h"

#include <cstdio>

#include "platform/posix/PasswordCheck.h"
#include "platform/posix/Process.h"
#include "platform/x11/PasswordPrompt.h"

namespace emberhall {

bool TX11ScreenSaverSystem::VerifyPassword(const std::string& Title) {
  const std::string helper = PasswordHelperPath();
  const auto check = [&](const std::string& Password, const std::function<void()>& WhileWaiting) {
    return CheckPassword(helper, Password, WhileWaiting);
  };
  // Without the helper nothing can be checked: the run ends as on a system
  // without a password service.
  if (!PasswordHelperPresent(helper)) {
    std::fprintf(stderr, "Emberhall: no password helper at %s; the run ends unchecked\n", helper.c_str());
    return true;
  }
  return RunPasswordPrompt(Title, check);
}

void TX11ScreenSaverSystem::LowerOwnPriority() { SetOwnNiceValue(19); }

}  // namespace emberhall
