// Frame commands: workspaces, file types, file list, loading and saving.
#include "app/frame_commands.h"

#include <sstream>

#include "app/working_path.h"
#include "image/file_names.h"
#include "image/fits_load.h"
#include "image/fits_save.h"
#include "image/workspace_listing.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/value_ranges.h"

namespace app {

namespace {

// A typed frame name, its comment cut and its type stripped (remembered as the supplied type);
// empty after a message when the base name is too long to take a type.
std::string typedFrameName(Session& s, std::string_view promptText) {
  std::string name = image::answerName(s.console, promptText);
  image::strip(s.console, s.state.settings, name);
  if (!image::baseNameFits(s.console, name)) return {};
  return textio::fixed(name, 20);
}

// Asks for one 3-character code; a non-blank answer replaces it. Returns the answer.
std::string askCode(Session& s, const std::string& text, int place) {
  s.console.prompt(text + "[" + image::typeCode(s.state.settings, place) + "] : ");
  std::string answer = s.console.answerText(3);
  if (!textio::isBlank(answer)) image::setTypeCode(s.state.settings, place, answer);
  return answer;
}

void askNumbering(Session& s) {
  for (;;) {
    s.console.line("  file numbering convention :");
    s.console.line("    0 = no leading zeros");
    s.console.line("    1 = 1 digit");
    s.console.line("    2 = 2 digit (with leading zeros)");
    s.console.line("    3 = 3 digit (with leading zeros)");
    s.console.line("    etc ...");
    s.console.prompt("   enter choice [" + image::typeCode(s.state.settings, image::kNumberingConvention) + "] : ");
    std::string answer = s.console.answer();
    std::string_view choice = textio::trimRight(answer);
    if (choice.size() > 1) continue;
    if (!choice.empty()) image::setTypeCode(s.state.settings, image::kNumberingConvention, choice);
    return;
  }
}

// Listings go to the log file too while it is open.
image::ListingCopy listingCopy(const Session& s) {
  return s.state.interp.logOn == 1 ? image::ListingCopy::AlsoToLog : image::ListingCopy::ScreenOnly;
}

}  // namespace

void initCommand(Session& s) {
  image::init(s.console, s.state.ws);
  image::init2(s.console, s.state.ws);
  image::init3(s.console, s.state.ws);
}

void listCommand(Session& s, int which) {
  std::vector<int32_t> c =
      s.console.askInts("   list pixel values of 11*11 array centred on i,j = ", 2, textio::kCoordinate);
  const image::ListingCopy copy = listingCopy(s);
  switch (which) {
    case 0:
      image::llist(s.console, s.state.ws, c[0], c[1], copy);
      break;
    case 2:
      image::list2(s.console, s.state.ws, c[0], c[1], copy);
      break;
    case 3:
      image::list3(s.console, s.state.ws, c[0], c[1], copy);
      break;
    default:
      image::list(s.console, s.state.ws, c[0], c[1], copy);
      break;
  }
}

void quickList(Session& s, int which) {
  const image::ListingCopy copy = listingCopy(s);
  switch (which) {
    case 2:
      image::list2(s.console, s.state.ws, 100, 100, copy);
      break;
    case 3:
      image::list3(s.console, s.state.ws, 100, 100, copy);
      break;
    default:
      image::list(s.console, s.state.ws, 100, 100, copy);
      break;
  }
}

void filetypesCommand(Session& s) {
  s.console.line("  enter the 3 character file types (no .) or <return> to accept default :");
  askCode(s, "   enter file type for raw files ", image::kRawType);
  askCode(s, "   enter file type for dark corrected files ", image::kDarkType);
  askCode(s, "   enter file type for dark and flat corrected files ", image::kFlatType);
  s.console.line(" ");
  s.console.line("  you have the option to overwrite any of the first three characters of the");
  s.console.line("  filename when a file is both dark and flat corrected ");
  s.console.line("  to reset to change no characters enter three dots ...");
  s.console.line(" ");
  std::string over = askCode(s, "   enter the character(s) you wish to change : ", image::kOverwriteChars);
  if (over == "...") image::setTypeCode(s.state.settings, image::kOverwriteChars, "");
  s.console.line(" ");
  askNumbering(s);
  savpth(s);
}

void loadCommand(Session& s) {
  std::string name = typedFrameName(s, "   file to load : ");
  if (name.empty()) return;
  s.state.frameName = name;
  State& st = s.state;
  // Workspace 1 is cleared only for a frame that then loads: a refused load leaves it as it was.
  app::Settings probe = st.settings;
  std::istringstream noKeys;
  std::ostringstream unseen;
  textio::Console quiet(noKeys, unseen);
  image::setraw(quiet, probe);
  if (image::loadable(probe, st.camera, name, s.state.ws.capacity())) image::init(s.console, s.state.ws);
  image::setraw(s.console, s.state.settings);
  (void)image::load(s.console, st.settings, st.camera, st.ws, name, image::Combine::Replace, 1.0f, 0, 0);
}

void saveCommand(Session& s) {
  std::string name = typedFrameName(s, "   file to write to : ");
  if (name.empty()) return;
  s.state.frameName = name;
  image::setraw(s.console, s.state.settings);
  image::save(s.console, s.state.settings, s.state.camera, s.state.ws, name,
              image::SaveOptions{&s.state.savedFrames, true});
}

}  // namespace app
