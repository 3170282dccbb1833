// The password check: a helper program (emberhall-auth, next to the program)
// asks PAM in a child process. The password goes through a pipe, never a
// command line; only the helper's success exit confirms it.
#pragma once

#include <functional>
#include <string>

namespace emberhall {

enum class TPasswordVerdict {
  Confirmed,
  Refused,    // wrong password, a crash or kill of the helper, a time-out, any other exit
  NoService   // no helper or no PAM service for the program: nothing can be checked
};

// The helper program's path: next to the running program.
std::string PasswordHelperPath();
bool PasswordHelperPresent(const std::string& Helper);

// Runs Helper with Password on its standard input and waits at most
// TimeoutMs for its verdict, calling WhileWaiting every few milliseconds
// (the prompt keeps drawing). A helper still running at the time-out, or
// when a termination signal arrives, is killed and the password refused.
TPasswordVerdict CheckPassword(const std::string& Helper, const std::string& Password,
                               const std::function<void()>& WhileWaiting, int TimeoutMs = 30000);

}  // namespace emberhall
