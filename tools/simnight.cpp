// simnight: writes a synthetic night of CCD frames into a folder, ready for pelm.
//
// The folder receives device.ccd (the camera), a dark frame, a dark-corrected flat frame
// (vignetting and dust shadows), raw frames img001.fit ... stored as a camera stores them
// (16-bit, BZERO 32768) with their date and time, and truth.txt with what was put in:
// per frame its time, its offset and rotation against the first frame and the asteroid's
// position and magnitude; per comparison star its position and magnitude.
//
// With --nights N (N > 1) each night goes to its own folder night1 ... nightN, --night-gap
// days apart, each with its own transparency (zero point), sky level, drift and star field;
// the asteroid's light curve runs on across the nights. With --lightcurve-only no frames are
// made: each night becomes a light curve night1.res ... in the layout dmag writes
// (differential magnitudes with --noise magnitudes of Gaussian noise and a zero point of its
// own per night, as nights measured against different comparison stars have).
//
// With --crowd two more field stars, as bright as the asteroid (within 0.15 mag), stand beside
// its path: 1.5 pixels to one side of where it is at 30 % of the night and 2.5 pixels to the
// other side of where it is at 70 %. They are the last stars of truth.txt, and the rest of the
// night (field, noise) is the same as without the option.
//
// With --sky the first frame (the fiducial one) carries a gnomonic sky solution, every
// frame's DATE-OBS the start of its exposure, and truth.txt the asteroid's sky position at
// each mid-exposure.
// --size NXxNY (or NX NY) sets the frame size, up to 2^28 pixels; --bitpix 16, 32 or -32
// the pixel format of every frame written, with --bscale and --bzero for the scaling cards
// (physical value = BZERO + BSCALE x stored; 16-bit frames default to BZERO 32768).
//
// Frame geometry follows the program's convention: a fiducial position (u, v) is rotated
// about the origin in physical units (v scaled by the pixel-size ratio) and then shifted
// by (du, dv) to give the position in the observed frame.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "lightcurve/dates.h"
#include "lightcurve/dmag_table.h"

