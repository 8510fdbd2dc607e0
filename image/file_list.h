// The file list: names entered in groups and numbered ranges, written to filelist.txt in the
// working path and read back by batch commands; and the batch-rename file sornu.bat.
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "core/settings.h"

namespace textio {
class Console;
}

namespace image {

constexpr int32_t kMaxListNames = 10000;  ///< most names a file list holds
constexpr int32_t kSornuLast = 1000;      ///< highest frame number sornu gives

/// Asks for file names in groups (single names and numbered ranges) and writes filelist.txt
/// in the working path: the count, one 20-character name per line (types stripped), and a
/// line holding a blank. Sets settings.fileCount to the names entered. Returns true when a
/// new filelist.txt was written; false when the user chose the existing list ("..." or "@"),
/// entered no name (fileCount 0) or the file could not be written (after a message).
/// A frame number of 100000 or more stops the program after its message and a key press.
bool gflist(textio::Console& console, core::Settings& settings);

/// Writes sornu.bat in the working path from the directory listing file.dir: one
/// " copy <name>  img<k>.fit" line per listed file, k counting from a number asked for.
void sornu(textio::Console& console, const core::Settings& settings);

/// Reads back filelist.txt from the working path, as batch commands do.
class FileList {
 public:
  /// Opens filelist.txt and reads its count into settings.fileCount. False, after the message
  /// "   error - cannot open file list " + the full name, when it is missing or holds no count.
  [[nodiscard]] bool open(textio::Console& console, core::Settings& settings);
  /// The count on the first line (0 before open or when it could not be read).
  int32_t count() const { return count_; }
  /// The next name (20 characters, blank-padded). False at a blank name, at the end of the
  /// file, after `count` names or after 10000 names: the list has ended.
  [[nodiscard]] bool next(std::string& name20);

 private:
  std::unique_ptr<std::ifstream> in_;
  int32_t count_ = 0;
  int32_t read_ = 0;
  bool ended_ = false;
};

}  // namespace image
