// The PAM helper's reading of its input: only a whole line without a NUL
// byte is a password; anything else is bad input (exit 2) and never reaches
// PAM.
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

namespace {

int RunHelper(const std::string& Input) {
  int in[2];
  if (pipe(in) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], STDIN_FILENO);
    close(in[0]);
    close(in[1]);
    execl(EMBERHALL_AUTH_HELPER, EMBERHALL_AUTH_HELPER, nullptr);
    _exit(127);
  }
  close(in[0]);
  if (write(in[1], Input.data(), Input.size()) != static_cast<ssize_t>(Input.size())) return -1;
  close(in[1]);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(AuthHelper, InputThatIsNotExactlyOneLineIsRefused) {
  struct TCase { const char* Name; std::string Input; };
  const TCase cases[] = {
      {"NUL byte inside", std::string("PW\0junk\n", 8)},
      {"NUL byte first", std::string("\0\n", 2)},
      {"no final newline", "PW"},
      {"nothing at all", ""},
      {"too long", std::string(513, 'a') + "\n"},
  };
  for (const TCase& c : cases) EXPECT_EQ(RunHelper(c.Input), 2) << c.Name;
}

}  // namespace
