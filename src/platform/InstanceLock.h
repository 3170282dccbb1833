// A named single-instance test that the system releases when the process
// ends, however it ends.
#pragma once

#include <memory>
#include <string>

namespace emberhall {

class IInstanceLock {
 public:
  virtual ~IInstanceLock() = default;
  // Takes the lock of Name. False when another process holds it, i.e. the
  // named object "already existed"; true also when no lock can be made at
  // all (then no instance can be detected and none is refused; Held tells
  // the cases apart).
  virtual bool Acquire(const std::string& Name) = 0;
  virtual bool Held() const = 0;
  virtual void Release() = 0;
};

std::unique_ptr<IInstanceLock> CreateInstanceLock();

}  // namespace emberhall
