// The alignment table: per frame its name, time, offset from the fiducial frame, rotation,
// mean star width and sky, as loaded from align.dat. Also the align.dat and align.txt
// record layouts, which the aligners write.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "textio/fixed_text.h"

namespace textio {
class Console;
}

namespace align {

constexpr int kAlignEntries = 10000;        ///< entries of the table, indexed 1..10000
constexpr int kDesignedAlignEntries = 1000;  ///< entries align.dat and the listings always cover

/// One frame of the alignment table.
struct AlignmentEntry {
  std::string name = std::string(20, ' ');  // frame name, file type removed (20 characters)
  float time = 0.0f;                        // hours UT, +24 after midnight
  float du = 0.0f;                          // offset observed minus fiducial, u pixels
  float dv = 0.0f;                          // offset, v pixels
  float rotation = 0.0f;                    // degrees
  int32_t fwhm = 0;                         // mean star width, whole pixels
  float sky = 0.0f;                         // sky level from the star list
};

/// The shared table of 10000 entries (1-based); an entry with a blank name is empty.
struct AlignmentTable {
  textio::Table1<AlignmentEntry, kAlignEntries> entries;
  /// Entries in use: 1000, or up to the last entry with a name when a night has more frames.
  /// Look-ups, listings and align.dat go through entries 1..span().
  int span() const;
};

/// A 20-character name with everything from its first "." blanked (the file type removed).
std::string stripType(std::string_view name);

/// Result of looking a frame up by name.
struct FrameLookup {
  bool found = false;  // false: du = dv = 9999.0, rotation 999.0, fwhm 0
  int index = 0;       // entry number when found
  float du = 9999.0f;
  float dv = 9999.0f;
  float rotation = 999.0f;
  int32_t fwhm = 0;
  float time = 0.0f;   // the entry's time when found
};

/// The first entry whose name equals the frame name with its type removed (pure look-up,
/// no message; the caller prints "  no offset recorded for this file !" and sets the frame time).
FrameLookup findFrame(const AlignmentTable& table, std::string_view frameName);

/// One align.dat record without the rms column (72 characters): blank, name A20, blank,
/// time F7.4, blank, du F7.2, blank, dv F7.2, 2 blanks, rotation F9.5, 2 blanks, fwhm I4,
/// blank, sky F9.1.
std::string alignRecord(std::string_view name, float time, float du, float dv, float rotation,
                        int32_t fwhm, float sky);
/// The same record followed by a blank and the rms of the fit (F5.2), 78 characters.
std::string alignRecord(std::string_view name, float time, float du, float dv, float rotation,
                        int32_t fwhm, float sky, float rms);
/// One align.txt record: blank, the name in double quotes (20 characters), then comma-separated
/// time F7.4, du F7.2, dv F7.2, rotation (F7.3 for `rotationWidth` 7, F9.5 for 9), fwhm I4,
/// sky F9.1, rms F5.2.
std::string alignCsvRecord(std::string_view name, float time, float du, float dv, float rotation,
                           int32_t fwhm, float sky, float rms, int rotationWidth = 7);

/// Reads one align.dat record (fixed columns, a short line is blank-padded, blank numeric
/// fields read as 0, a field without a point has implied decimals). False when a field
/// cannot be read. The name keeps its file type.
[[nodiscard]] bool readAlignRecord(std::string_view line, AlignmentEntry& entry);

/// ALLOAD: every name blanked and every rotation set to 1000.0, then align.dat (in the working
/// path) read line by line into entries 1..10000 up to its end or its first unreadable line,
/// names stripped of their type; then the midnight rule (an entry whose predecessor's time is
/// later gains 24 hours, in order 2..1000). Prints the number of lines read; returns it.
/// A missing file loads nothing (count 0).
int alload(textio::Console& console, std::string_view workingPath, AlignmentTable& table);

/// ALSAVE: writes entries 1..span() (1000 for a night of up to 1000 frames) to align.dat (created when missing, replaced atomically).
/// False, after a console message, when it cannot be written.
[[nodiscard]] bool alsave(textio::Console& console, std::string_view workingPath,
                          const AlignmentTable& table);

/// ALLIST: entries 1..12 on the console: entry number I4, name, time, du, dv, rotation (F9.4).
void allist(textio::Console& console, const AlignmentTable& table);

/// ALTEST: true when some entry has a name; false (after "   error - no image alignment
/// data ... ") when every name is blank.
[[nodiscard]] bool altest(textio::Console& console, const AlignmentTable& table);

/// listalign: one line per entry with a name: name, du, dv (F7.2) and rotation (F6.2).
void listalign(textio::Console& console, const AlignmentTable& table);

}  // namespace align
