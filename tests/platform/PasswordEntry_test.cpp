#include <gtest/gtest.h>

#include <X11/X.h>
#include <X11/keysym.h>

#include <vector>

#include "platform/x11/PasswordPrompt.h"

namespace emberhall {
namespace {

struct TKey {
  unsigned long Sym;
  std::string Typed;
  unsigned State = 0;
};

struct TEntryCase {
  const char* Name;
  std::vector<TKey> Keys;
  std::string Text;
  size_t Length;
  TPasswordEntry::TAction Last;
};

TEST(PasswordEntry, KeysEditTheTypedPassword) {
  const TEntryCase cases[] = {
      {"letters", {{XK_a, "a"}, {XK_B, "B"}, {XK_1, "1"}}, "aB1", 3, TPasswordEntry::Typing},
      {"return submits", {{XK_x, "x"}, {XK_Return, "\r"}}, "x", 1, TPasswordEntry::Submit},
      {"keypad enter submits", {{XK_KP_Enter, "\r"}}, "", 0, TPasswordEntry::Submit},
      {"escape cancels", {{XK_x, "x"}, {XK_Escape, "\x1b"}}, "x", 1, TPasswordEntry::Cancel},
      {"backspace", {{XK_a, "a"}, {XK_b, "b"}, {XK_BackSpace, "\b"}}, "a", 1, TPasswordEntry::Typing},
      {"backspace on empty", {{XK_BackSpace, "\b"}}, "", 0, TPasswordEntry::Typing},
      {"backspace removes a whole UTF-8 character", {{XK_a, "a"}, {XK_eacute, "\xC3\xA9"}, {XK_BackSpace, ""}},
       "a", 1, TPasswordEntry::Typing},
      {"non-ASCII counts once", {{XK_eacute, "\xC3\xA9"}, {XK_udiaeresis, "\xC3\xBC"}}, "\xC3\xA9\xC3\xBC", 2,
       TPasswordEntry::Typing},
      {"ctrl-u clears", {{XK_a, "a"}, {XK_u, "\x15", ControlMask}}, "", 0, TPasswordEntry::Typing},
      {"control characters are dropped", {{XK_Tab, "\t"}, {XK_Delete, "\x7f"}, {XK_a, "a"}}, "a", 1,
       TPasswordEntry::Typing},
      {"modifier keys type nothing", {{XK_Shift_L, ""}, {XK_A, "A"}}, "A", 1, TPasswordEntry::Typing},
      {"blank is a character", {{XK_space, " "}}, " ", 1, TPasswordEntry::Typing},
  };
  for (const TEntryCase& c : cases) {
    TPasswordEntry entry;
    TPasswordEntry::TAction last = TPasswordEntry::Typing;
    for (const TKey& k : c.Keys) last = entry.Key(k.Sym, k.Typed, k.State);
    EXPECT_EQ(entry.Text(), c.Text) << c.Name;
    EXPECT_EQ(entry.Length(), c.Length) << c.Name;
    EXPECT_EQ(last, c.Last) << c.Name;
  }
}

TEST(PasswordEntry, StopsGrowingAtItsLimit) {
  TPasswordEntry entry;
  for (size_t i = 0; i < TPasswordEntry::MaxLength + 50; ++i) entry.Key(XK_z, "z", 0);
  EXPECT_EQ(entry.Text().size(), TPasswordEntry::MaxLength);
  entry.Key(XK_BackSpace, "", 0);
  entry.Key(XK_eacute, "\xC3\xA9", 0);  // two bytes fit only where two are free
  EXPECT_EQ(entry.Text().size(), TPasswordEntry::MaxLength - 1);
}

}  // namespace
}  // namespace emberhall