namespace {

struct Options {
  std::string out = "night";
  int frames = 40;
  int nx = 640;
  int ny = 480;
  uint64_t seed = 1;
  double startHour = 21.0;      // UT of the first frame
  double cadenceMin = 4.0;      // minutes between frames
  double exposureSec = 60.0;
  double driftU = 6.0;          // field drift, pixels per hour
  double driftV = -4.0;
  double rotationRate = 0.0;    // degrees per hour
  double fwhm = 3.2;            // star width, pixels
  double sky = 800.0;           // sky level, counts
  double readNoise = 8.0;       // counts
  int stars = 60;               // field stars
  double asteroidSpeedU = 9.0;  // pixels per hour, fiducial frame
  double asteroidSpeedV = 5.0;
  double asteroidCurve = 0.0;   // pixels per hour squared, along u
  double asteroidMag = 13.0;
  double amplitude = 0.3;       // peak-to-peak, magnitudes
  double periodHours = 2.5;
  bool doublePeak = false;
  bool startEnd = false;        // UT-START/UT-END cards instead of TIME-OBS
  int year = 2026, month = 3, day = 14;
  int nights = 1;               // nights, each in its own folder when more than one
  double nightGap = 1.0;        // days from the start of one night to the next
  bool lightcurveOnly = false;  // write light curves (.res) instead of frames
  double noise = 0.008;         // magnitudes, light curves only
  bool skyTrack = false;        // sky solution in the first frame, start times in DATE-OBS, sky track in truth.txt
  int bitpix = 16;              // pixel format of the frames: 16, 32 or -32
  double bscale = 1.0;          // BSCALE written (with --bscale, or for 16-bit frames)
  double bzero = 32768.0;       // BZERO written (with --bzero, or for 16-bit frames)
  bool scaleGiven = false;      // --bscale or --bzero given
  bool crowd = false;           // two field stars as bright as the asteroid beside its path
};

constexpr int64_t kMaxFramePixels = int64_t{1} << 28;

constexpr double kZeroPoint = 23.0;  // magnitude giving 1 count per exposure
constexpr double kPi = 3.14159265358979323846;

struct Star {
  double u, v;   // fiducial-frame position
  double mag;
};

void usage() {
  std::cerr << "usage: simnight [--out DIR] [--frames N] [--size NX NY] [--seed S] [--start HOURS]\n"
               "                [--cadence MIN] [--drift DU DV] [--rotation DEG_PER_HOUR] [--fwhm PX]\n"
               "                [--stars N] [--asteroid-speed DU DV] [--asteroid-curve A] [--asteroid-mag M]\n"
               "                [--amplitude MAG] [--period HOURS] [--double-peak] [--start-end]\n"
               "                [--date Y M D] [--nights N] [--night-gap DAYS] [--lightcurve-only]\n"
               "                [--noise MAG] [--size NXxNY] [--bitpix 16|32|-32] [--bscale B] [--bzero Z] [--sky]\n"
               "                [--crowd]\n";
}

// "4144x2822" into nx and ny.
bool frameSize(const char* text, Options& o) {
  long nx = 0, ny = 0;
  char tail = 0;
  if (std::sscanf(text, "%ldx%ld%c", &nx, &ny, &tail) != 2 || nx < 1 || ny < 1 || nx > 1 << 20 || ny > 1 << 20) {
    std::cerr << "simnight: --size wants NXxNY, e.g. 4144x2822\n";
    return false;
  }
  o.nx = static_cast<int>(nx);
  o.ny = static_cast<int>(ny);
  return true;
}

// The pixel format options: a known BITPIX, a finite non-zero BSCALE, a finite BZERO. A
// 32-bit or float frame without --bscale/--bzero gets no scaling cards.
bool formatUsable(Options& o) {
  if (o.bitpix != 16 && o.bitpix != 32 && o.bitpix != -32) {
    std::cerr << "simnight: --bitpix must be 16, 32 or -32\n";
    return false;
  }
  if (!std::isfinite(o.bscale) || o.bscale == 0.0 || !std::isfinite(o.bzero)) {
    std::cerr << "simnight: --bscale must be finite and not 0, --bzero finite\n";
    return false;
  }
  if (o.bitpix != 16 && !o.scaleGiven) o.bzero = 0.0;
  return true;
}

bool parse(int argc, char** argv, Options& o) {
  auto num = [&](int& i) -> double {
    if (i + 1 >= argc) throw std::runtime_error("missing value");
    return std::stod(argv[++i]);
  };
  try {
    for (int i = 1; i < argc; ++i) {
      std::string a = argv[i];
      if (a == "--out" && i + 1 < argc) o.out = argv[++i];
      else if (a == "--frames") o.frames = static_cast<int>(num(i));
      else if (a == "--size" && i + 1 < argc && std::strchr(argv[i + 1], 'x') != nullptr) {
        if (!frameSize(argv[++i], o)) return false;
      } else if (a == "--size") { o.nx = static_cast<int>(num(i)); o.ny = static_cast<int>(num(i)); }
      else if (a == "--bitpix") o.bitpix = static_cast<int>(num(i));
      else if (a == "--bscale") { o.bscale = num(i); o.scaleGiven = true; }
      else if (a == "--bzero") { o.bzero = num(i); o.scaleGiven = true; }
      else if (a == "--seed") o.seed = static_cast<uint64_t>(num(i));
      else if (a == "--start") o.startHour = num(i);
      else if (a == "--cadence") o.cadenceMin = num(i);
      else if (a == "--drift") { o.driftU = num(i); o.driftV = num(i); }
      else if (a == "--rotation") o.rotationRate = num(i);
      else if (a == "--fwhm") o.fwhm = num(i);
      else if (a == "--stars") o.stars = static_cast<int>(num(i));
      else if (a == "--asteroid-speed") { o.asteroidSpeedU = num(i); o.asteroidSpeedV = num(i); }
      else if (a == "--asteroid-curve") o.asteroidCurve = num(i);
      else if (a == "--asteroid-mag") o.asteroidMag = num(i);
      else if (a == "--amplitude") o.amplitude = num(i);
      else if (a == "--period") o.periodHours = num(i);
      else if (a == "--double-peak") o.doublePeak = true;
      else if (a == "--start-end") o.startEnd = true;
      else if (a == "--nights") o.nights = static_cast<int>(num(i));
      else if (a == "--night-gap") o.nightGap = num(i);
      else if (a == "--lightcurve-only") o.lightcurveOnly = true;
      else if (a == "--noise") o.noise = num(i);
      else if (a == "--sky") o.skyTrack = true;
      else if (a == "--crowd") o.crowd = true;
      else if (a == "--date") {
        o.year = static_cast<int>(num(i));
        o.month = static_cast<int>(num(i));
        o.day = static_cast<int>(num(i));
      } else {
        std::cerr << "simnight: unknown option " << a << "\n";
        return false;
      }
    }
  } catch (const std::exception&) {
    std::cerr << "simnight: option value missing or not a number\n";
    return false;
  }
  if (o.frames < 1 || o.frames > 999 || o.nx < 64 || o.ny < 64 || static_cast<int64_t>(o.nx) * o.ny > kMaxFramePixels) {
    std::cerr << "simnight: frames must be 1..999 and the frame 64x64 up to " << kMaxFramePixels << " pixels\n";
    return false;
  }
  if (!formatUsable(o)) return false;
  if (o.nights < 1 || o.nights > 20 || !(o.nightGap > 0.0) || !(o.periodHours > 0.0) || !(o.noise >= 0.0)) {
    std::cerr << "simnight: nights must be 1..20; night gap, period and noise positive\n";
    return false;
  }
  return true;
}

// FITS header card: keyword padded to 8, "= ", value right-justified to column 30 (or a string).
std::string card(const std::string& key, const std::string& value, bool text = false) {
  std::string c = key;
  c.resize(8, ' ');
  c += "= ";
  if (text) {
    std::string v = "'" + value + "'";
    c += v;
  } else {
    std::string v = value;
    if (v.size() < 20) v = std::string(20 - v.size(), ' ') + v;
    c += v;
  }
  c.resize(80, ' ');
  return c;
}

std::string twoDigits(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

// Calendar date plus whole days (Gregorian).
void addDays(int& y, int& m, int& d, int days) {
  static const int len[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int k = 0; k < days; ++k) {
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    int ml = len[m - 1] + (m == 2 && leap ? 1 : 0);
    if (++d > ml) {
      d = 1;
      if (++m > 12) { m = 1; ++y; }
    }
  }
}

std::string clock(double hours) {
  double h = std::fmod(hours, 24.0);
  int total = static_cast<int>(std::lround(h * 3600.0)) % 86400;
  return twoDigits(total / 3600) + ":" + twoDigits(total / 60 % 60) + ":" + twoDigits(total % 60);
}

// Writes a 16-bit frame with BZERO 32768 (unsigned storage), padded to 2880-byte blocks.
// The header of the cards, the extra cards and END, padded to 2880-byte blocks.
std::string headerBlocks(std::vector<std::string> cards, const std::vector<std::string>& extraCards) {
  cards.insert(cards.end(), extraCards.begin(), extraCards.end());
  std::string end = "END";
  end.resize(80, ' ');
  cards.push_back(end);
  std::string header;
  for (const auto& c : cards) header += c;
  header.resize((header.size() + 2879) / 2880 * 2880, ' ');
  return header;
}

void writeFits(const std::string& path, int nx, int ny, const std::vector<double>& pix,
               const std::vector<std::string>& extraCards) {
  std::vector<std::string> cards = {card("SIMPLE", "T"), card("BITPIX", "16"), card("NAXIS", "2"),
                                    card("NAXIS1", std::to_string(nx)), card("NAXIS2", std::to_string(ny)),
                                    card("BZERO", "32768"), card("BSCALE", "1")};
  const std::string header = headerBlocks(cards, extraCards);
  std::string data;
  data.reserve(static_cast<size_t>(nx) * ny * 2);
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) {
      double v = std::clamp(std::floor(pix[static_cast<size_t>(j) * nx + i] + 0.5), 0.0, 65535.0);
      uint16_t stored = static_cast<uint16_t>(static_cast<int>(v) - 32768);
      data += static_cast<char>(stored >> 8);
      data += static_cast<char>(stored & 0xFF);
    }
  }
  data.resize((data.size() + 2879) / 2880 * 2880, '\0');
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << header << data;
}

