// Command loop: reading, normalising and dispatching keywords; scripts, pauses and the log.
#include "app/interpreter.h"

#include "app/command_table.h"
#include "app/working_path.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/paths.h"

namespace app {

std::string normalise(std::string_view line) {
  std::string key;
  for (char c : line.substr(0, std::min<size_t>(line.size(), 30))) {
    if (c == ' ') continue;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    key += c;
    if (key.size() == 10) break;
  }
  return textio::fixed(key, 10);
}

namespace {

bool isEnd(std::string_view key) {
  std::string_view k = textio::trimRight(key);
  return k == "stop" || k == "exit" || k == "x";
}

}  // namespace

Next comint(Session& s) {
  s.state.interp.markStars = 0;
  s.console.prompt(" $ ");
  std::string text;
  bool fromScript = s.console.inScript();
  switch (s.console.readCommand(text)) {
    case textio::CommandRead::ConsoleEnded:
      return Next::EndProgram;
    case textio::CommandRead::ScriptEnded:
      return Next::Continue;
    case textio::CommandRead::Line:
      break;
  }
  std::string key = normalise(text);
  if (fromScript && isEnd(key)) {
    s.console.endScript();
    return Next::Continue;
  }
  if (isEnd(key)) return Next::EndProgram;
  if (textio::trimRight(key) == "pause") pauseCommand(s);
  textio::blankFrom(key, ";!/");
  if (fromScript && !textio::isBlank(key)) s.console.line("   [COMMAND = " + key + "]");
  if (textio::isBlank(key)) return Next::Continue;
  if (const Command* cmd = findCommand(key)) {
    try {
      cmd->run(s);
    } catch (const textio::CommandAbandoned&) {
      // The script was closed after an unreadable answer; back to the prompt.
    }
  }
  return Next::Continue;
}

void scriptCommand(Session& s) {
  s.console.prompt("   enter name of script file : ");
  std::string name = s.console.keyboardText(20);
  if (name.find('.') == std::string::npos) {
    size_t blank = name.find(' ');
    if (blank != std::string::npos && blank + 4 <= name.size()) name.replace(blank, 4, ".txt");
  }
  std::string full;
  if (fullName(s, name, full) && s.console.openScript(textio::hostPath(full))) return;
  if (full.empty()) {
    full = std::string(textio::trimRight(s.state.settings.workingPath)) + std::string(textio::trimRight(name));
  }
  s.console.line(" ");
  s.console.line("  cannot open script file " + textio::fixed(full, 80));
}

void pauseCommand(Session& s) {
  InterpreterSettings& in = s.state.interp;
  in.pauseCount += 1;
  s.console.line(" ");
  s.console.line(" ");
  s.console.prompt(textio::Line("   [pause #").i(in.pauseCount, 3).a("] press return to continue ... ").str());
  s.console.keyboardLine();
}

void logCommand(Session& s) {
  InterpreterSettings& in = s.state.interp;
  std::string typed;
  if (in.logOn == 0) {
    s.console.prompt("   enter name of log file [pelmlog.txt] : ");
    typed = s.console.answerText(20);
    if (textio::isBlank(typed)) typed = textio::fixed("pelmlog.txt", 20);
    std::string name = typed;
    if (name.find('.') == std::string::npos) {
      size_t blank = name.find(' ');
      if (blank != std::string::npos && blank < 17) {
        name.replace(blank, 4, ".txt");
      } else {
        s.console.line("   CAUTION: filename too long: no file type added!");
      }
    }
    s.state.settings.logFileName = name;
  }
  if (in.logOn == 1) {
    in.logOn = 0;
    s.console.line("  log file closed");
    s.console.closeLog();
    return;
  }
  std::string host = hostName(s, typed);
  if (host.empty() || !s.console.openLog(host)) {
    s.console.line("   error - cannot open log file " + std::string(textio::trimRight(typed)));
    return;
  }
  in.logOn = 1;
  s.console.line("  opened log file");
  s.console.logLine(" \"output from PELM version " + s.state.settings.programVersion + "\"");
}

void commentCommand(Session& s) {
  if (s.state.interp.logOn != 1) return;
  s.console.line("enter comment for log file : ");
  std::string text = s.console.answerText(79);
  s.console.logLine(text);
}

}  // namespace app
