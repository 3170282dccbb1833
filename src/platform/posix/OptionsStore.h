// The options store: string values under a key path, per user or machine-wide.
// Each key path is one INI-like file of "name=value" lines:
//   per user:      $EMBERHALL_CONFIG_HOME, else $XDG_CONFIG_HOME, else ~/.config
//   machine-wide:  the first of $EMBERHALL_CONFIG_DIRS, else of $XDG_CONFIG_DIRS, else /etc/xdg
// and the key path "Software\Korvell Software\Emberhall 1" becomes the file
// "<root>/Software/Korvell Software/Emberhall 1.ini".
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/OptionsStore.h"

namespace emberhall {

std::string StoreRootDirectory(TStoreRoot Root);
std::string StoreFileName(TStoreRoot Root, const std::string& KeyPath);

// One open key. Reads come from the file as it was when the key was opened;
// each write merges into the file as it is now, under a lock on its folder,
// through a temporary file that is flushed and renamed over the old one, so
// a reader sees either the old or the new file.
class TOptionsKey : public IOptionsKey {
 public:
  // Read-only: a missing file is a key without values; a file that cannot
  // be read raises EOSError. Write mode creates the folders and raises
  // EOSError when that fails.
  TOptionsKey(TStoreRoot Root, const std::string& KeyPath, bool ReadOnly);

  bool Exists() const override { return FExists; }
  bool ValueExists(const std::string& Name) const override;
  std::string ReadString(const std::string& Name) const override;
  // Raises EOSError when the value cannot be stored.
  void WriteString(const std::string& Name, const std::string& Value) override;

  const std::string& FileName() const override { return FFileName; }

 private:
  std::string FFileName;
  bool FReadOnly;
  bool FExists = false;
  std::vector<std::pair<std::string, std::string>> FValues;
};

// The text form of the file, and its parsing (lines that are not
// "name=value" are ignored).
std::string FormatOptions(const std::vector<std::pair<std::string, std::string>>& Values);
std::vector<std::pair<std::string, std::string>> ParseOptions(const std::string& Text);

}  // namespace emberhall