// Text of a real for a header card (enough digits to give the value back).
std::string realText(double v) {
  char b[40];
  std::snprintf(b, sizeof b, "%.17G", v);
  std::string t = b;
  if (t.find_first_of(".E") == std::string::npos) t += ".";
  return t;
}

// Writes a frame in the format of the options: the designed 16-bit layout by default, else
// BITPIX 16 or 32 integers (stored = round((value - BZERO) / BSCALE), clipped to the type) or
// -32 floats (stored = (value - BZERO) / BSCALE), big-endian, padded to 2880-byte blocks.
void writeFrameFile(const Options& o, const std::string& path, int nx, int ny, const std::vector<double>& pix,
                    const std::vector<std::string>& extraCards) {
  if (o.bitpix == 16 && !o.scaleGiven) {
    writeFits(path, nx, ny, pix, extraCards);
    return;
  }
  std::vector<std::string> cards = {card("SIMPLE", "T"), card("BITPIX", std::to_string(o.bitpix)), card("NAXIS", "2"),
                                    card("NAXIS1", std::to_string(nx)), card("NAXIS2", std::to_string(ny))};
  if (o.bitpix == 16 || o.scaleGiven) {
    cards.push_back(card("BZERO", realText(o.bzero)));
    cards.push_back(card("BSCALE", realText(o.bscale)));
  }
  const std::string header = headerBlocks(cards, extraCards);
  const size_t bytes = static_cast<size_t>(std::abs(o.bitpix) / 8);
  std::string data(static_cast<size_t>(nx) * ny * bytes, '\0');
  char* at = data.data();
  for (size_t k = 0; k < static_cast<size_t>(nx) * ny; ++k, at += bytes) {
    const double stored = (pix[k] - o.bzero) / o.bscale;
    uint32_t word = 0;
    if (o.bitpix == -32) {
      const float f = static_cast<float>(stored);
      std::memcpy(&word, &f, sizeof word);
    } else if (o.bitpix == 32) {
      word = static_cast<uint32_t>(static_cast<int32_t>(std::clamp(std::floor(stored + 0.5), -2147483648.0, 2147483647.0)));
    } else {
      word = static_cast<uint16_t>(static_cast<int16_t>(std::clamp(std::floor(stored + 0.5), -32768.0, 32767.0)));
    }
    for (size_t b = 0; b < bytes; ++b) at[b] = static_cast<char>(word >> (8 * (bytes - 1 - b)));
  }
  data.resize((data.size() + 2879) / 2880 * 2880, '\0');
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << header << data;
}

