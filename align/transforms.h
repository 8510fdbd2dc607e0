// Frame coordinates and their transforms. Frame coordinates (u, v) put the centre of pixel
// (i, j) at u = i.0, v = j.0; physical coordinates are x = u, y = v * r with
// r = pixelSizeX / pixelSizeY. Rotations are done in physical coordinates about the origin
// (u = 0, v = 0), in double precision; positions go in and come out as 4-byte floats.
// An alignment entry (du, dv, rotation) carries a fiducial-frame position into an observed
// frame: rotate the fiducial position, then add the offset (observed minus fiducial).
#pragma once

namespace align {

/// The two pixel sizes of the camera, microns (both assumed positive).
struct PixelSizes {
  float x = 1.0f;  // along u
  float y = 1.0f;  // along v
  /// r = x / y, the factor from v pixels to physical units.
  float ratio() const { return x / y; }
};

/// Degrees to radians, with pi = 3.1415927 (its single-precision value) held as a double.
inline double toRadians(double degrees) {
  const double pi = static_cast<double>(3.1415927f);
  return degrees / (180.0 / pi);
}

/// Rotation about the z axis by theta degrees: x' = x cos + y sin, y' = y cos - x sin, z' = z.
void zrot(double x, double y, double z, double theta, double& xr, double& yr, double& zr);

/// Frame (u, v) to physical (x, y), rotated by theta degrees.
void uvxy(float u, float v, float& x, float& y, float theta, const PixelSizes& px);

/// Physical (x, y) rotated back by theta degrees to frame (u, v); the inverse of uvxy.
void xyuv(float x, float y, float& u, float& v, float theta, const PixelSizes& px);

/// Identity conversions used by the offset-only aligner (no scaling, no rotation).
inline void uvxy0(float u, float v, float& x, float& y) { x = u; y = v; }
inline void xyuv0(float x, float y, float& u, float& v) { u = x; v = y; }

/// Fiducial position (uf, vf) to the observed frame with offset (du, dv) and rotation theta
/// (degrees): rotate in physical units, then add the offset.
void uvconv(float uf, float vf, float du, float dv, float theta, float& uo, float& vo,
            const PixelSizes& px);

/// Observed position (uo, vo) back to the fiducial frame: subtract the offset, rotate by
/// -theta in physical units. The observed position is taken by value and left untouched.
void convuv(float& uf, float& vf, float du, float dv, float theta, float uo, float vo,
            const PixelSizes& px);

}  // namespace align
