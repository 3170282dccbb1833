#include "app/SimpleSound.h"

#include "platform/Services.h"
#include "scene/ResourceLoader.h"

namespace emberhall {

TSimpleSound::~TSimpleSound() { Stop(); }

void TSimpleSound::Play() {
  Stop();
  if (FromResource)
    Platform().Sound->Play(ResourceNameOf(FileName), TSoundSource::Resource, Looping);
  else
    Platform().Sound->Play(FileName, TSoundSource::File, Looping);
}

void TSimpleSound::Stop() { Platform().Sound->Stop(); }

}  // namespace emberhall