// Fraction of a Gaussian of the given sigma that falls in [a, b] around its centre.
double band(double a, double b, double sigma) {
  double s = sigma * std::sqrt(2.0);
  return 0.5 * (std::erf(b / s) - std::erf(a / s));
}

// Adds a Gaussian star of total flux `flux` centred at (u, v) (pixel centres at integers).
void addStar(std::vector<double>& img, int nx, int ny, double u, double v, double flux, double sigma) {
  int r = static_cast<int>(std::ceil(5 * sigma)) + 1;
  int ic = static_cast<int>(std::lround(u)), jc = static_cast<int>(std::lround(v));
  for (int i = std::max(1, ic - r); i <= std::min(nx, ic + r); ++i) {
    double fx = band(i - 0.5 - u, i + 0.5 - u, sigma);
    for (int j = std::max(1, jc - r); j <= std::min(ny, jc + r); ++j) {
      double fy = band(j - 0.5 - v, j + 0.5 - v, sigma);
      img[static_cast<size_t>(j - 1) * nx + (i - 1)] += flux * fx * fy;
    }
  }
}

// Fiducial position to observed-frame position (rotation about the origin, then offset).
void toFrame(double u, double v, double du, double dv, double rotDeg, double& uo, double& vo) {
  double t = rotDeg * kPi / 180.0;
  uo = u * std::cos(t) + v * std::sin(t) + du;
  vo = v * std::cos(t) - u * std::sin(t) + dv;
}

double fluxOf(double mag) { return std::pow(10.0, -0.4 * (mag - kZeroPoint)); }

// The double-peaked shape: two maxima and two minima per rotation, of unequal depth as an
// elongated, irregular body gives them (so that half the period does not fit as well).
double doublePeakShape(double phase) { return std::cos(2 * phase) + 0.3 * std::cos(phase + 0.7); }

// Lowest and highest value of the double-peaked shape, from a fine grid.
std::pair<double, double> doublePeakRange() {
  double lo = 1e9, hi = -1e9;
  for (int k = 0; k < 100000; ++k) {
    double v = doublePeakShape(2 * kPi * k / 100000.0);
    lo = std::min(lo, v), hi = std::max(hi, v);
  }
  return {lo, hi};
}

// The asteroid's magnitude `dtHours` after the first frame of the first night: `amplitude`
// peak to peak about `asteroidMag`.
double asteroidMag(const Options& o, double dtHours) {
  static const auto [lo, hi] = doublePeakRange();
  double phase = 2 * kPi * dtHours / o.periodHours;
  double shape = o.doublePeak ? (2.0 * doublePeakShape(phase) - lo - hi) / (hi - lo) : std::sin(phase);
  return o.asteroidMag + 0.5 * o.amplitude * shape;
}

