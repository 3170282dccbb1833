// The modal password prompt of a protected full-screen run: a small box
// above the picture on the GL display connection. While it is up the
// full-screen window keeps its keyboard and pointer grabs (the prompt takes
// them itself when none is held), so no other client sees what is typed.
#pragma once

#include <functional>
#include <string>

#include "platform/posix/PasswordCheck.h"

namespace emberhall {

// The typed password and the keys that edit it. The text is wiped when
// cleared or destroyed.
class TPasswordEntry {
 public:
  enum TAction { Typing, Submit, Cancel };
  static constexpr size_t MaxLength = 256;

  ~TPasswordEntry();
  // One key press: its key symbol, the text it types and the modifier state.
  TAction Key(unsigned long KeySym, const std::string& Typed, unsigned State);
  const std::string& Text() const { return FText; }
  // The number of characters typed (UTF-8 sequences count once).
  size_t Length() const;
  void Clear();

 private:
  std::string FText;
};

// Checks a typed password; WhileWaiting keeps the prompt alive meanwhile.
using TPasswordChecker = std::function<TPasswordVerdict(const std::string& Password,
                                                        const std::function<void()>& WhileWaiting)>;

// Shows the prompt and runs it until a password is checked, Escape is
// pressed, nothing is typed for IdleTimeoutMs or a termination signal asks
// the run to end. True only when Check confirmed the password (or found no
// password service at all).
bool RunPasswordPrompt(const std::string& Title, const TPasswordChecker& Check, int IdleTimeoutMs = 30000);

}  // namespace emberhall
