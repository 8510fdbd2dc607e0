// Frame coordinate transforms: rotation in physical units and the fiducial <-> observed steps.
#include "align/transforms.h"

#include <cmath>

namespace align {

void zrot(double x, double y, double z, double theta, double& xr, double& yr, double& zr) {
  double t = toRadians(theta);
  double c = std::cos(t);
  double s = std::sin(t);
  xr = x * c + y * s;
  yr = y * c - x * s;
  zr = z;
}

void uvxy(float u, float v, float& x, float& y, float theta, const PixelSizes& px) {
  float x0 = u;
  float y0 = v * px.ratio();
  double xr, yr, zr;
  zrot(x0, y0, 0.0, theta, xr, yr, zr);
  x = static_cast<float>(xr);
  y = static_cast<float>(yr);
}

void xyuv(float x, float y, float& u, float& v, float theta, const PixelSizes& px) {
  double xr, yr, zr;
  zrot(x, y, 0.0, -static_cast<double>(theta), xr, yr, zr);
  u = static_cast<float>(xr);
  v = static_cast<float>(yr / static_cast<double>(px.ratio()));
}

void uvconv(float uf, float vf, float du, float dv, float theta, float& uo, float& vo,
            const PixelSizes& px) {
  float x, y, u, v;
  uvxy(uf, vf, x, y, theta, px);
  xyuv(x, y, u, v, 0.0f, px);
  uo = u + du;
  vo = v + dv;
}

void convuv(float& uf, float& vf, float du, float dv, float theta, float uo, float vo,
            const PixelSizes& px) {
  float u = uo - du;
  float v = vo - dv;
  float x, y;
  uvxy(u, v, x, y, -theta, px);
  xyuv(x, y, uf, vf, 0.0f, px);
}

}  // namespace align
