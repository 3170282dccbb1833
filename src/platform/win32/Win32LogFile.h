// The program's log: lines ending in CR LF in a file that is allocated in
// blocks of 16 384 zero bytes, so it holds the lines written so far followed
// by zero bytes up to its allocated size.
#pragma once

#include <cstdint>
#include <string>

#include "platform/LogFile.h"

namespace emberhall {

class TWin32LogFile : public ILogFile {
 public:
  static constexpr int64_t BlockSize = 16384;

  TWin32LogFile() = default;
  ~TWin32LogFile() override;
  TWin32LogFile(const TWin32LogFile&) = delete;
  TWin32LogFile& operator=(const TWin32LogFile&) = delete;

  // Creates FileName anew (an old log is replaced) with one zero block, open
  // for reading and writing while others may only read it. Raises EOSError
  // when that fails, also when another program writes the log.
  void Open(const std::string& FileName) override;
  bool IsOpen() const override { return FHandle != nullptr; }
  // Writes Text + CR LF at the current position, first writing a block of
  // zeros at that position when the line would reach past the end.
  void WriteLine(const std::string& Text) override;
  void Close() override;

 private:
  void WriteAt(const char* Data, size_t Size, int64_t At);
  void* FHandle = nullptr;
  std::string FFileName;
  int64_t FPosition = 0;
  int64_t FSize = 0;
};

}  // namespace emberhall
