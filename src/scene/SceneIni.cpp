#include "scene/SceneIni.h"

#include "platform/SysUtils.h"

namespace emberhall {

namespace {

std::string Trim(const std::string& S) {
  size_t begin = 0, end = S.size();
  while (begin < end && static_cast<unsigned char>(S[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(S[end - 1]) <= 32) --end;
  return S.substr(begin, end - begin);
}

}  // namespace

std::vector<std::string> SplitSourceLines(std::span<const uint8_t> Bytes) {
  std::vector<std::string> lines;
  std::string line;
  bool pending = false;
  for (size_t i = 0; i < Bytes.size() && Bytes[i] != 0; ++i) {
    const char c = static_cast<char>(Bytes[i]);
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      pending = false;
      if (c == '\r' && i + 1 < Bytes.size() && Bytes[i + 1] == '\n') ++i;
    } else {
      line += c;
      pending = true;
    }
  }
  if (pending) lines.push_back(line);
  return lines;
}

void InvertLines(std::vector<std::string>& Lines) {
  for (std::string& line : Lines)
    for (char& c : line) c = static_cast<char>(255 - static_cast<unsigned char>(c));
}

TIniDocument::TIniDocument(const std::vector<std::string>& Lines) {
  TSection* current = nullptr;
  for (const std::string& raw : Lines) {
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const std::string name = Trim(line.substr(1, line.size() - 2));
      FSections.push_back({name, {}});
      FIndex.emplace(UpperCase(name), FSections.size() - 1);  // the first of a name stays
      current = &FSections.back();
      continue;
    }
    if (!current) continue;  // lines before the first section
    const size_t eq = line.find('=');
    if (eq == std::string::npos) {
      current->Entries.push_back({line, "", false});
    } else {
      current->Entries.push_back({Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)), true});
    }
  }
}

TIniDocument::TSection* TIniDocument::Find(const std::string& Section) {
  auto it = FIndex.find(UpperCase(Section));
  return it == FIndex.end() ? nullptr : &FSections[it->second];
}

const TIniDocument::TSection* TIniDocument::Find(const std::string& Section) const {
  auto it = FIndex.find(UpperCase(Section));
  return it == FIndex.end() ? nullptr : &FSections[it->second];
}

bool TIniDocument::HasSection(const std::string& Section) const { return Find(Section) != nullptr; }

std::optional<std::string> TIniDocument::Value(const std::string& Section, const std::string& Key) const {
  const TSection* section = Find(Section);
  if (!section) return std::nullopt;
  for (const TEntry& entry : section->Entries)
    if (SameText(entry.Key, Key)) return entry.HasValue ? std::optional<std::string>(entry.Value) : std::nullopt;
  return std::nullopt;
}

void TIniDocument::Write(const std::string& Section, const std::string& Key, const std::string& Value) {
  TSection* section = Find(Section);
  if (!section) {
    FSections.push_back({Section, {}});
    FIndex.emplace(UpperCase(Section), FSections.size() - 1);
    section = &FSections.back();
  }
  for (TEntry& entry : section->Entries) {
    if (SameText(entry.Key, Key)) {
      entry.Value = Value;
      entry.HasValue = true;
      return;
    }
  }
  section->Entries.push_back({Key, Value, true});
}

std::vector<std::string> TIniDocument::Lines() const {
  std::vector<std::string> lines;
  for (const TSection& section : FSections) {
    lines.push_back("[" + section.Name + "]");
    for (const TEntry& entry : section.Entries) lines.push_back(entry.HasValue ? entry.Key + "=" + entry.Value : entry.Key);
    lines.push_back("");
  }
  return lines;
}

}  // namespace emberhall