// What changes from one night to the next.
struct Night {
  int index = 0;             // 0-based
  std::string dir;           // folder of its frames (or of all light curves)
  double hoursBefore = 0.0;  // from the first night's first frame to this night's first frame
  double startHour = 21.0;   // UT of its first frame
  double zeroPoint = 0.0;    // magnitudes added to every star (transparency, comparison stars)
  double skyFactor = 1.0;    // sky level relative to --sky
  double driftU = 0.0, driftV = 0.0;  // pixels per hour
  int year = 2026, month = 3, day = 14;
};

// The sky solution of --sky: gnomonic (TAN) about the frame centre, 1.5" per pixel, turned
// by 2.5 degrees, east to the left as a camera on a telescope sees the sky.
struct SkySolution {
  double crpix1, crpix2;
  double ra0 = 165.4321, dec0 = 12.3456;  // degrees
  double scale = 1.5 / 3600.0;            // degrees per pixel
  double turn = 2.5 * kPi / 180.0;
  double cd11() const { return -scale * std::cos(turn); }
  double cd12() const { return scale * std::sin(turn); }
  double cd21() const { return scale * std::sin(turn); }
  double cd22() const { return scale * std::cos(turn); }
};

SkySolution skySolution(int nx, int ny) { return {0.5 * (nx + 1), 0.5 * (ny + 1)}; }

std::string exact(double v) {
  char b[40];
  std::snprintf(b, sizeof b, "%.15E", v);
  return b;
}

std::vector<std::string> skyCards(const SkySolution& s) {
  return {card("CTYPE1", "RA---TAN", true), card("CTYPE2", "DEC--TAN", true), card("CRPIX1", exact(s.crpix1)),
          card("CRPIX2", exact(s.crpix2)),  card("CRVAL1", exact(s.ra0)),     card("CRVAL2", exact(s.dec0)),
          card("CD1_1", exact(s.cd11())),   card("CD1_2", exact(s.cd12())),   card("CD2_1", exact(s.cd21())),
          card("CD2_2", exact(s.cd22())),   card("RADESYS", "ICRS", true),    card("EQUINOX", "2000.0")};
}

// Pixel (u, v) to right ascension and declination (degrees) through the gnomonic projection.
void pixelToSky(const SkySolution& s, double u, double v, double& ra, double& dec) {
  double x = (s.cd11() * (u - s.crpix1) + s.cd12() * (v - s.crpix2)) * kPi / 180.0;
  double y = (s.cd21() * (u - s.crpix1) + s.cd22() * (v - s.crpix2)) * kPi / 180.0;
  double d0 = s.dec0 * kPi / 180.0;
  double den = std::cos(d0) - y * std::sin(d0);
  ra = s.ra0 + std::atan2(x, den) * 180.0 / kPi;
  dec = std::atan2(std::sin(d0) + y * std::cos(d0), std::hypot(x, den)) * 180.0 / kPi;
  ra = std::fmod(ra + 360.0, 360.0);
}

// "yyyy-mm-ddThh:mm:ss.sss" of `hours` after 0 h UT of the night's date.
std::string isoInstant(int y, int m, int d, double hours) {
  double whole = std::floor(hours / 24.0);
  addDays(y, m, d, static_cast<int>(whole));
  long long ms = std::llround((hours - whole * 24.0) * 3600000.0);
  char b[48];
  std::snprintf(b, sizeof b, "%04d-%02d-%02dT%02lld:%02lld:%02lld.%03lld", y, m, d, ms / 3600000, ms / 60000 % 60,
                ms / 1000 % 60, ms % 1000);
  return b;
}

// --sky: the start of the exposure in DATE-OBS (TIME-OBS keeps the frame time), and the sky
// solution in the first frame, the fiducial one.
void addSkyCards(const Options& o, const Night& night, int frame, double t, std::vector<std::string>& extra) {
  extra[0] = card("DATE-OBS", isoInstant(night.year, night.month, night.day, t - o.exposureSec / 7200.0), true);
  if (frame == 0) {
    std::vector<std::string> wcs = skyCards(skySolution(o.nx, o.ny));
    extra.insert(extra.end(), wcs.begin(), wcs.end());
  }
}

// --sky: the asteroid's true sky position at mid-exposure, one truth line per frame.
std::string skyTruthLine(const Options& o, const Night& night, const char* name, double t, double afu, double afv) {
  double ra = 0.0, dec = 0.0;
  pixelToSky(skySolution(o.nx, o.ny), afu, afv, ra, dec);
  char line[160];
  std::snprintf(line, sizeof line, "sky %-10s %sZ %.9f %+.9f\n", name,
                isoInstant(night.year, night.month, night.day, t).c_str(), ra, dec);
  return line;
}

