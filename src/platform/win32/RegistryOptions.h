// The options store in the registry: string values (REG_SZ) of one key
// under HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE.
#pragma once

#include <string>
#include <vector>

#include "platform/OptionsStore.h"

namespace emberhall {

// The key path with "/" read as "\" and empty parts dropped, so that a key
// path names the same key here as it names the same file on other systems.
std::string RegistryKeyPath(const std::string& KeyPath);
// "HKEY_CURRENT_USER\<key path>" (or HKEY_LOCAL_MACHINE), for messages.
std::string RegistryKeyName(TStoreRoot Root, const std::string& KeyPath);

// One open key. The values are read when the key is opened (and again after
// each write), so reads see the key as it was then. Value names compare
// without regard to case, as the registry compares them.
class TRegistryOptionsKey : public IOptionsKey {
 public:
  // Read-only opens the key for reading (KEY_READ) and never creates it: a
  // missing key is a key without values, one that cannot be read raises
  // EOSError. Write mode opens or creates the key with the rights to read
  // and set values and raises EOSError when that fails (no rights to a
  // machine-wide key, for instance).
  TRegistryOptionsKey(TStoreRoot Root, const std::string& KeyPath, bool ReadOnly);
  ~TRegistryOptionsKey() override;
  TRegistryOptionsKey(const TRegistryOptionsKey&) = delete;
  TRegistryOptionsKey& operator=(const TRegistryOptionsKey&) = delete;

  bool Exists() const override { return FExists; }
  bool ValueExists(const std::string& Name) const override;
  // The text of a REG_SZ or REG_EXPAND_SZ value (up to its first zero
  // character), the signed decimal text of a REG_DWORD or REG_QWORD one, ""
  // for a missing one. Raises EOSError for values of other types and for
  // ones too large to be options.
  std::string ReadString(const std::string& Name) const override;
  // Stores Value as REG_SZ. Raises EOSError when the key is read-only, the
  // name or value is not UTF-8 text without zero bytes, or the registry
  // refuses it.
  void WriteString(const std::string& Name, const std::string& Value) override;

  const std::string& FileName() const override { return FFileName; }

  // Values above this size are not read into memory.
  static constexpr size_t MaxValueBytes = 1 << 20;

 private:
  struct TValue {
    std::wstring Name;
    std::string Text;
    std::string Error;  // why Text cannot be given; empty when it can
  };
  void ReadValues(void* Key);
  const TValue* Find(const std::string& Name) const;

  std::string FFileName;
  void* FKey = nullptr;  // the open HKEY in write mode
  bool FExists = false;
  std::vector<TValue> FValues;
};

}  // namespace emberhall
