// Sky solutions through wcslib: header parsing, checks of what it found, pixel to sky.
#include "sky/sky_solution.h"

#include <wcslib/wcs.h>
#include <wcslib/wcsfix.h>
#include <wcslib/wcshdr.h>

#include <cctype>
#include <cmath>
#include <vector>

#include "sky/utc_time.h"

namespace sky {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

std::string trimmed(const char* s) {
  std::string t(s);
  while (!t.empty() && t.back() == ' ') t.pop_back();
  return t;
}

// What the header's CTYPE says beyond the axis name: "TAN", "TAN-SIP", "TPV".
std::string projectionOf(const wcsprm& w) {
  std::string c = trimmed(w.ctype[w.lng]);
  return c.size() > 5 ? c.substr(5) : "";
}

bool finiteSolution(const wcsprm& w) {
  for (int i = 0; i < w.naxis; ++i) {
    if (!std::isfinite(w.crpix[i]) || !std::isfinite(w.crval[i]) || !std::isfinite(w.cdelt[i])) return false;
    for (int j = 0; j < w.naxis; ++j) {
      if (!std::isfinite(w.pc[i * w.naxis + j])) return false;
    }
  }
  return true;
}

// The first card of the solution whose value is NaN or infinite (wcslib would drop it and
// take a default); empty when none.
std::string nonFiniteCard(std::string_view cards) {
  static const char* kPrefixes[] = {"CRPIX", "CRVAL", "CDELT", "CROTA", "CD", "PC", "PV", "A_", "B_", "AP_", "BP_"};
  for (size_t at = 0; at + 80 <= cards.size(); at += 80) {
    std::string key(cards.substr(at, 8));
    bool solutionKey = false;
    for (const char* p : kPrefixes) solutionKey = solutionKey || key.rfind(p, 0) == 0;
    if (!solutionKey || cards.substr(at + 8, 2) != "= ") continue;
    std::string value(cards.substr(at + 10, 70));
    value = value.substr(0, value.find('/'));
    for (char& c : value) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (value.find("NAN") != std::string::npos || value.find("INF") != std::string::npos) return trimmed(key.c_str());
  }
  return "";
}

// The pixel-to-intermediate matrix after wcsset: false when it is singular or not finite.
bool regularMatrix(const wcsprm& w) {
  const double* m = w.lin.piximg;
  if (m == nullptr) return false;
  double det = m[0] * m[3] - m[1] * m[2];
  double scale = std::fabs(m[0]) + std::fabs(m[1]) + std::fabs(m[2]) + std::fabs(m[3]);
  return std::isfinite(det) && scale > 0.0 && std::fabs(det) > 1e-12 * scale * scale;
}

}  // namespace

SkySolution::~SkySolution() {
  if (all_ != nullptr) wcsvfree(&count_, &all_);
}

