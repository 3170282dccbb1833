// A named single-instance test: an advisory lock on a file in the runtime
// folder, released by the system when the process ends, however it ends.
#pragma once

#include <string>

#include "platform/InstanceLock.h"

namespace emberhall {

class TInstanceLock : public IInstanceLock {
 public:
  TInstanceLock() = default;
  ~TInstanceLock() override;
  TInstanceLock(const TInstanceLock&) = delete;
  TInstanceLock& operator=(const TInstanceLock&) = delete;

  // Takes the lock of Name. False when another process holds it, i.e. the
  // named object "already existed"; true also when the lock file cannot be
  // made at all or the runtime folder is not usable (then no instance can be
  // detected and none is refused; Held tells the cases apart).
  bool Acquire(const std::string& Name) override;
  bool Held() const override { return FFd >= 0; }
  // Releases the lock and removes its file.
  void Release() override;

  // The lock file in the runtime folder; "" when that folder is not usable.
  static std::string FileNameOf(const std::string& Name);

 private:
  int FFd = -1;
  std::string FFileName;
};

}  // namespace emberhall
