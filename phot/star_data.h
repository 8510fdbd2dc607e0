// The star data table of named objects (code, name, approximate and refined position in the
// fiducial frame), saved to stardata.txt after every change; the selections drawn from it
// (fiducial stars in stars.fid, the photometry star list); the sky offsets of the photometry
// objects; the per-frame PSF table kept beside the alignment table; the frame look-up by
// name; and the artificial star added to workspace 1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "align/alignment_table.h"
#include "textio/fixed_text.h"

namespace textio {
class Console;
}
namespace image {
struct Workspaces;
}

namespace phot {

constexpr int kMaxStars = 100;     ///< entries of the star data table
constexpr int kPhotSlots = 10;     ///< objects of the photometry star list
constexpr int kSkySpots = 20;      ///< sky positions per object
constexpr float kUnsetSky = -1.0e9f;  ///< an unset sky offset (defined when >= -1000)

/// One named object. Positions are fiducial-frame pixels; a refined position of 0.5 or less
/// means not available.
struct StarEntry {
  std::string code = std::string(5, ' ');   // short code, the key (5 characters, case-sensitive)
  std::string name = std::string(20, ' ');  // full name, optional (20 characters)
  float approxU = 0.0f;                     // approximate (initial) position
  float approxV = 0.0f;
  float refinedU = 0.0f;                    // refined position
  float refinedV = 0.0f;
};

/// The star data table, the photometry star list, the sky offsets and the per-frame PSF table.
struct StarData {
  StarData();

  int32_t starCount = 0;                          // entries in use, 0..100
  textio::Table1<StarEntry, kMaxStars> stars;     // entries 1..100

  textio::Table1<std::string, kPhotSlots> starLabels;  // codes of the photometry objects (5 characters)
  int32_t photStarCount = 0;                           // objects to measure, 0..10
  textio::Table1<float, kPhotSlots> photStarU;         // their fiducial-frame positions
  textio::Table1<float, kPhotSlots> photStarV;

  int32_t skyPositionCount = 0;                   // sky positions given by the last dskylist, 0..20
  textio::Table1<textio::Table1<float, kSkySpots>, kPhotSlots> skyOffsetU;  // [object][spot], du
  textio::Table1<textio::Table1<float, kSkySpots>, kPhotSlots> skyOffsetV;  // [object][spot], dv

  textio::Table1<float, align::kAlignEntries> framePsfR;  // mean PSF radius of alignment entry d
  textio::Table1<float, align::kAlignEntries> framePsfE;  // mean PSF ellipticity of entry d
  float psfRSum = 0.0f;                                   // running sums between KEEPSF calls
  float psfESum = 0.0f;
  float psfNumber = 0.0f;
};

/// Every sky offset unset (-1.0e9) and the ten photometry labels blank.
void resetSkyOffsets(StarData& sd);

/// GSDATA mode 0: no entries; every code and name blank, every position 0.
void clearStars(StarData& sd);

/// GSDATA modes 0, 1, 9, 10 and 19 (clear, add interactively, copy refined to approximate
/// with one object omitted, clear refined, copy approximate to refined). Every mode but 0
/// saves stardata.txt (mode 1 not when the table was already full). Other modes do nothing.
void gsdata(textio::Console& console, std::string_view workingPath, StarData& sd, int mode);

/// GSSHOW: lists entries 1..starCount with both positions.
void gsshow(textio::Console& console, const StarData& sd);

/// GSSAVE: writes stardata.txt (count, then 100 entries of name, code and four positions),
/// replacing it atomically. False, after a message, when it cannot be written.
[[nodiscard]] bool gssave(textio::Console& console, std::string_view workingPath, const StarData& sd);

/// GSLOAD: reads stardata.txt when it exists (silently nothing when missing) and reports the
/// number of entries with a code. A line that cannot be read: a message naming it, the entries
/// read so far kept, the rest left empty, the count clamped to 0..100.
void gsload(textio::Console& console, std::string_view workingPath, StarData& sd);

/// SETFID: asks for up to 20 fiducial star codes and writes the refined position of every
/// entry with each code to stars.fid.
void setfid(textio::Console& console, std::string_view workingPath, const StarData& sd);

/// What a photometry star list is for.
enum class StarListUse { Photometry, PsfRun };

/// SETPHT: fills the photometry star list from the table, for photometry or for a PSF run.
/// Slots are filled in order, one per recognised code, at most ten.
void setpht(textio::Console& console, StarData& sd, StarListUse use);

/// GETFID: the alignment entry of a frame (file type ignored). Found: frameTime is set to its
/// time. Not found: "  no offset recorded for this file !" and du = dv = 9999.0, rotation 999.0.
align::FrameLookup getfid(textio::Console& console, const align::AlignmentTable& table,
                          std::string_view frameName, float& frameTime);

/// The steps of KEEPSF.
enum class PsfSums { Clear, Add, Store };

/// KEEPSF: Clear clears the sums and the PSF table; Add adds (r, e) to the sums; Store
/// stores the means at the frame's alignment entry (nothing when no values were added) and
/// clears the sums.
void keepsf(textio::Console& console, const align::AlignmentTable& table, StarData& sd,
            std::string_view frameName, PsfSums step, float r, float e);

/// QRYPSF: asks (at the keyboard) for a file name and prints its stored PSF r and e.
void qrypsf(textio::Console& console, const align::AlignmentTable& table, const StarData& sd);

/// PXCLC: model intensity at (x, y) of a star centred at (uc, vc) with height, size r and
/// ellipticity e: height * exp(-(dx/(r e))^2 - (dy/(r/e))^2).
float pxclc(float uc, float vc, float x, float y, float height, float r, float e);

/// PSTAR: adds an artificial star to workspace 1 over the 21 x 21 pixels about (u, v), each
/// pixel getting the model averaged over a 25 x 25 grid, and prints the total added.
/// Refused with a message (false) when r or e is 0 or less.
[[nodiscard]] bool pstar(textio::Console& console, image::Workspaces& ws, float u, float v, float height,
                         float r, float e);

}  // namespace phot
