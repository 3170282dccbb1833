// The program's log: one line per message, ending in CR LF, in a file that
// is allocated in blocks of 16 384 zero bytes.
#pragma once

#include <memory>
#include <string>

namespace emberhall {

class ILogFile {
 public:
  virtual ~ILogFile() = default;
  // Creates FileName anew (an old log is replaced) and opens it with other
  // writers excluded. Raises EOSError when that fails.
  virtual void Open(const std::string& FileName) = 0;
  virtual bool IsOpen() const = 0;
  virtual void WriteLine(const std::string& Text) = 0;
  virtual void Close() = 0;
};

std::unique_ptr<ILogFile> CreateLogFile();

}  // namespace emberhall
