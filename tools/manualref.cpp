// manualref: prints the manual's command reference generated from the command table's help
// text, or, given the manual's file name, rewrites the part between its two marker lines.
//   manualref                 the reference on standard output
//   manualref docs/manual.md  the manual brought up to date in place
#include <fstream>
#include <iostream>
#include <sstream>

#include "app/help_command.h"
#include "textio/paths.h"

int main(int argc, char** argv) {
  const std::string reference = app::commandReference();
  if (argc < 2) {
    std::cout << reference;
    return 0;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "manualref: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  const std::string updated = app::withReference(text.str(), reference);
  if (updated.empty()) {
    std::cerr << "manualref: " << argv[1] << " lacks the marker lines\n  " << app::kReferenceBegin << "\n  "
              << app::kReferenceEnd << "\n";
    return 1;
  }
  if (updated == text.str()) return 0;
  if (!textio::replaceFileAtomically(argv[1], updated)) {
    std::cerr << "manualref: cannot write " << argv[1] << "\n";
    return 1;
  }
  std::cout << "manualref: command reference of " << argv[1] << " regenerated\n";
  return 0;
}
