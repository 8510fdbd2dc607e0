// Console seam: prompts, lines, the keyboard/script input stack and the log file.
#include "textio/console.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>

#include "textio/fixed_text.h"
#include "textio/free_format.h"
#include "textio/stop_signals.h"
#include "textio/value_ranges.h"

namespace textio {

Console::Console(std::istream& keyboard, std::ostream& screen) : keyboard_(keyboard), screen_(screen) {}

Console::~Console() { closeLog(); }

void Console::prompt(std::string_view text) {
  // A prompt is a safe point to stop at after SIGINT or SIGTERM: no file is half written.
  stopIfSignalled();
  lastPrompt_ = std::string(text);
  if (held_ != nullptr) {
    held_->append(text);
    return;
  }
  screen_ << text;
  screen_.flush();
}

void Console::line(std::string_view text) {
  if (held_ != nullptr) {
    held_->append(text).push_back('\n');
  } else {
    screen_ << text << '\n';
  }
  lastPrompt_.clear();
}

bool Console::openLog(const std::string& hostPath) {
  closeLog();
  auto f = std::make_unique<std::ofstream>(hostPath, std::ios::binary | std::ios::trunc);
  if (!*f) return false;
  log_ = std::move(f);
  return true;
}

void Console::closeLog() {
  if (log_) {
    log_->flush();
    log_.reset();
  }
}

void Console::logLine(std::string_view text) {
  if (!log_) return;
  *log_ << text << '\n';
  log_->flush();
}

bool Console::openScript(const std::string& hostPath) {
  auto f = std::make_unique<std::ifstream>(hostPath, std::ios::binary);
  if (!*f) return false;
  script_ = std::move(f);
  return true;
}

void Console::endScript() {
  script_.reset();
  line(" ");
  line("   finished reading script file ");
  line(" ");
}

bool Console::readRaw(std::istream& in, std::string& out) {
  if (beforeInput_) {
    beforeInput_();
    screen_.flush();
  }
  if (!std::getline(in, out)) return false;
  out = std::string(dropCr(out));
  return true;
}

CommandRead Console::readCommand(std::string& text) {
  screen_.flush();
  if (script_) {
    if (readRaw(*script_, text)) return CommandRead::Line;
    endScript();
    return CommandRead::ScriptEnded;
  }
  if (readRaw(keyboard_, text)) return CommandRead::Line;
  stopIfSignalled();
  return CommandRead::ConsoleEnded;
}

std::string Console::answer(bool* fromScript) {
  screen_.flush();
  std::string text;
  if (script_) {
    if (readRaw(*script_, text)) {
      if (fromScript) *fromScript = true;
      return text;
    }
    std::string again = lastPrompt_;
    endScript();
    if (!again.empty()) prompt(again);
  }
  if (fromScript) *fromScript = false;
  return keyboardLine();
}

std::string Console::keyboardLine() {
  screen_.flush();
  std::string text;
  if (!readRaw(keyboard_, text)) {
    stopIfSignalled();
    throw FatalStop("   error - end of input in the middle of a command");
  }
  return text;
}

std::string Console::answerText(size_t w) { return fixed(answer(), w); }

std::string Console::keyboardText(size_t w) { return fixed(keyboardLine(), w); }

char Console::answerChar() {
  std::string a = answer();
  return a.empty() ? ' ' : a[0];
}

char Console::keyboardChar() {
  std::string a = keyboardLine();
  return a.empty() ? ' ' : a[0];
}

namespace {

// A range end as the message shows it: whole numbers without a point, others in %g.
std::string rangeEnd(double v) {
  if (std::fabs(v) < 1.0e15 && v == std::floor(v)) return std::to_string(static_cast<int64_t>(v));
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

// The range a 4-byte answer is held to: both ends rounded to 4-byte reals (so an end typed as
// written is inside), none beyond the largest 4-byte real.
Range asFloat(Range r) {
  auto f = [](double v) {
    return static_cast<double>(static_cast<float>(std::clamp<double>(v, -FLT_MAX, FLT_MAX)));
  };
  return {f(r.low), f(r.high)};
}

}  // namespace

std::vector<double> Console::askNumbers(std::string_view promptText, std::string_view kinds,
                                        const std::vector<Range>& ranges, bool keyboardOnly) {
  auto rangeOf = [&](size_t k) { return ranges.size() == 1 ? ranges[0] : ranges.at(k); };
  for (;;) {
    prompt(promptText);
    std::vector<double> values;
    bool bad = false;
    bool fromScript = false;
    std::string badText;
    std::string refused;  // the message for a value outside its range
    while (values.size() < kinds.size() && !bad) {
      std::string text = keyboardOnly ? keyboardLine() : answer(&fromScript);
      FreeItems items(text);
      while (values.size() < kinds.size() && items.remaining() > 0) {
        char kind = kinds[values.size()];
        double value = 0.0;
        if (kind == 'i') {
          int32_t v;
          if (!items.integer(v)) { bad = true; break; }
          value = v;
        } else if (kind == 'd') {
          if (!items.real(value)) { bad = true; break; }
        } else {
          float v;
          if (!items.real(v)) { bad = true; break; }
          value = v;
        }
        const Range r = kind == 'r' ? asFloat(rangeOf(values.size())) : rangeOf(values.size());
        if (!within(r, value)) {
          bad = true;
          refused = "   error - number out of range (" + rangeEnd(r.low) + " to " + rangeEnd(r.high) +
                    "): " + std::string(items.previous());
          break;
        }
        values.push_back(value);
      }
      if (bad) badText = std::string(trim(text));
    }
    if (!bad) return values;
    line(refused.empty() ? "   error - cannot read a number from: " + badText : refused);
    if (fromScript) {
      endScript();
      throw CommandAbandoned();
    }
  }
}

int32_t Console::askInt(std::string_view promptText, Range range) {
  return static_cast<int32_t>(askNumbers(promptText, "i", {range})[0]);
}

float Console::askReal(std::string_view promptText, Range range) {
  return static_cast<float>(askNumbers(promptText, "r", {range})[0]);
}

std::vector<float> Console::askReals(std::string_view promptText, size_t n, Range range) {
  return askReals(promptText, std::vector<Range>(n, range));
}

std::vector<float> Console::askReals(std::string_view promptText, const std::vector<Range>& ranges) {
  std::vector<float> out;
  for (double v : askNumbers(promptText, std::string(ranges.size(), 'r'), ranges)) {
    out.push_back(static_cast<float>(v));
  }
  return out;
}

std::vector<int32_t> Console::askInts(std::string_view promptText, size_t n, Range range) {
  return askInts(promptText, std::vector<Range>(n, range));
}

std::vector<int32_t> Console::askInts(std::string_view promptText, const std::vector<Range>& ranges) {
  std::vector<int32_t> out;
  for (double v : askNumbers(promptText, std::string(ranges.size(), 'i'), ranges)) {
    out.push_back(static_cast<int32_t>(v));
  }
  return out;
}

void replay(Console& console, std::string_view text) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      console.prompt(text);
      return;
    }
    console.line(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
}

}  // namespace textio
