// Working path: path.dat, the name join and the path command.
#include "app/working_path.h"

#include <fstream>

#include "align/alignment_table.h"
#include "phot/star_data.h"
#include "textio/fixed_text.h"
#include "textio/paths.h"

namespace app {

void getpth(Session& s) {
  s.console.line("entered getpth");
  s.state.settings.workingPath = std::string(80, ' ');
  std::ifstream in("path.dat", std::ios::binary);
  if (in) {
    std::string line;
    if (std::getline(in, line)) {
      s.state.settings.workingPath = textio::fixed(textio::dropCr(line), 80);
      for (auto& code : s.state.settings.fileTypeCodes) {
        if (!std::getline(in, line)) break;
        code = textio::fixed(textio::dropCr(line), 3);
      }
    }
  }
  s.console.line("leaving getpth");
}

void savpth(Session& s) {
  std::string content = textio::fixed(s.state.settings.workingPath, 80) + "\n";
  for (const auto& code : s.state.settings.fileTypeCodes) content += textio::fixed(code, 3) + "\n";
  if (!textio::replaceFileAtomically("path.dat", content)) {
    s.console.line("   error - cannot write path.dat");
  }
}

bool fullName(Session& s, std::string_view name, std::string& full) {
  return textio::adpath(s.console, s.state.settings.workingPath, name, full);
}

std::string hostName(Session& s, std::string_view name) {
  std::string full;
  if (!fullName(s, name, full)) return {};
  return textio::hostPath(full);
}

void pathCommand(Session& s) {
  Settings& set = s.state.settings;
  s.console.line("   current path = " + textio::fixed(set.workingPath, 80));
  s.console.prompt("   enter path (or <return> to leave unchanged) : ");
  std::string answer = textio::fixed(s.console.answer(), 80);
  // "/" is a directory separator on this system, so only ";" and "!" start a comment.
  textio::blankFrom(answer, ";!");
  if (answer[0] == ' ') return;
  size_t last = textio::trimRight(answer).size();
  if (last == 80) {
    // No room for the separator: refused, the working path stays as it was.
    s.console.line("   error - path too long; max 80 chars");
    return;
  }
  char end = answer[last - 1];
  if (end != '\\' && end != '/') answer[last] = '\\';
  set.workingPath = answer;
  savpth(s);
  align::alload(s.console, set.workingPath, s.state.alignment);
  phot::gsload(s.console, set.workingPath, s.state.starData);
}

}  // namespace app
