// The sound player on SDL's audio output. Only SDL's audio subsystem is
// used, and only while a sound plays: it is started and the device opened
// for each sound, and both are closed when the sound is stopped or, played
// once, has ended, so an idle program holds no audio device. The samples are
// converted once to the device's format and fed by the device's callback,
// which wraps from the last sample to the first inside one buffer.
#pragma once

struct SDL_Thread;

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <memory>
#include <vector>

#include "platform/Sound.h"
#include "platform/sdl/SdlWave.h"

namespace emberhall {

class TSdlSound : public ISoundPlayer {
 public:
  // Keeps SDL's audio start from autolaunching a session bus (see SessionBus.h):
  // made with the platform's services, while the program has one thread.
  TSdlSound();
  TSdlSound(const TSdlSound&) = delete;
  TSdlSound& operator=(const TSdlSound&) = delete;
  ~TSdlSound() override;

  // Decodes the sound at once (a bad sound is reported before it returns);
  // the device is opened on the sound's own thread.
  void Play(const std::string& Name, TSoundSource Source, bool Looping) override;
  void Stop() override;
  // An audio device is open: a sound plays (or has just ended).
  bool DeviceOpen() const { return FDevice.load() != 0; }
  // The sound's thread runs: its device is being opened, it plays, or its
  // device is about to be closed.
  bool Playing() const { return FPlaying.load(); }

 private:
  static void Callback(void* Self, uint8_t* Stream, int Length);
  void Fill(uint8_t* Stream, size_t Length);
  // The sound's thread: opens the device and plays until the end or a stop.
  void PlayToEnd(const std::string& Name, const TWaveSamples& Wave);
  static int PlayerThread(void* Pending);
  bool Start(const TWaveSamples& Wave);
  void CloseWhenEnded();
  void Close();
  void ReportNoDevice(const char* Why);

  std::atomic<uint32_t> FDevice{0};
  std::atomic<bool> FPlaying{false};
  // Read by the callback only while the device is open.
  std::vector<uint8_t> FSamples;
  size_t FPosition = 0;
  bool FLooping = false;
  uint8_t FSilence = 0;
  int FSilentBuffers = 0;
  bool FEndSignalled = false;
  // The end of a sound played once, or a stop, wakes the closer.
  std::mutex FEndLock;
  std::condition_variable FEndSignal;
  bool FEnded = false, FStopping = false;
  // What the sound's thread plays; kept until Stop has joined it.
  struct TPendingSound {
    TSdlSound* Player;
    std::string Name;
    TWaveSamples Wave;
  };
  std::unique_ptr<TPendingSound> FPending;
  SDL_Thread* FPlayer = nullptr;
  // Written by the sound's thread; read by the next one after Stop joined it.
  bool FNoDeviceReported = false;
};

}  // namespace emberhall