// --crowd: the two stars beside the asteroid's path (fiducial frame).
void addCrowd(const Options& o, double au0, double av0, std::vector<Star>& stars) {
  const double hours = (o.frames - 1) * o.cadenceMin / 60.0;
  const double speed = std::hypot(o.asteroidSpeedU, o.asteroidSpeedV);
  const double nu = speed > 0.0 ? -o.asteroidSpeedV / speed : 0.0, nv = speed > 0.0 ? o.asteroidSpeedU / speed : 1.0;
  const double share[2] = {0.3, 0.7}, side[2] = {1.5, -2.5}, mag[2] = {-0.1, 0.15};
  for (int k = 0; k < 2; ++k) {
    const double dt = share[k] * hours;
    const double u = au0 + o.asteroidSpeedU * dt + o.asteroidCurve * dt * dt, v = av0 + o.asteroidSpeedV * dt;
    stars.push_back({u + side[k] * nu, v + side[k] * nv, o.asteroidMag + mag[k]});
  }
}

void writeFrames(const Options& o, const Night& night, std::mt19937_64& rng) {
  std::filesystem::create_directories(night.dir);
  std::uniform_real_distribution<double> uni(0.0, 1.0);
  std::normal_distribution<double> gauss(0.0, 1.0);
  const int nx = o.nx, ny = o.ny;
  const size_t n = static_cast<size_t>(nx) * ny;
  const double sigma = o.fwhm / 2.3548200450309493;

  {
    std::ofstream dev(night.dir + "/device.ccd");
    dev << "Simulated camera\n" << nx << " " << ny << "\n6.45 6.45\n1.5\n4\n1\n";
  }

  // Dark: bias plus dark current with hot pixels; flat: vignetting and dust shadows.
  std::vector<double> dark(n), flat(n);
  for (size_t k = 0; k < n; ++k) dark[k] = 300.0 + 2.0 * gauss(rng);
  for (int h = 0; h < nx * ny / 4000 + 5; ++h) {
    dark[static_cast<size_t>(uni(rng) * (n - 1))] += 2000.0 + 20000.0 * uni(rng);
  }
  double cx = 0.5 * (nx + 1), cy = 0.5 * (ny + 1), rmax = std::hypot(cx, cy);
  struct Dust { double x, y, r, depth; };
  std::vector<Dust> dust;
  dust.reserve(4);
  for (int d = 0; d < 4; ++d) dust.push_back({uni(rng) * nx, uni(rng) * ny, 6 + 10 * uni(rng), 0.1 + 0.15 * uni(rng)});
  for (int j = 1; j <= ny; ++j) {
    for (int i = 1; i <= nx; ++i) {
      double r = std::hypot(i - cx, j - cy) / rmax;
      double f = 1.0 - 0.25 * r * r;
      for (const Dust& d : dust) {
        double q = std::hypot(i - d.x, j - d.y) / d.r;
        if (q < 1.0) f *= 1.0 - d.depth * (1.0 - q * q);
      }
      flat[static_cast<size_t>(j - 1) * nx + (i - 1)] = f;
    }
  }
  std::vector<double> img(n);
  for (size_t k = 0; k < n; ++k) img[k] = dark[k] + 0.5 * gauss(rng);
  writeFrameFile(o, night.dir + "/dark.fit", nx, ny, img, {card("IMAGETYP", "DARK", true)});
  for (size_t k = 0; k < n; ++k) img[k] = 20000.0 * flat[k] + std::sqrt(20000.0 * flat[k]) * 0.2 * gauss(rng);
  writeFrameFile(o, night.dir + "/flat.fit", nx, ny, img, {card("IMAGETYP", "FLAT (dark corrected)", true)});

  // Field stars, away from the edges; the first ones are the brightest (comparison stars).
  std::vector<Star> stars;
  for (int s = 0; s < o.stars; ++s) {
    double mag = s < 4 ? 11.5 + 0.4 * s : 12.0 + 4.0 * uni(rng);
    stars.push_back({40 + uni(rng) * (nx - 80), 40 + uni(rng) * (ny - 80), mag});
  }
  const double au0 = 0.3 * nx, av0 = 0.35 * ny;
  const double sky = o.sky * night.skyFactor;
  if (o.crowd) addCrowd(o, au0, av0, stars);

  std::ofstream truth(night.dir + "/truth.txt");
  truth << "# synthetic night: " << o.frames << " frames of " << nx << " x " << ny << ", seed " << o.seed << "\n";
  truth << "# positions in pixels (centre of pixel i,j at u=i, v=j); offsets and rotation carry the first frame\n";
  truth << "# into each frame: rotate about the origin, then shift\n";
  truth << "# asteroid: fiducial u0 v0 " << au0 << " " << av0 << " speed " << o.asteroidSpeedU << " " << o.asteroidSpeedV
        << " px/h, curve " << o.asteroidCurve << ", mag " << o.asteroidMag << " amplitude " << o.amplitude
        << " period " << o.periodHours << " h" << (o.doublePeak ? " double-peaked" : "") << "\n";
  if (o.nights > 1) {
    truth << "# night " << night.index + 1 << " of " << o.nights << ": " << night.hoursBefore
          << " h after the first night's first frame, zero point " << night.zeroPoint << " mag, sky " << sky
          << ", drift " << night.driftU << " " << night.driftV << " px/h\n";
  }
  truth << "star code u v mag\n";
  for (size_t s = 0; s < stars.size(); ++s) {
    char b[128];
    std::snprintf(b, sizeof b, "star s%-4zu %9.3f %9.3f %7.3f\n", s + 1, stars[s].u, stars[s].v,
                  stars[s].mag + night.zeroPoint);
    truth << b;
  }
  if (o.skyTrack) {
    truth << "starsky code ra dec (ICRS degrees, through the first frame's sky solution)\n";
    for (size_t s = 0; s < stars.size(); ++s) {
      double ra = 0.0, dec = 0.0;
      pixelToSky(skySolution(o.nx, o.ny), stars[s].u, stars[s].v, ra, dec);
      char b[128];
      std::snprintf(b, sizeof b, "starsky s%-4zu %.9f %+.9f\n", s + 1, ra, dec);
      truth << b;
    }
  }
  truth << "frame name time du dv rotation ast_u ast_v ast_fid_u ast_fid_v ast_mag\n";
  std::string skyTruth;

  for (int f = 0; f < o.frames; ++f) {
    double t = night.startHour + f * o.cadenceMin / 60.0;
    double dt = t - night.startHour;
    double du = night.driftU * dt, dv = night.driftV * dt, rot = o.rotationRate * dt;
    std::fill(img.begin(), img.end(), sky);
    for (const Star& s : stars) {
      double uo, vo;
      toFrame(s.u, s.v, du, dv, rot, uo, vo);
      addStar(img, nx, ny, uo, vo, fluxOf(s.mag + night.zeroPoint), sigma);
    }
    double afu = au0 + o.asteroidSpeedU * dt + o.asteroidCurve * dt * dt;
    double afv = av0 + o.asteroidSpeedV * dt;
    double amag = asteroidMag(o, night.hoursBefore + dt) + night.zeroPoint;
    double auo, avo;
    toFrame(afu, afv, du, dv, rot, auo, avo);
    addStar(img, nx, ny, auo, avo, fluxOf(amag), sigma);
    for (size_t k = 0; k < n; ++k) {
      double signal = img[k] * flat[k];
      double noisy = signal + std::sqrt(std::max(signal, 0.0)) * gauss(rng) + o.readNoise * gauss(rng);
      img[k] = noisy + dark[k];
    }
    // DATE-OBS is the date of the start of the exposure, as the start time's.
    int y = night.year, m = night.month, d = night.day;
    addDays(y, m, d, static_cast<int>(std::floor((t - o.exposureSec / 7200.0) / 24.0)));
    std::string date = std::to_string(y) + "-" + twoDigits(m) + "-" + twoDigits(d);
    std::vector<std::string> extra = {card("DATE-OBS", date, true), card("EXPTIME", "60.")};
    if (o.startEnd) {
      double half = o.exposureSec / 7200.0;
      extra.push_back(card("UT-START", clock(t - half), true));
      extra.push_back(card("UT-END", clock(t + half), true));
    } else {
      // A camera writes the start of the exposure; the frame's time is its middle.
      extra.push_back(card("TIME-OBS", clock(t - o.exposureSec / 7200.0), true));
    }
    if (o.skyTrack) addSkyCards(o, night, f, t, extra);
    char name[32];
    std::snprintf(name, sizeof name, "img%03d.fit", f + 1);
    writeFrameFile(o, night.dir + "/" + name, nx, ny, img, extra);
    char line[256];
    std::snprintf(line, sizeof line, "frame %-10s %8.4f %8.3f %8.3f %9.5f %8.3f %8.3f %8.3f %8.3f %7.4f\n", name, t, du,
                  dv, rot, auo, avo, afu, afv, amag);
    truth << line;
    if (o.skyTrack) skyTruth += skyTruthLine(o, night, name, t, afu, afv);
  }
  if (o.skyTrack) truth << "sky name mid-exposure ra dec (the asteroid, ICRS degrees)\n" << skyTruth;
}

