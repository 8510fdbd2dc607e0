// The alignment table: per frame its name, time, offset from the fiducial frame, rotation,
// mean star width and sky, as loaded from align.dat.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "textio/fixed_text.h"

namespace align {

constexpr int kAlignEntries = 1000;  ///< entries of the table, indexed 1..1000

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

/// The shared table of 1000 entries (1-based); an entry with a blank name is empty.
struct AlignmentTable {
  textio::Table1<AlignmentEntry, kAlignEntries> entries;
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

}  // namespace align
