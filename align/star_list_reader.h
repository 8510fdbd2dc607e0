// Reading star position list files: one block per frame, found by its "stars found in" line,
// then the sky line, the time line, the column header and star lines up to the end line.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace align {

/// One star line: position and integer width (the first three numbers of the line), and the
/// peak above the sky (the sixth) where the line has it.
struct ListedStar {
  float u = 0.0f;
  float v = 0.0f;
  int32_t width = 0;
  int32_t peakAboveSky = 0;  // 0 when the line ends before it
};

/// One frame's block of a star position list.
struct FrameBlock {
  std::string name;                 // 20 characters, as in the list (file type kept)
  float sky = 0.0f;                 // sky value of the frame
  float time = 0.0f;                // hours, as listed
  std::vector<ListedStar> stars;    // at most `maxStars` stars, in list order
};

/// What reading the next block gave.
enum class BlockRead {
  Frame,      // a complete block (its stars up to the end line or the star limit)
  Truncated,  // a header was found but the file ended (or a line could not be read) before the end
  End,        // no further block
};

/// Reads a star position list block by block. Lines are taken as 70-character records.
class StarListReader {
 public:
  explicit StarListReader(std::istream& in, int maxStars = 400) : in_(in), maxStars_(maxStars) {}

  /// The next block. Lines before a "stars found in " line (columns 3-17) are skipped, so
  /// star lines beyond the star limit are passed over. A star line whose u is above 9998.0
  /// ends the block. On Truncated, `problemLine` is the number of an unreadable line (0 when
  /// the file simply ended).
  BlockRead next(FrameBlock& block);

  int lineNumber() const { return lineNo_; }
  int problemLine() const { return problemLine_; }

 private:
  [[nodiscard]] bool readLine(std::string& line);

  std::istream& in_;
  int maxStars_;
  int lineNo_ = 0;
  int problemLine_ = 0;
};

}  // namespace align
