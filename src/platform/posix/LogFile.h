// The program's log: lines ending in CR LF in a file that is allocated in
// blocks of 16 384 zero bytes, so it holds the lines written so far followed
// by zero bytes up to its allocated size.
#pragma once

#include <cstdint>
#include <string>

#include "platform/LogFile.h"

namespace emberhall {

class TLogFile : public ILogFile {
 public:
  static constexpr int64_t BlockSize = 16384;

  TLogFile() = default;
  ~TLogFile() override;
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;

  // Creates FileName anew (an old log is replaced) with one zero block and
  // opens it for reading and writing with other writers excluded. Raises
  // EOSError when that fails.
  void Open(const std::string& FileName) override;
  bool IsOpen() const override { return FFd >= 0; }
  // Writes Text + CR LF at the current position, growing the file first by
  // one block when the line would reach past its end.
  void WriteLine(const std::string& Text) override;
  void Close() override;

 private:
  void ReopenAt(int64_t Position);
  void AppendZeroBlock(int64_t At);
  int FFd = -1;
  std::string FFileName;
  int64_t FPosition = 0;
  int64_t FSize = 0;
};

}  // namespace emberhall
