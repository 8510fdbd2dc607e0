// The file list: names entered in groups and numbered ranges, written to filelist.txt in the
// working path and read back by batch commands; and the batch-rename file sornu.bat.
#include "image/file_list.h"

#include <fstream>

#include "image/file_names.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"
#include "textio/value_ranges.h"

namespace image {

namespace {

constexpr const char* kPrompt = "   enter filename : ";
constexpr int64_t kNumberLimit = 100000;

// The host name of a file in the working path, without a console message (empty when the
// joined name would pass 80 characters).
std::string workingFile(const core::Settings& settings, std::string_view name) {
  std::string path(textio::trimRight(settings.workingPath));
  if (path.size() + name.size() > textio::kPathWidth) return {};
  return textio::hostPath(path + std::string(name));
}

// Splits a name into the text before its trailing digits and those digits; false when the
// name does not end in a digit.
bool splitNumber(std::string_view name, std::string& prefix, int64_t& number) {
  std::string_view base = textio::trimRight(name);
  size_t b = base.size();
  while (b > 0 && base[b - 1] >= '0' && base[b - 1] <= '9') --b;
  if (b == base.size()) return false;
  std::string_view digits = base.substr(b);
  // A run of more than 12 digits is far beyond any frame number; it only has to compare high.
  if (digits.size() > 12) digits = "999999999999";
  prefix = std::string(base.substr(0, b));
  return textio::parseInt(digits, number);
}

// Entering names: the names of the whole list, with the 1000-name limit.
class Entry {
 public:
  Entry(textio::Console& console, core::Settings& settings) : console_(console), settings_(settings) {}

  // Runs the group loop. False when the user chose the existing list.
  bool run();
  const std::vector<std::string>& names() const { return list_; }

 private:
  bool add(std::vector<std::string>& group, const std::string& name);
  void range(std::vector<std::string>& group);
  void endGroup(const std::vector<std::string>& group);

