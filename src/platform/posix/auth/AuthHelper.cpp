// emberhall-auth: checks the password of the user running it through PAM.
//
// The password arrives on standard input (one line ended by a newline, with
// no NUL byte; never on the command line). The exit status is the only answer: 0 confirmed, 1 refused,
// 2 bad input or a PAM failure, 3 when the system has no PAM service for the
// program (nothing can be checked).
#include <security/pam_appl.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* kService = "emberhall";
constexpr size_t kMaxPassword = 512;

enum ExitCode { kConfirmed = 0, kRefused = 1, kFailure = 2, kNoService = 3 };

// Reads the password line. False when it is too long, holds a NUL byte
// (PAM would see only the part before it) or has no final newline (the
// input was cut short): only a whole line is a password.
bool ReadPassword(std::string& Password) {
  Password.reserve(kMaxPassword + 1);
  for (;;) {
    char c;
    const ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n != 1) return false;
    if (c == '\n') return true;
    if (c == '\0' || Password.size() >= kMaxPassword) return false;
    Password.push_back(c);
  }
}

bool ServiceInstalled() {
  const std::string file = std::string("/etc/pam.d/") + kService;
  return access(file.c_str(), R_OK) == 0;
}

// Answers every hidden prompt with the password; shown prompts get an empty
// answer and messages none.
int Converse(int Count, const pam_message** Messages, pam_response** Responses, void* Data) {
  if (Count <= 0 || Count > PAM_MAX_NUM_MSG) return PAM_CONV_ERR;
  auto* answers = static_cast<pam_response*>(calloc(static_cast<size_t>(Count), sizeof(pam_response)));
  if (!answers) return PAM_BUF_ERR;
  const auto* password = static_cast<const std::string*>(Data);
  for (int i = 0; i < Count; ++i) {
    const int style = Messages[i]->msg_style;
    if (style == PAM_PROMPT_ECHO_OFF) answers[i].resp = strdup(password->c_str());
    else if (style == PAM_PROMPT_ECHO_ON) answers[i].resp = strdup("");
  }
  *Responses = answers;
  return PAM_SUCCESS;
}

void Wipe(std::string& Text) {
  if (!Text.empty()) explicit_bzero(Text.data(), Text.size());
}

}  // namespace

int main() {
  // No core file may hold the password.
  prctl(PR_SET_DUMPABLE, 0);
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);

  std::string password;
  const bool read = ReadPassword(password);
  if (!read) {
    Wipe(password);
    return kFailure;
  }
  if (!ServiceInstalled()) {
    Wipe(password);
    return kNoService;
  }
  const passwd* user = getpwuid(getuid());
  if (!user) {
    Wipe(password);
    return kFailure;
  }
  pam_conv conversation{Converse, &password};
  pam_handle_t* handle = nullptr;
  if (pam_start(kService, user->pw_name, &conversation, &handle) != PAM_SUCCESS) {
    Wipe(password);
    return kFailure;
  }
  int result = pam_authenticate(handle, PAM_DISALLOW_NULL_AUTHTOK);
  // An expired password still proves who is at the keyboard.
  if (result == PAM_SUCCESS) {
    result = pam_acct_mgmt(handle, 0);
    if (result == PAM_NEW_AUTHTOK_REQD) result = PAM_SUCCESS;
  }
  pam_end(handle, result);
  Wipe(password);
  return result == PAM_SUCCESS ? kConfirmed : kRefused;
}
