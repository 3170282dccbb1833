#include "platform/sdl/SdlSound.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/Resources.h"
#include "platform/SysUtils.h"
#include "platform/DynamicLibrary.h"
#include "platform/Files.h"
#include "platform/posix/SessionBus.h"
#include "platform/sdl/SdlWave.h"

namespace emberhall {

namespace {

// Descriptions and settings carry Windows paths.
std::string NativePath(std::string Path) {
  std::replace(Path.begin(), Path.end(), '\\', '/');
  return Path;
}

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// Without a sound card ALSA's library prints several lines of its own for
// each device SDL tries; the player says why in one line instead. SDL loads
// the same library, so its error handler is set here once, for the process.
void QuietAlsa() {
  static const bool done = [] {
    using THandler = void (*)(const char*, int, const char*, int, const char*, ...);
    int (*setHandler)(THandler) = nullptr;
    // The library stays loaded, or the handler would go with it.
    if (TLibraryHandle alsa = LoadLibrary("libasound.so.2"))
      ResolveSymbol(alsa, setHandler, "snd_lib_error_set_handler");
    if (setHandler) setHandler(&IgnoreAlsaError);
    return true;
  }();
  (void)done;
}

}  // namespace

TSdlSound::TSdlSound() { AvoidSessionBusAutolaunch(); }

TSdlSound::~TSdlSound() { Stop(); }

void TSdlSound::Play(const std::string& Name, TSoundSource Source, bool Looping) {
  Stop();
  TWaveSamples wave;
  try {
    std::vector<uint8_t> file;
    std::span<const uint8_t> bytes;
    if (Source == TSoundSource::Resource) {
      const TResourceData resource = FindResourceData(Name, TResourceType::Sound);
      if (!resource.Found) throw EOSError("no sound resource of this name");
      bytes = resource.Bytes;
    } else {
      file = ReadFileBytes(NativePath(Name), MaxWaveBytes);
      bytes = file;
    }
    wave = DecodeWave(bytes);
  } catch (const EOSError& e) {
    std::fprintf(stderr, "emberhall: no sound from %s: %s\n", Name.c_str(), e.what());
    return;
  }
  FLooping = Looping;
  FEndSignalled = FEnded = FStopping = false;
  FPlaying = true;
  // Opening a device can take a tenth of a second or more (a sound server
  // that does not answer, drivers tried in turn): the sound's own thread
  // does it, so Play returns at once.
  // An SDL thread, because SDL frees what it keeps per thread (its error
  // text) only for threads it made itself.
  FPending = std::make_unique<TPendingSound>(TPendingSound{this, Name, std::move(wave)});
  FPlayer = SDL_CreateThread(&TSdlSound::PlayerThread, "emberhall sound", FPending.get());
  if (!FPlayer) {
    FPlaying = false;
    ReportNoDevice(SDL_GetError());
  }
}

int TSdlSound::PlayerThread(void* Pending) {
  auto* p = static_cast<TPendingSound*>(Pending);
  p->Player->PlayToEnd(p->Name, p->Wave);
  return 0;
}

void TSdlSound::PlayToEnd(const std::string& Name, const TWaveSamples& Wave) {
  try {
    if (Start(Wave)) CloseWhenEnded();
  } catch (const EOSError& e) {
    std::fprintf(stderr, "emberhall: no sound from %s: %s\n", Name.c_str(), e.what());
  }
  FPlaying = false;
}

bool TSdlSound::Start(const TWaveSamples& Wave) {
  QuietAlsa();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    ReportNoDevice(SDL_GetError());
    return false;
  }
  SDL_AudioSpec wanted{};
  wanted.freq = Wave.Layout.Frequency;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = static_cast<Uint8>(Wave.Layout.Channels);
  wanted.callback = &TSdlSound::Callback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  // The rate stays the sound's own: SDL resamples the continuous stream.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained,
                                                       SDL_AUDIO_ALLOW_FORMAT_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
  if (device == 0) {
    ReportNoDevice(SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  FDevice = device;
  try {
    FSamples = ConvertWave(Wave, obtained.format, obtained.channels);
  } catch (const EOSError&) {
    Close();
    throw;
  }
  FPosition = 0;
  FSilence = obtained.silence;
  FSilentBuffers = 0;
  SDL_PauseAudioDevice(device, 0);
  return true;
}

void TSdlSound::Stop() {
  {
    std::lock_guard<std::mutex> lock(FEndLock);
    FStopping = true;
  }
  FEndSignal.notify_all();
  if (FPlayer) SDL_WaitThread(FPlayer, nullptr);
  FPlayer = nullptr;
  FPending.reset();
  FPlaying = false;
  Close();
  FSamples = {};
}

void TSdlSound::Callback(void* Self, uint8_t* Stream, int Length) {
  static_cast<TSdlSound*>(Self)->Fill(Stream, static_cast<size_t>(Length));
}

void TSdlSound::Fill(uint8_t* Stream, size_t Length) {
  while (Length > 0) {
    if (FPosition == FSamples.size()) {
      if (!FLooping || FSamples.empty()) break;
      FPosition = 0;
    }
    const size_t n = std::min(Length, FSamples.size() - FPosition);
    std::memcpy(Stream, FSamples.data() + FPosition, n);
    FPosition += n;
    Stream += n;
    Length -= n;
  }
  if (Length == 0) return;
  std::memset(Stream, FSilence, Length);
  // The buffer with the end is still on its way to the speaker when the next
  // is asked for: the closer is woken once two of silence have followed it.
  if (FEndSignalled || ++FSilentBuffers < 3) return;
  FEndSignalled = true;
  {
    std::lock_guard<std::mutex> lock(FEndLock);
    FEnded = true;
  }
  FEndSignal.notify_all();
}

// On the sound's own thread once its device plays: closes the device when a
// sound played once has ended (the callback itself may not close it). A
// stop closes it instead, after joining this thread.
void TSdlSound::CloseWhenEnded() {
  std::unique_lock<std::mutex> lock(FEndLock);
  FEndSignal.wait(lock, [this] { return FEnded || FStopping; });
  if (FStopping) return;
  lock.unlock();
  Close();
}

void TSdlSound::Close() {
  const SDL_AudioDeviceID device = FDevice.load();
  if (device == 0) return;
  SDL_CloseAudioDevice(device);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  FDevice = 0;
}

void TSdlSound::ReportNoDevice(const char* Why) {
  if (FNoDeviceReported) return;
  FNoDeviceReported = true;
  std::fprintf(stderr, "emberhall: no sound device (%s); the program goes on without sound\n", Why);
}

}  // namespace emberhall
