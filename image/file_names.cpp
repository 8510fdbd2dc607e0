// File names and file types: comment cutting, stripping and appending types, choosing the
// current type, output names and generated frame numbers.
#include "image/file_names.h"

#include <algorithm>
#include <string_view>

#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"

namespace image {

std::string typeCode(const core::Settings& settings, int place) {
  return textio::fixed(settings.fileTypeCodes[static_cast<size_t>(place - 1)], 3);
}

void setTypeCode(core::Settings& settings, int place, std::string_view code) {
  settings.fileTypeCodes[static_cast<size_t>(place - 1)] = textio::fixed(code, 3);
}

void fnoc(std::string& name) { textio::blankFrom(name, ";/!"); }

void stripx(std::string& name) { textio::blankFrom(name, "."); }

void strip(textio::Console& console, core::Settings& settings, std::string& name) {
  size_t dot = name.find('.');
  std::string supplied = dot == std::string::npos ? std::string() : name.substr(dot + 1, 3);
  setTypeCode(settings, kSuppliedType, supplied);
  stripx(name);
  console.line("   have stripped off file type; file type was " + typeCode(settings, kSuppliedType));
  console.line("");
}

void addtyp(textio::Console& console, const core::Settings& settings, std::string& name) {
  console.line("   entered routine addtyp; fname = " + name);
  const std::string type = typeCode(settings, kCurrentType);
  // A folder without path.dat has no file types: said once a run, at the first name.
  constexpr std::string_view kNoTypes = "   note - no file types are set, so names get none; the command filetypes sets them";
  if (textio::isBlank(type) && console.firstTime(kNoTypes)) console.line(kNoTypes);
  std::string typed = std::string(textio::trimRight(name)) + "." + type;
  name = textio::fixed(typed, std::max<size_t>(20, typed.size()));
  console.line("   adding file type... filename = " + name);
}

bool baseNameFits(textio::Console& console, std::string_view name) {
  std::string_view base = textio::trimRight(name);
  if (base.size() <= kMaxBaseName) return true;
  console.line("   error - file name longer than 16 characters (no room for its file type): " +
               std::string(base));
  return false;
}

namespace {

// SETRAW, SETDRK and SETFLT: the supplied type wins over the configured one.
void choose(textio::Console& console, core::Settings& settings, const char* heading,
            const char* suppliedText, int place) {
  console.line(heading);
  std::string supplied = typeCode(settings, kSuppliedType);
  if (!textio::isBlank(supplied)) {
    console.line(suppliedText);
    setTypeCode(settings, kCurrentType, supplied);
    return;
  }
  setTypeCode(settings, kCurrentType, typeCode(settings, place));
  console.line("   use file type " + typeCode(settings, kCurrentType));
}

}  // namespace

void setraw(textio::Console& console, core::Settings& settings) {
  choose(console, settings, "  setting file type for raw image ... ",
         "  use file type supplied with filename", kRawType);
}

void setdrk(textio::Console& console, core::Settings& settings) {
  choose(console, settings, "  setting file type for dark corrected image ... ",
         "   use file type supplied with filename", kDarkType);
}

void setflt(textio::Console& console, core::Settings& settings) {
  choose(console, settings, "  setting file type for dark + flat corrected image ... ",
         "   use file type supplied with filename", kFlatType);
}

std::string rename(const core::Settings& settings, std::string_view source) {
  std::string target = textio::fixed(source, std::max<size_t>(20, source.size()));
  std::string over = typeCode(settings, kOverwriteChars);
  for (size_t k = 0; k < 3; ++k) {
    if (over[k] != ' ') target[k] = over[k];
  }
  return target;
}

std::string frameNumber(const core::Settings& settings, int64_t number) {
  char convention = typeCode(settings, kNumberingConvention)[0];
  if (convention < '1' || convention > '9') return std::to_string(number);
  int width = convention - '0';
  std::string digits = std::to_string(number < 0 ? -number : number);
  int signWidth = number < 0 ? 1 : 0;
  if (static_cast<int>(digits.size()) + signWidth > width) return std::string(static_cast<size_t>(width), '*');
  digits.insert(0, static_cast<size_t>(width - signWidth) - digits.size(), '0');
  return (number < 0 ? "-" : "") + digits;
}

std::string answerName(textio::Console& console, std::string_view promptText) {
  console.prompt(promptText);
  std::string name = console.answer();
  fnoc(name);
  return textio::fixed(name, std::max<size_t>(20, textio::trimRight(name).size()));
}

}  // namespace image
