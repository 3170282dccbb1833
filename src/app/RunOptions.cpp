#include "app/RunOptions.h"

#include <charconv>

#include "app/FramePacer.h"

namespace emberhall {

namespace {

// One option word ("--clock" or "--clock=24"), split.
struct TOptionWord {
  std::string Name;    // lower case, without the dashes
  std::string Given;   // as written, without "=value", for messages
  std::string Value;
  bool HasValue = false;
};

// "-name" or "--name", "=value" optional. Anything else (switches, numbers) is no option.
bool SplitOption(const std::string& Param, TOptionWord& Word) {
  const size_t dashes = Param.rfind("--", 0) == 0 ? 2 : Param.rfind('-', 0) == 0 ? 1 : 0;
  if (dashes == 0) return false;
  const size_t eq = Param.find('=');
  Word.Given = Param.substr(0, eq);
  Word.Name = LowerCase(Word.Given.substr(dashes));
  Word.HasValue = eq != std::string::npos;
  Word.Value = Word.HasValue ? Param.substr(eq + 1) : std::string();
  return true;
}

bool IsDecimal(std::string_view Text) {
  return !Text.empty() && Text.find_first_not_of("0123456789") == std::string_view::npos;
}

int32_t IntegerValue(const std::string& Text, const std::string& Option, int32_t Min, int32_t Max) {
  int32_t value = 0;
  if (!IsDecimal(Text) || !TryStrToInt(Text, value) || value < Min || value > Max)
    throw EUsageError(Option + " needs a number from " + std::to_string(Min) + " to " + std::to_string(Max) +
                      ", not '" + Text + "'");
  return value;
}

// The index of Text (any letter case) in Words, which the message lists.
int32_t ChoiceValue(const std::string& Text, const std::string& Option, const std::vector<const char*>& Words) {
  std::string list;
  for (size_t i = 0; i < Words.size(); ++i) {
    if (SameText(Text, Words[i])) return static_cast<int32_t>(i);
    list += (i ? (i + 1 == Words.size() ? " or " : ", ") : "") + std::string(Words[i]);
  }
  throw EUsageError(Option + " needs " + list + ", not '" + Text + "'");
}

void SetHackWindow(TRunOptions& Options, THackWindow Window, HWND Id) {
  if (Options.HackWindow != hwNone && (Options.HackWindow != Window || Options.WindowId != Id))
    throw EUsageError("only one of -root, -window-id and -window can be given");
  Options.HackWindow = Window;
  Options.WindowId = Id;
}

HWND WindowIdValue(const std::string& Text, const std::string& Option) {
  HWND id = 0;
  if (!TryParseWindowId(Text, id))
    throw EUsageError(Option + " needs a window id (decimal, or hexadecimal with 0x), not '" + Text + "'");
  return id;
}

// An option of this program: its name, what its value must be ("" for none),
// and how the value goes into the record.
struct TOptionRule {
  const char* Name;
  const char* Needs;
  void (*Apply)(TRunOptions& Options, const std::string& Option, const std::string& Value);
};

const std::vector<const char*> FireplaceWords = {"vee", "rectangular", "cylindrical"};
const std::vector<const char*> ColorWords = {"red", "orange", "yellow"};
const std::vector<const char*> ClockWords = {"none", "24", "12"};

const TOptionRule OptionRules[] = {
    {"root", "", [](TRunOptions& o, const std::string&, const std::string&) { SetHackWindow(o, hwRoot, 0); }},
    {"window", "", [](TRunOptions& o, const std::string&, const std::string&) { SetHackWindow(o, hwOwnWindow, 0); }},
    {"window-id", "a window id (decimal, or hexadecimal with 0x)",
     [](TRunOptions& o, const std::string& opt, const std::string& v) {
       SetHackWindow(o, hwWindowId, WindowIdValue(v, opt));
     }},
    {"fps", "", [](TRunOptions& o, const std::string&, const std::string&) { o.ShowFPS = true; }},
    {"fps-limit", "a number from 0 to 1000",
     [](TRunOptions& o, const std::string& opt, const std::string& v) {
       o.FrameRateLimit = IntegerValue(v, opt, 0, TFramePacer::MaxLimit);
     }},
    {"fireplace", "vee, rectangular or cylindrical",
     [](TRunOptions& o, const std::string& opt, const std::string& v) {
       o.FireplaceIndex = ChoiceValue(v, opt, FireplaceWords);
     }},
    {"flame-color", "red, orange or yellow",
     [](TRunOptions& o, const std::string& opt, const std::string& v) {
       o.FlameColorIndex = ChoiceValue(v, opt, ColorWords);
     }},
    {"flame-width", "a number from 50 to 100",
     [](TRunOptions& o, const std::string& opt, const std::string& v) {
       o.FlameWidthPercent = IntegerValue(v, opt, 50, 100);
     }},
    {"flame-decay", "a number from 1 to 5",
     [](TRunOptions& o, const std::string& opt, const std::string& v) { o.FlameDecay = IntegerValue(v, opt, 1, 5); }},
    {"clock", "none, 24 or 12",
     [](TRunOptions& o, const std::string& opt, const std::string& v) { o.ClockMode = ChoiceValue(v, opt, ClockWords); }},
    {"sound", "", [](TRunOptions& o, const std::string&, const std::string&) { o.CrackleSound = true; }},
    {"no-sound", "", [](TRunOptions& o, const std::string&, const std::string&) { o.CrackleSound = false; }},
};

const TOptionRule* FindOption(const std::string& Name) {
  for (const TOptionRule& rule : OptionRules)
    if (Name == rule.Name) return &rule;
  return nullptr;
}

// Takes the option at Params[i] (and its value word), advancing i past what it used.
void TakeOption(const TOptionRule& Rule, const TOptionWord& Word, const std::vector<std::string>& Params, size_t& i,
                TRunOptions& Options) {
  const bool takesValue = *Rule.Needs != '\0';
  Options.Words.push_back(Params[i]);
  if (!takesValue) {
    // "--fps 30" once meant a frame-rate limit; refuse it rather than drop the number unseen.
    const bool oldFrameLimit = Word.Name == "fps" && i + 1 < Params.size() && IsDecimal(Params[i + 1]);
    if (Word.HasValue || oldFrameLimit)
      throw EUsageError(Word.Given + " takes no value" +
                        (Word.Name == "fps" ? std::string(" (the frame-rate limit is --fps-limit N)") : ""));
    Rule.Apply(Options, Word.Given, "");
    return;
  }
  if (!Word.HasValue && i + 1 >= Params.size()) throw EUsageError(Word.Given + " needs " + Rule.Needs);
  if (!Word.HasValue) Options.Words.push_back(Params[++i]);
  Rule.Apply(Options, Word.Given, Word.HasValue ? Word.Value : Params[i]);
}

}  // namespace

void ResolveDaemonWindow(TRunOptions& Options, const char* Value) {
  if (Options.HackWindow != hwRoot || !Value || !*Value) return;
  if (!TryParseWindowId(Value, Options.WindowId))
    throw EUsageError(std::string("-root: XSCREENSAVER_WINDOW needs a window id (decimal, or hexadecimal with 0x), not '") +
                      Value + "'");
}

bool TryParseWindowId(std::string_view Text, HWND& Window) {
  int base = 10;
  if (Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X')) {
    Text.remove_prefix(2);
    base = 16;
    if (Text.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) return false;
  } else if (!IsDecimal(Text)) {
    return false;
  }
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(Text.data(), Text.data() + Text.size(), value, base);
  if (ec != std::errc() || end != Text.data() + Text.size() || value == 0) return false;
  Window = value;
  return true;
}

TRunOptions ExtractRunOptions(std::vector<std::string>& Params) {
  TRunOptions options;
  std::vector<std::string> rest;
  for (size_t i = 0; i < Params.size(); ++i) {
    TOptionWord word;
    const TOptionRule* rule = SplitOption(Params[i], word) ? FindOption(word.Name) : nullptr;
    if (rule)
      TakeOption(*rule, word, Params, i, options);
    else
      rest.push_back(Params[i]);
  }
  Params = std::move(rest);
  return options;
}

TRunOptions& RunOptions() {
  static TRunOptions options;
  return options;
}

std::string UsageText(const std::string& ProgramName) {
  const std::string indent(ProgramName.size() + 8, ' ');  // under the first "["
  return "usage: " + ProgramName + " [/s | /p <window> | /c | /a] [options]\n" + indent +
         "-root | -window-id <window> | -window [options]\n"
         "options: --fps  --fps-limit <0..1000, 0 = no limit>  --fireplace vee|rectangular|cylindrical\n"
         "         --flame-color red|orange|yellow  --flame-width <50..100>  --flame-decay <1..5>\n"
         "         --clock none|24|12  --sound | --no-sound";
}

}  // namespace emberhall
