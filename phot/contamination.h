// Contamination of a measurement by a neighbouring star: whether a star of the frame's star
// list (other than the object itself) lies within the aperture radius plus 2 fwhm of the
// object, inside one of its sky patches or inside its automatic sky box, and how bright it is
// against the object. The star field is the night's star position list (stars.lst) carried
// into the fiducial frame by the alignment, so a star that the moving object covers in one
// frame is still known from the frames where the two are apart.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "align/alignment_table.h"
#include "align/transforms.h"

namespace phot {

/// What a measurement's neighbourhood holds, worst first.
enum class Contamination {
  Aperture,  // a star within the aperture radius plus 2 fwhm: the flux is not the object's alone
  Sky,       // a star inside a sky patch (sky at given positions: a plain mean takes it in)
  Steady,    // a fixed object's fixed neighbour within the aperture zone: the same in every frame
  SkyBox,    // a star inside the automatic sky box only (its robust estimate rejects most of it)
  Clean,     // no listed star nearer than any of these
  NoList,    // the star list holds no block for the frame: nothing is known
};

/// The word photflags.txt and the exports give the flag: "aperture", "sky", "steady",
/// "skybox", "clean", "nolist".
std::string_view contaminationWord(Contamination c);
/// The flag of a word (false for an unknown word).
[[nodiscard]] bool contaminationOfWord(std::string_view word, Contamination& c);
/// True for the flags that make a measurement wrong (Aperture and Sky), the ones counted as
/// contaminated and left out of light curves on request.
bool isContaminated(Contamination c);

/// Whether the measured object moves over the field (the path model's object) or stays.
enum class ObjectMotion { Fixed, Moving };

/// A star in the frame's coordinates with its peak above the sky (counts).
struct NearStar {
  float u = 0.0f, v = 0.0f;
  float peak = 0.0f;
  bool field = false;  // a field star (at its place in every frame), not a passing or single detection
};

/// The geometry of one measurement in the frame.
struct MeasureGeometry {
  float u = 0.0f, v = 0.0f;       // object position (pixels)
  float apertureRadius = 0.0f;    // pixels
  float fwhm = 0.0f;              // pixels (the frame's star width)
  float objectPeak = 0.0f;        // object's peak above the sky (counts)
  int32_t skyBox = 0;             // side of the automatic sky box (pixels); 0: sky patches
  std::vector<NearStar> patches;  // centres of the sky patches (peak unused)
  float patchRadius = 0.0f;       // pixels
  ObjectMotion motion = ObjectMotion::Fixed;  // a moving object has no steady neighbour
};

/// The flag of one measurement, with the nearest star that gives it (for Clean the nearest
/// listed star at all): distance in pixels (999.99 when there is none) and the star's peak
/// against the object's.
struct ContaminationCheck {
  Contamination flag = Contamination::NoList;
  float distance = 999.99f;
  float ratio = 0.0f;
};

/// Flags one measurement against the stars around it (the object itself left out). A field
/// star in the aperture zone of an object that does not move is Steady: it adds the same light
/// in every frame, and a differential light curve carries it as a constant.
ContaminationCheck checkContamination(const MeasureGeometry& g, const std::vector<NearStar>& stars);

/// The night's star field: every block of a star position list, with the stars seen at the
/// same fiducial place (within 1.5 pixels) in at least 40 % of the aligned frames taken as
/// field stars.
class StarField {
 public:
  /// Reads the blocks of `in`; the alignment places each block in the fiducial frame (a block
  /// whose frame is not in the table counts as its own star list only).
  void read(std::istream& in, const align::AlignmentTable& table, const align::PixelSizes& px);

  /// The stars near which the measurement of an object at (u, v) of the frame `frameName`
  /// (offsets du, dv, rotation) is made, the object itself left out: the field stars carried
  /// into the frame and the frame's own stars that are not field stars. A moving object is no
  /// field star: only a star of the frame's own list is then taken for it. False when the
  /// list holds no block for the frame.
  [[nodiscard]] bool neighbours(std::string_view frameName, float du, float dv, float rotation, float u, float v,
                                float selfRadius, ObjectMotion motion, std::vector<NearStar>& out) const;

  size_t blockCount() const { return blocks_.size(); }
  size_t fieldStarCount() const { return field_.size(); }

 private:
  struct Block {
    std::string key;              // frame name without its type
    std::vector<NearStar> stars;  // frame coordinates, peak above sky
  };
  struct FieldStar {
    float u = 0.0f, v = 0.0f;  // fiducial frame
    float peak = 0.0f;         // median peak above sky
  };
  std::vector<Block> blocks_;
  std::unordered_map<std::string, size_t> byKey_;  // frame key -> its (last) block
  std::vector<FieldStar> field_;
  align::PixelSizes px_;
};

}  // namespace phot