std::unique_ptr<SkySolution> SkySolution::fromCards(std::string_view cards, std::string& problem) {
  std::string text(cards.substr(0, cards.size() / 80 * 80));
  if (std::string key = nonFiniteCard(text); !key.empty()) {
    problem = "the value of " + key + " is not a number";
    return nullptr;
  }
  int nrecords = static_cast<int>(text.size() / 80);
  std::unique_ptr<SkySolution> s(new SkySolution());
  int rejected = 0;
  if (nrecords == 0 || wcspih(text.data(), nrecords, WCSHDR_all, 0, &rejected, &s->count_, &s->all_) != 0 ||
      s->count_ < 1) {
    problem = "no world coordinate cards";
    return nullptr;
  }
  wcsprm* primary = nullptr;
  for (int k = 0; k < s->count_; ++k) {
    if (s->all_[k].alt[0] == ' ' || s->all_[k].alt[0] == '\0') primary = &s->all_[k];
  }
  if (primary == nullptr) primary = &s->all_[0];
  s->wcs_ = primary;
  int stat[NWCSFIX];
  wcsfix(1, nullptr, primary, stat);
  if (wcsset(primary) != 0) {
    int lng = primary->lng;
    problem = lng < 0 || primary->lat < 0 ? "no celestial CTYPE1/CTYPE2 pair"
                                          : "the projection cannot be used (unknown or a singular matrix)";
    std::string ctype = trimmed(primary->ctype[0]);
    if (ctype.empty()) problem = "no CTYPE1/CTYPE2 cards";
    else if (ctype.size() > 5 && (ctype.rfind("RA--", 0) == 0 || ctype.rfind("DEC-", 0) == 0)) {
      problem = "unknown projection " + ctype.substr(5);
    }
    return nullptr;
  }
  if (primary->naxis != 2 || primary->lng < 0 || primary->lat < 0) {
    problem = "no celestial CTYPE1/CTYPE2 pair";
    return nullptr;
  }
  std::string axis = trimmed(primary->ctype[primary->lng]).substr(0, 4);
  if (axis != "RA--" && axis != "RA") {
    problem = "the coordinates are not right ascension and declination";
    return nullptr;
  }
  if (!regularMatrix(*primary)) {
    problem = "the matrix of the solution is singular";
    return nullptr;
  }
  if (!finiteSolution(*primary)) {
    problem = "a value of the solution is not a number";
    return nullptr;
  }
  std::string sys = trimmed(primary->radesys);
  double equinox = primary->equinox;
  if (sys.empty()) sys = std::isfinite(equinox) && equinox < 1984.0 ? "FK4" : "ICRS";
  if (sys == "FK5" && std::isfinite(equinox) && equinox != 2000.0) {
    problem = "the solution is for equinox " + std::to_string(equinox) + ", not J2000";
    return nullptr;
  }
  if (sys != "ICRS" && sys != "FK5") {
    problem = "the reference system " + sys + " is neither ICRS nor FK5 J2000";
    return nullptr;
  }
  s->system_ = sys;
  // As the header names it: wcslib may have turned TPV into TAN with a distortion.
  std::string ctype;
  s->projection_ = cardValue(text, "CTYPE1", ctype) && ctype.size() > 5 ? ctype.substr(5) : projectionOf(*primary);
  while (!s->projection_.empty() && s->projection_.front() == '-') s->projection_.erase(0, 1);
  SkyPosition centre;
  if (!s->toSky(primary->crpix[0], primary->crpix[1], centre)) {
    problem = "the reference pixel has no sky position";
    return nullptr;
  }
  return s;
}

bool SkySolution::toSky(double u, double v, SkyPosition& out) const {
  double pix[2] = {u, v}, img[2], phi, theta, world[2];
  int stat = 0;
  if (wcsp2s(wcs_, 1, 2, pix, img, &phi, &theta, world, &stat) != 0 || stat != 0) return false;
  double ra = world[wcs_->lng], dec = world[wcs_->lat];
  if (!std::isfinite(ra) || !std::isfinite(dec)) return false;
  ra = std::fmod(ra, 360.0);
  if (ra < 0.0) ra += 360.0;
  out = {ra, dec};
  return true;
}

double separationArcsec(const SkyPosition& a, const SkyPosition& b) {
  double dra = (b.ra - a.ra) * kDeg;
  double s1 = std::sin((b.dec - a.dec) * kDeg / 2.0), s2 = std::sin(dra / 2.0);
  double h = s1 * s1 + std::cos(a.dec * kDeg) * std::cos(b.dec * kDeg) * s2 * s2;
  return 2.0 * std::asin(std::sqrt(std::min(1.0, h))) / kDeg * 3600.0;
}

void offsetsArcsec(const SkyPosition& a, const SkyPosition& b, double& dRaCosDec, double& dDec) {
  double dra = b.ra - a.ra;
  if (dra > 180.0) dra -= 360.0;
  if (dra < -180.0) dra += 360.0;
  dRaCosDec = dra * std::cos(0.5 * (a.dec + b.dec) * kDeg) * 3600.0;
  dDec = (b.dec - a.dec) * 3600.0;
}

}  // namespace sky
