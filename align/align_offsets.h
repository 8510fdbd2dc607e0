// Alignment on fiducial stars, offsets only: every frame of a star position list is matched
// against the pattern of the fiducial stars (stars.fid) without a starting guess, by trying
// each frame star as the image of the first fiducial star. Results go to align.dat and
// align.txt in the working path. The matching tables and tests are shared with the rotating
// aligner.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "align/star_list_reader.h"
#include "image/workspaces.h"
#include "textio/fixed_text.h"

namespace textio {
class Console;
}
namespace core {
struct Settings;
}

namespace align {

constexpr int kMaxFiducials = 100;   ///< fiducial stars read from stars.fid
constexpr int kMaxFrameStars = 400;  ///< stars of one frame used for matching (designed frames)
/// Stars of one frame the matching tables hold: 400 in proportion to the largest workspaces
/// (as the star finder's table grows with them).
constexpr int kFrameStarCapacity =
    static_cast<int>((image::kMaxCapacity * kMaxFrameStars + image::kCapacity - 1) / image::kCapacity);

/// The working tables of a matching run (1-based).
struct MatchTables {
  int fiducialCount = 0;                               // fiducial stars in use
  textio::Table1<float, kMaxFiducials> fidU, fidV;     // fiducial frame coordinates
  textio::Table1<float, kMaxFiducials> fidX, fidY;     // their physical coordinates
  textio::Table1<float, kMaxFiducials> matchX, matchY; // matched frame-star position per fiducial
  textio::Table1<int32_t, kMaxFiducials> matched;      // 1 = matched by the last successful test
  int frameStarCount = 0;                              // frame stars in use
  textio::Table1<float, kFrameStarCapacity> starU, starV;  // frame star frame coordinates
  textio::Table1<float, kFrameStarCapacity> starX, starY;  // their physical coordinates
};

/// TEST: the first frame star (in list order) whose squared distance from (x, y) is strictly
/// below tolerance squared: found = 1 and its (x, y) in (xm, ym); else found = 0.
void test(const MatchTables& t, float x, float y, float tolerance, int& found, float& xm, float& ym);

/// FIDTST: is frame star p the image of fiducial star r? The trial offset carries every other
/// fiducial star onto a frame star within the tolerance (tested in order, stopping at the first
/// miss). On success found = 1, (du, dv) = the trial offset and the matched positions and
/// flags are set for every fiducial star; on failure found = 0 and du, dv are left unchanged.
void fidtst(MatchTables& t, int p, int r, int& found, float& du, float& dv, float tolerance);

/// The outcome of matching one frame.
struct FrameMatch {
  int hypotheses = 0;      // frame stars that reproduced the whole pattern
  bool aligned = false;    // exactly one hypothesis (or the last one, without double rejection)
  float du = 9999.99f;     // mean offset, observed minus fiducial
  float dv = 9999.99f;
  float rms = 99.99f;      // rms of the matched positions about the mean offset
};

/// Tries every frame star as the first fiducial star and averages the offsets of the
/// one successful hypothesis. With `rejectDoubles` several successful hypotheses (a doubled
/// image) leave the frame unaligned; without, the last one is used.
FrameMatch matchFrame(MatchTables& t, float tolerance, bool rejectDoubles);

/// fwhm of a frame: integer part of (sum of widths / number of stars + 0.5); 0 without stars.
int32_t frameFwhm(const FrameBlock& block);

/// The texts in which the two aligners differ when they read stars.fid.
struct FiducialTexts {
  std::string_view heading;    // the line before reading
  std::string_view openError;  // the message when stars.fid cannot be opened
  int echoIndent = 10;         // blanks before each echoed star
};

/// A typed name joined to the working path, as the host opens it; empty when too long.
std::string hostFile(textio::Console& console, const core::Settings& settings, std::string_view name);

/// Reads stars.fid (at most 100 stars of u, v) into the fiducial table, echoing each star and
/// the count; false, after a message, when it cannot be opened or holds fewer than two stars.
[[nodiscard]] bool readFiducials(textio::Console& console, const core::Settings& settings, MatchTables& t,
                                 const FiducialTexts& texts);

/// Opens the star position list named in the settings; false, after a message saying the
/// alignment files are left as they were, when it cannot be opened.
[[nodiscard]] bool openStarList(textio::Console& console, const core::Settings& settings,
                                std::ifstream& list);

/// Summary of an alignment run.
struct AlignRun {
  bool ran = false;   // false: nothing was written (missing input, too few fiducial stars)
  int found = 0;      // frames found in the star list
  int matched = 0;    // frames aligned
};

/// ALIGN: reads stars.fid and the star list named in the settings, asks whether double images
/// are rejected, matches every frame and writes align.dat, align.txt and the console lines.
/// Each frame's first `frameStars` stars (at most kFrameStarCapacity) are used: 400 for
/// frames within the designed capacity, as many as the star finder lists for larger ones.
AlignRun alignOffsets(textio::Console& console, const core::Settings& settings, int frameStars = kMaxFrameStars);

}  // namespace align
