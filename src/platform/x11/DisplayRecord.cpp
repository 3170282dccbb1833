#include "platform/x11/DisplayRecord.h"

#include <charconv>
#include <map>

namespace emberhall {

namespace {

constexpr size_t kMaxOutputs = 64;
constexpr unsigned long kMaxXid = 0x1FFFFFFF;  // X ids have 29 bits
constexpr long kMaxCoordinate = 32767;

// The next blank-separated number of Text, within [Low, High].
template <class T>
bool NextNumber(std::string_view& Text, long long Low, long long High, T& Value) {
  while (!Text.empty() && Text.front() == ' ') Text.remove_prefix(1);
  long long v = 0;
  const auto [end, ec] = std::from_chars(Text.data(), Text.data() + Text.size(), v);
  if (ec != std::errc() || v < Low || v > High) return false;
  Text.remove_prefix(static_cast<size_t>(end - Text.data()));
  if (!Text.empty() && Text.front() != ' ') return false;
  Value = static_cast<T>(v);
  return true;
}

bool OnlyBlanksLeft(std::string_view Text) { return Text.find_first_not_of(' ') == std::string_view::npos; }

template <class T>
bool OneNumber(std::string_view Text, long long Low, long long High, T& Value) {
  return NextNumber(Text, Low, High, Value) && OnlyBlanksLeft(Text);
}

bool ReadOutputs(std::string_view Text, std::vector<unsigned long>& Outputs) {
  Outputs.clear();
  while (!OnlyBlanksLeft(Text)) {
    unsigned long o = 0;
    if (Outputs.size() == kMaxOutputs || !NextNumber(Text, 1, kMaxXid, o)) return false;
    Outputs.push_back(o);
  }
  return !Outputs.empty();  // putting back a CRTC without outputs would turn it off
}

bool ReadScreen(std::string_view Text, TCrtcConfig& C) {
  return NextNumber(Text, 1, kMaxCoordinate, C.Width) && NextNumber(Text, 1, kMaxCoordinate, C.Height) &&
         NextNumber(Text, 0, 65535, C.MmWidth) && NextNumber(Text, 0, 65535, C.MmHeight) && OnlyBlanksLeft(Text);
}

std::map<std::string_view, std::string_view> Fields(std::string_view Text) {
  std::map<std::string_view, std::string_view> fields;
  while (!Text.empty()) {
    const size_t end = Text.find('\n');
    const std::string_view line = Text.substr(0, end);
    Text.remove_prefix(end == std::string_view::npos ? Text.size() : end + 1);
    const size_t eq = line.find('=');
    if (eq != std::string_view::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return fields;
}

}  // namespace

std::string FormatDisplayRecord(const TDisplayRecord& R) {
  const TCrtcConfig& c = R.Original;
  std::string outputs;
  for (unsigned long o : c.Outputs) outputs += std::to_string(o) + " ";
  return "pid=" + std::to_string(R.Pid) + "\nprogram=" + R.Program + "\noutput=" + c.Output +
         "\ncrtc=" + std::to_string(c.Crtc) + "\nmode=" + std::to_string(c.Mode) + "\nposition=" + std::to_string(c.X) +
         " " + std::to_string(c.Y) + "\nrotation=" + std::to_string(c.Rotation) + "\noutputs=" + outputs +
         "\nscreen=" + std::to_string(c.Width) + " " + std::to_string(c.Height) + " " + std::to_string(c.MmWidth) +
         " " + std::to_string(c.MmHeight) + "\nswitched=" + std::to_string(R.Switched) +
         "\nintended=" + std::to_string(R.Intended) + "\n";
}

bool ParseDisplayRecord(std::string_view Text, TDisplayRecord& R) {
  const auto f = Fields(Text);
  const auto has = [&](const char* Name) { return f.count(Name) != 0; };
  for (const char* required : {"output", "crtc", "mode", "position", "rotation", "outputs", "screen", "switched"})
    if (!has(required)) return false;
  R = {};
  TCrtcConfig& c = R.Original;
  c.Output = std::string(f.at("output"));
  if (has("program")) R.Program = std::string(f.at("program"));
  std::string_view position = f.at("position");
  return (!has("pid") || OneNumber(f.at("pid"), 0, 0x7FFFFFFF, R.Pid)) && !c.Output.empty() &&
         OneNumber(f.at("crtc"), 1, kMaxXid, c.Crtc) &&
         OneNumber(f.at("mode"), 0, kMaxXid, c.Mode) && NextNumber(position, -kMaxCoordinate, kMaxCoordinate, c.X) &&
         NextNumber(position, -kMaxCoordinate, kMaxCoordinate, c.Y) && OnlyBlanksLeft(position) &&
         OneNumber(f.at("rotation"), 1, 0x3F, c.Rotation) && ReadOutputs(f.at("outputs"), c.Outputs) &&
         ReadScreen(f.at("screen"), c) && OneNumber(f.at("switched"), 0, kMaxXid, R.Switched) &&
         (!has("intended") || OneNumber(f.at("intended"), 0, kMaxXid, R.Intended));
}

}  // namespace emberhall
