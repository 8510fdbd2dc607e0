// The one console seam: every byte the program reads or prints passes through here.
// Input comes from the keyboard stream or from one open script file; output goes to the
// screen stream and, for the lines a command chooses, to the log file.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace textio {

/// Ends the program from inside a command, carrying the message that says why. The ending
/// prints what() as console lines ('\n' between lines; nothing when empty), closes the log
/// file and exits non-zero. With Print::Nothing the message travels but is not printed: the
/// console already shows it (it had to come before a key press) or the stop is a quiet one.
struct FatalStop : std::runtime_error {
  enum class Print { Message, Nothing };
  explicit FatalStop(const std::string& message, Print print = Print::Message)
      : std::runtime_error(print == Print::Message ? message : std::string()), message_(message) {}
  /// Why the program stopped, printed or not.
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

/// Abandons the current command and returns to the command prompt (a script answer
/// that could not be read; the script has already been closed).
struct CommandAbandoned : std::runtime_error {
  CommandAbandoned() : std::runtime_error("command abandoned") {}
};

/// The values a typed number may take, both ends included.
struct Range {
  double low;
  double high;
};

/// What reading a command line produced.
enum class CommandRead { Line, ScriptEnded, ConsoleEnded };

class Console {
 public:
  Console(std::istream& keyboard, std::ostream& screen);
  ~Console();

  /// Prints a prompt without a line end and flushes, so the answer follows on the same line.
  void prompt(std::string_view text);
  /// Prints one line on the screen.
  void line(std::string_view text);

  /// Opens (creates or truncates) the log file at a host path; false when it cannot be opened.
  [[nodiscard]] bool openLog(const std::string& hostPath);
  /// Closes the log file (flushing everything written).
  void closeLog();
  [[nodiscard]] bool logOpen() const { return log_ != nullptr; }
  /// Writes one line to the log file (nothing when it is closed); flushed at once.
  void logLine(std::string_view text);

  /// Opens a script file for reading; false when it cannot be opened.
  [[nodiscard]] bool openScript(const std::string& hostPath);
  [[nodiscard]] bool inScript() const { return script_ != nullptr; }
  /// Closes the script and prints the end-of-script lines; input returns to the keyboard.
  void endScript();

  /// Reads one command line from the current input (the trailing CR dropped).
  /// At the end of a script the script is closed (with its message) and ScriptEnded returned;
  /// at the end of the keyboard input ConsoleEnded is returned.
  CommandRead readCommand(std::string& line);

  /// Reads one answer line from the current input. At the end of a script the script is
  /// closed, the last prompt is shown again and the keyboard is read. At the end of the
  /// keyboard input the program stops (FatalStop). `fromScript` tells where it came from.
  std::string answer(bool* fromScript = nullptr);
  /// Reads one line from the keyboard whatever the current input is.
  std::string keyboardLine();
  /// An answer cut or padded to w characters.
  std::string answerText(size_t w);
  /// The keyboard's answer cut or padded to w characters.
  std::string keyboardText(size_t w);
  /// The first character of an answer (blank when the answer is empty).
  char answerChar();
  /// The first character of a keyboard line (blank when empty).
  char keyboardChar();

  /// Prints the prompt and reads numbers of the kinds given ('i' integer, 'r' 4-byte real,
  /// 'd' 8-byte real), continuing on further lines while values are missing. Each value must
  /// lie in its range (one range for all values, or one per value). A value that cannot be
  /// read or lies outside its range: a message; at the keyboard the prompt is asked again,
  /// from a script the script is closed and the command abandoned (CommandAbandoned).
  std::vector<double> askNumbers(std::string_view promptText, std::string_view kinds,
                                 const std::vector<Range>& ranges, bool keyboardOnly = false);
  /// One integer answer within the range.
  int32_t askInt(std::string_view promptText, Range range);
  /// One real answer (4-byte) within the range.
  float askReal(std::string_view promptText, Range range);
  /// n real answers (4-byte), each within the range.
  std::vector<float> askReals(std::string_view promptText, size_t n, Range range);
  /// Real answers (4-byte), one per range.
  std::vector<float> askReals(std::string_view promptText, const std::vector<Range>& ranges);
  /// n integer answers, each within the range.
  std::vector<int32_t> askInts(std::string_view promptText, size_t n, Range range);
  /// Integer answers, one per range.
  std::vector<int32_t> askInts(std::string_view promptText, const std::vector<Range>& ranges);

  std::ostream& screen() { return screen_; }

  /// While `to` is set, prompts and lines are appended to it instead of being printed: a batch
  /// holds back what follows a frame written on another thread until it knows whether the
  /// write failed, so the text keeps the one-thread order. nullptr prints again.
  void holdScreen(std::string* to) { held_ = to; }
  /// Called before any input is read (a batch prints what it holds back first); empty: none.
  void setBeforeInput(std::function<void()> hook) { beforeInput_ = std::move(hook); }

  /// Whether the keyboard stream is a person at a terminal (set by main; false in tests and
  /// when input is redirected).
  void setTerminal(bool terminal) { terminal_ = terminal; }
  /// True when answers are typed at a terminal now (no script open).
  [[nodiscard]] bool atTerminal() const { return terminal_ && script_ == nullptr; }

  /// True the first time it is asked with `note` during this console's life, so that a note
  /// is said once a run.
  [[nodiscard]] bool firstTime(std::string_view note) { return notesSaid_.emplace(note).second; }

 private:
  [[nodiscard]] bool readRaw(std::istream& in, std::string& line);

  std::istream& keyboard_;
  std::ostream& screen_;
  std::unique_ptr<std::ifstream> script_;
  std::unique_ptr<std::ofstream> log_;
  std::string lastPrompt_;
  bool terminal_ = false;
  std::set<std::string, std::less<>> notesSaid_;
  std::string* held_ = nullptr;
  std::function<void()> beforeInput_;
};

/// Prints text captured from another console, line by line (a last piece without a line end
/// as a prompt).
void replay(Console& console, std::string_view text);

}  // namespace textio
