// TSimpleSound: what it asks of the platform's sound player.
#include "app/SimpleSound.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace emberhall {
namespace {

using Calls = std::vector<std::string>;

struct TPlayCase {
  const char* FileName;
  bool FromResource, Looping;
  const char* Played;
};

// Play stops first (so a playing sound restarts), then plays the resource
// named after the file-name part, or the file itself.
TEST(SimpleSound, PlayStopsFirstAndNamesTheResourceOrFile) {
  const TPlayCase cases[] = {
      {".\\Scenes\\fireplace.wav", true, true, "Play resource fireplace_wav looping"},
      {"Scenes/fireplace.wav", true, false, "Play resource fireplace_wav once"},
      {"C:crackle.big.wav", true, true, "Play resource crackle_big.wav looping"},
      {"crackle", true, false, "Play resource crackle once"},
      {".\\Scenes\\fireplace.wav", false, true, "Play file .\\Scenes\\fireplace.wav looping"},
  };
  for (const TPlayCase& c : cases) {
    test::TFakeServices fake;
    {
      TSimpleSound sound;
      sound.FileName = c.FileName;
      sound.FromResource = c.FromResource;
      sound.Looping = c.Looping;
      sound.Play();
      EXPECT_EQ(fake.Sounds, (Calls{"Stop", c.Played})) << c.FileName;
      fake.Sounds.clear();
    }
    EXPECT_EQ(fake.Sounds, Calls{"Stop"}) << "destruction stops the sound";
  }
}

}  // namespace
}  // namespace emberhall
