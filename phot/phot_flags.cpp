// Writing and reading photflags.txt.
#include "phot/phot_flags.h"

#include "align/alignment_table.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"

namespace phot {

std::string photFlagsTitle() {
  return textio::Line(" ").a(textio::fixed("frame", 20)).x(1).a("code ").x(2).a("flag    ").a("distance").a("   ratio").str();
}

std::string photFlagsLine(std::string_view frame, std::string_view code, const ContaminationCheck& check) {
  return textio::Line(" ").a(textio::fixed(frame, 20)).x(1).a(textio::fixed(code, 5)).x(2)
      .a(textio::fixed(contaminationWord(check.flag), 8))
      .f(check.distance, 8, 2).f(check.ratio, 8, 2).str();
}

PhotFlags readPhotFlags(std::istream& in) {
  PhotFlags flags;
  for (std::string line; std::getline(in, line);) {
    const std::string text = textio::fixed(textio::dropCr(line), 60);
    Contamination c;
    const std::string word(textio::trimRight(text.substr(29, 8)));
    if (!contaminationOfWord(word, c)) continue;
    const std::string frame(textio::trimRight(align::stripType(text.substr(1, 20))));
    const std::string code(textio::trimRight(text.substr(22, 5)));
    if (frame.empty()) continue;
    flags[frame][code] = c;
  }
  return flags;
}

}  // namespace phot