// One night as a light curve in dmag's output layout: the asteroid in column 1 and a check
// star in column 2 (differential magnitudes against two comparison stars), their errors in
// columns 11 and 12, the JD (no light-time correction) in the HJD column.
void writeLightCurve(const Options& o, const Night& night, std::mt19937_64& rng, std::ofstream& truth) {
  std::normal_distribution<double> gauss(0.0, 1.0);
  const double comparison = 11.8;  // mean magnitude of the comparison stars
  std::string name = "night" + std::to_string(night.index + 1) + ".res";
  std::string text = " synthetic light curve written by simnight\n   normalising star = s1\n"
                     "   normalising star = s2\n  zero point =   0.000\n\n";
  std::array<std::string, 10> names = {"ast", "chk", "s1", "s2", "", "", "", "", "", ""};
  text += lightcurve::dmagTitle(names) + "\n\n";
  for (int f = 0; f < o.frames; ++f) {
    double t = night.startHour + f * o.cadenceMin / 60.0;
    double truthMag = asteroidMag(o, night.hoursBefore + (t - night.startHour)) - comparison + night.zeroPoint;
    std::array<float, 20> cols{};
    cols[0] = static_cast<float>(truthMag + o.noise * gauss(rng));
    cols[1] = static_cast<float>(0.4 + o.noise * gauss(rng));
    cols[10] = cols[11] = static_cast<float>(o.noise);
    int32_t hour = static_cast<int32_t>(std::floor(t));
    double jd = lightcurve::julian(night.year, night.month, night.day, hour, static_cast<float>((t - hour) * 60.0));
    int y = night.year, m = night.month, d = night.day;
    addDays(y, m, d, static_cast<int>(t / 24.0));
    text += lightcurve::dmagLine(y, m, d, static_cast<float>(t), cols, jd, 0.0) + "\n";
    char line[160];
    std::snprintf(line, sizeof line, "point %-12s %9.5f %14.6f %8.4f\n", name.c_str(), t, jd, truthMag);
    truth << line;
  }
  std::ofstream(o.out + "/" + name, std::ios::binary) << text;
}

}  // namespace

