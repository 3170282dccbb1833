// A named single-instance test: a named semaphore, which the system removes
// when its last handle closes, however the process that held it ends.
#pragma once

#include <string>

#include "platform/InstanceLock.h"

namespace emberhall {

class TSemaphoreInstanceLock : public IInstanceLock {
 public:
  TSemaphoreInstanceLock() = default;
  ~TSemaphoreInstanceLock() override;
  TSemaphoreInstanceLock(const TSemaphoreInstanceLock&) = delete;
  TSemaphoreInstanceLock& operator=(const TSemaphoreInstanceLock&) = delete;

  // Creates the semaphore Name (initial count 0, maximum 1). False when it
  // already existed, i.e. another instance holds it; true also when no
  // semaphore can be made (then none is held and no instance is refused).
  bool Acquire(const std::string& Name) override;
  bool Held() const override { return FHandle != nullptr; }
  void Release() override;

  // The object name for Name: "\" is reserved for the namespace prefixes
  // and becomes "_".
  static std::wstring ObjectName(const std::string& Name);

 private:
  void* FHandle = nullptr;
};

}  // namespace emberhall