  textio::Console& console_;
  core::Settings& settings_;
  std::vector<std::string> list_;
  bool full_ = false;
};

static_assert(kMaxListNames == 10000, "the message names the list's size");

bool Entry::add(std::vector<std::string>& group, const std::string& name) {
  if (!baseNameFits(console_, name)) return false;
  if (list_.size() + group.size() >= static_cast<size_t>(kMaxListNames)) {
    if (!full_) {
      console_.line("   error - a file list holds at most 10000 names; the list is cut at 10000");
      full_ = true;
    }
    return false;
  }
  group.push_back(textio::fixed(name, 20));
  return true;
}

// A range continues from the group's latest name to a last name typed now; the numbers
// between are written under the numbering convention. It ends its group.
void Entry::range(std::vector<std::string>& group) {
  std::string last = answerName(console_, kPrompt);
  stripx(last);
  std::string prefix, lastPrefix;
  int64_t first = 0, final = 0;
  if (!splitNumber(group.back(), prefix, first) || !splitNumber(last, lastPrefix, final)) {
    console_.line("   error - a range needs names ending in a frame number; range not added");
    return;
  }
  if (final < first) {
    console_.line("   error - the last number of a range is below the first; range not added");
    return;
  }
  if (final >= kNumberLimit) {
    console_.line("error - file number > 100000");
    console_.line("press return to continue");
    console_.keyboardLine();
    console_.line("   range not added");
    return;
  }
  std::vector<std::string> names;
  for (int64_t n = first; n <= final; ++n) {
    std::string name = prefix + frameNumber(settings_, n);
    if (name.size() > kMaxBaseName) {
      (void)baseNameFits(console_, name);  // known not to fit: for its message
      console_.line("   range not added");
      return;
    }
    names.push_back(name);
  }
  group.pop_back();
  for (const std::string& name : names) {
    if (!add(group, name)) break;
  }
}

void Entry::endGroup(const std::vector<std::string>& group) {
  // The scratch file is left holding the last group entered.
  std::string content;
  for (const std::string& name : group) content += name + "\n";
  std::string junk = workingFile(settings_, "junk1.dat");
  if (!junk.empty()) (void)textio::replaceFileAtomically(junk, content);  // scratch: best effort
  list_.insert(list_.end(), group.begin(), group.end());
}

bool Entry::run() {
  for (;;) {
    std::string first = answerName(console_, kPrompt);
    if (first.rfind("...", 0) == 0 || first[0] == '@') {
      console_.line("  use pre-defined list");
      return false;
    }
    strip(console_, settings_, first);
    if (textio::isBlank(first)) return true;
    std::vector<std::string> group;
    if (!add(group, first)) continue;
    for (;;) {
      std::string next = answerName(console_, kPrompt);
      if (textio::isBlank(next)) break;
      if (next.rfind("..", 0) == 0) {
        range(group);
        break;
      }
      stripx(next);
      if (textio::isBlank(next)) continue;
      add(group, next);
    }
    endGroup(group);
  }
}

}  // namespace

bool gflist(textio::Console& console, core::Settings& settings) {
  Entry entry(console, settings);
  if (!entry.run()) return false;
  const std::vector<std::string>& names = entry.names();
  settings.fileCount = static_cast<int32_t>(names.size());
  if (names.empty()) return false;
  std::string content = textio::Line().freeI(settings.fileCount).str() + "\n";
  for (const std::string& name : names) content += name + "\n";
  content += " \n";
  std::string full;
  if (!textio::adpath(console, settings.workingPath, "filelist.txt", full)) return false;
  if (!textio::replaceFileAtomically(textio::hostPath(full), content)) {
    console.line("   error - cannot write file list " + full);
    return false;
  }
  return true;
}

bool FileList::open(textio::Console& console, core::Settings& settings) {
  in_.reset();
  count_ = 0;
  read_ = 0;
  ended_ = true;
  std::string full;
  if (!textio::adpath(console, settings.workingPath, "filelist.txt", full)) return false;
  auto in = std::make_unique<std::ifstream>(textio::hostPath(full), std::ios::binary);
  std::string line;
  int32_t count = 0;
  if (!*in || !std::getline(*in, line) || !textio::FreeItems(textio::dropCr(line)).integer(count)) {
    console.line("   error - cannot open file list " + full);
    return false;
  }
  in_ = std::move(in);
  count_ = count;
  settings.fileCount = count;
  ended_ = false;
  return true;
}

bool FileList::next(std::string& name20) {
  if (ended_ || read_ >= count_ || read_ >= kMaxListNames) {
    ended_ = true;
    return false;
  }
  std::string line;
  if (!std::getline(*in_, line)) {
    ended_ = true;
    return false;
  }
  std::string name = textio::fixed(textio::dropCr(line), 20);
  if (textio::isBlank(name)) {
    ended_ = true;
    return false;
  }
  ++read_;
  name20 = name;
  return true;
}

void sornu(textio::Console& console, const core::Settings& settings) {
  console.line("  generate file for batch renaming of Varrow Camera files");
  console.line("");
  console.line("  you should have done DIR *.FIT>FILE.DIR at the command line in the directory");
  console.line("  this will put a list of all the FITs files into file.dir");
  console.line("");
  console.prompt("   have you done this Y/N [Y] ");
  char yes = console.answerChar();
  if (yes == 'n' || yes == 'N') return;
  int32_t number = console.askInt("   enter the file number for the first file: ", textio::kAnyInteger);
  std::string dirFull, batFull;
  if (!textio::adpath(console, settings.workingPath, "file.dir", dirFull)) return;
  if (!textio::adpath(console, settings.workingPath, "sornu.bat", batFull)) return;
  std::ifstream dir(textio::hostPath(dirFull), std::ios::binary);
  if (!dir) {
    console.line("   error - cannot open " + std::string(textio::trimRight(dirFull)) +
                 "; no batch file written");
    return;
  }
  std::string line;
  for (int k = 0; k < 5 && std::getline(dir, line); ++k) {
  }
  std::string content;
  for (int64_t k = number; k <= kSornuLast; ++k) {
    if (!std::getline(dir, line)) break;
    std::string card = textio::fixed(textio::dropCr(line), 80);
    if (textio::isBlank(card.substr(0, 3))) break;
    content += " copy " + card.substr(36, 40) + "  img" + std::to_string(k) + ".fit\n";
  }
  if (!textio::replaceFileAtomically(textio::hostPath(batFull), content)) {
    console.line("   error - cannot write " + std::string(textio::trimRight(batFull)));
  }
}

}  // namespace image
