// The INI form of scene descriptions: splitting a source into lines, the
// scrambled form, reading (first section and first key of a name win, names
// without regard to case) and writing (order of creation, CR LF).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace emberhall {

// The lines of a source: it ends at its first byte 0; lines break at CR, LF
// or CR LF.
std::vector<std::string> SplitSourceLines(std::span<const uint8_t> Bytes);
// Every character c of every line becomes 255 - c.
void InvertLines(std::vector<std::string>& Lines);

class TIniDocument {
 public:
  TIniDocument() = default;
  explicit TIniDocument(const std::vector<std::string>& Lines);

  bool HasSection(const std::string& Section) const;
  size_t SectionCount() const { return FSections.size(); }
  // The value of Key in Section; nothing when either is missing or the
  // key's line has no "=".
  std::optional<std::string> Value(const std::string& Section, const std::string& Key) const;
  // Sets Key in Section (creating either at the end); an existing key's
  // value is replaced in place.
  void Write(const std::string& Section, const std::string& Key, const std::string& Value);
  // The document as lines: "[name]", "key=value"…, "" after each section.
  std::vector<std::string> Lines() const;

 private:
  struct TEntry {
    std::string Key, Value;
    bool HasValue = true;
  };
  struct TSection {
    std::string Name;
    std::vector<TEntry> Entries;
  };
  TSection* Find(const std::string& Section);
  const TSection* Find(const std::string& Section) const;

  std::vector<TSection> FSections;
  std::unordered_map<std::string, size_t> FIndex;  // upper-cased name → first section of that name
};

}  // namespace emberhall
