// The options store: string values under a key path, per user or
// machine-wide (on POSIX one INI-like file per key path).
#pragma once

#include <memory>
#include <string>

namespace emberhall {

enum class TStoreRoot { CurrentUser, LocalMachine };

// One open key. Reads see the values as they were when the key was opened;
// a write merges into what is stored now, so that a reader sees either the
// old or the new values, never a mix.
class IOptionsKey {
 public:
  virtual ~IOptionsKey() = default;
  virtual bool Exists() const = 0;
  virtual bool ValueExists(const std::string& Name) const = 0;
  virtual std::string ReadString(const std::string& Name) const = 0;
  // Raises EOSError when the value cannot be stored.
  virtual void WriteString(const std::string& Name, const std::string& Value) = 0;
  // Where the values are kept, for messages that name it.
  virtual const std::string& FileName() const = 0;
};

// Read-only: a missing key is a key without values; one that cannot be read
// raises EOSError. Write mode creates the key and raises EOSError when that
// fails.
std::unique_ptr<IOptionsKey> OpenOptionsKey(TStoreRoot Root, const std::string& KeyPath, bool ReadOnly);

}  // namespace emberhall