int run(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o)) {
    usage();
    return 2;
  }
  std::filesystem::create_directories(o.out);
  std::mt19937_64 rng(o.seed);
  std::uniform_real_distribution<double> uni(0.0, 1.0);
  std::ofstream curves;
  if (o.lightcurveOnly) {
    curves.open(o.out + "/truth.txt");
    curves << "# synthetic light curves: " << o.nights << " nights " << o.nightGap << " days apart, " << o.frames
           << " points each, noise " << o.noise << " mag, seed " << o.seed << "\n";
    curves << "# asteroid: amplitude " << o.amplitude << " period " << o.periodHours << " h"
           << (o.doublePeak ? " double-peaked" : "") << "\n";
    curves << "point file time jd mag\n";
  }
  for (int k = 0; k < o.nights; ++k) {
    Night night;
    night.index = k;
    night.dir = o.nights == 1 || o.lightcurveOnly ? o.out : o.out + "/night" + std::to_string(k + 1);
    double days = k * o.nightGap;
    night.hoursBefore = days * 24.0;
    night.startHour = o.startHour + (days - std::floor(days)) * 24.0;
    night.year = o.year, night.month = o.month, night.day = o.day;
    addDays(night.year, night.month, night.day, static_cast<int>(std::floor(days)));
    night.driftU = o.driftU, night.driftV = o.driftV;
    if (o.lightcurveOnly) {
      night.zeroPoint = 0.6 * uni(rng) - 0.3;
      writeLightCurve(o, night, rng, curves);
      continue;
    }
    if (k > 0) {  // the first night keeps the conditions the options give
      night.zeroPoint = 0.4 * uni(rng) - 0.2;
      night.skyFactor = 0.8 + 0.5 * uni(rng);
      double turn = 2 * kPi * uni(rng), scale = 0.5 + uni(rng);
      night.driftU = scale * (o.driftU * std::cos(turn) - o.driftV * std::sin(turn));
      night.driftV = scale * (o.driftU * std::sin(turn) + o.driftV * std::cos(turn));
    }
    writeFrames(o, night, rng);
  }
  return 0;
}

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {  // a folder or file that cannot be made
    std::cerr << "simnight: " << e.what() << "\n";
    return 1;
  }
}
