// Photometry of one frame: placement, sky, measurement per aperture type, output records.
#include "phot/phot_frame.h"

#include <algorithm>
#include <cmath>

#include "align/transforms.h"
#include "calib/star_finding.h"
#include "phot/aperture_sums.h"
#include "phot/optimal_extraction.h"
#include "phot/psf_fit.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"

namespace phot {

namespace {

constexpr float kDefinedOffset = -1000.0f;

struct Frame {
  PhotTables& t;
  const PhotOptions& o;
  std::string name;     // 20 characters, as given
  float du, dv, rotation;
  int moving = 0;       // the object the path model moves (0: none)
  PhotResults r;
  PooledSky firstSpots; // per-position skies of object 1
  float q = 0.0f;
  WeightMask weighting; // mask of the weighting star ("opti")
  int32_t verbosity() const { return t.settings.verbosity; }
};

// One object's sky offsets as a 1-based array.
std::array<float, kSkySpots + 1> rowOf(const textio::Table1<float, kSkySpots>& row) {
  std::array<float, kSkySpots + 1> out{};
  for (int j = 1; j <= kSkySpots; ++j) out[static_cast<size_t>(j)] = row[j];
  return out;
}

align::PixelSizes pixelSizes(const image::Camera& c) { return {c.pixelSizeX, c.pixelSizeY}; }

// Fiducial position of object k: its stored position, or the path model's for the moving object.
void fiducialPosition(const Frame& f, int k, float& ue, float& ve) {
  ue = f.t.starData.photStarU[k];
  ve = f.t.starData.photStarV[k];
  if (k == f.moving) {
    const motion::PathPosition p = motion::movuv(f.t.path, f.t.ws.frameTime);
    ue = p.u;
    ve = p.v;
  }
}

// The highest pixel of the 3 x 3 pixels around (u, v) above the sky (0 where none can be read).
float peakAbove(const image::Workspaces& ws, float u, float v, double sky) {
  if (!image::withinReach(u, v)) return 0.0f;
  const auto ic = static_cast<int32_t>(u + 0.5f), jc = static_cast<int32_t>(v + 0.5f);
  int32_t best = 0;
  bool any = false;
  for (int32_t i = ic - 1; i <= ic + 1; ++i)
    for (int32_t j = jc - 1; j <= jc + 1; ++j) {
      int32_t p = 0;
      if (!ws.get(i, j, p)) continue;
      if (!any || p > best) best = p;
      any = true;
    }
  return any ? static_cast<float>(static_cast<double>(best) - sky) : 0.0f;
}

bool hasSkyPositions(const Frame& f, int k) { return f.t.starData.skyOffsetU[k][1] >= kDefinedOffset; }

void skyFromPositions(Frame& f, int k) {
  float ue, ve;
  fiducialPosition(f, k, ue, ve);
  std::array<SkySpot, kSkySpots + 1> spots{};
  for (int j = 1; j <= kSkySpots; ++j) {
    const float ou = f.t.starData.skyOffsetU[k][j], ov = f.t.starData.skyOffsetV[k][j];
    if (ou < kDefinedOffset) continue;
    spots[static_cast<size_t>(j)].defined = true;
    align::uvconv(ue + ou, ve + ov, f.du, f.dv, f.rotation, spots[static_cast<size_t>(j)].u,
                  spots[static_cast<size_t>(j)].v, pixelSizes(f.t.camera));
    f.r.skyPatches[k].push_back({spots[static_cast<size_t>(j)].u, spots[static_cast<size_t>(j)].v});
  }
  const int method = f.t.settings.skySubtractionMethod;
  const bool perPosition = k == 1 && (method == 2 || method == 3);
  const PooledSky pooled = pooledSky(f.t.console, f.t.settings, f.t.ws, k, spots, f.o.markSky, perPosition);
  f.r.sky[k] = pooled.sky.sky;
  f.r.skyError[k] = pooled.sky.error;
  f.r.skySd[k] = pooled.sky.sd;
  if (k == 1) f.firstSpots = pooled;
}

// The 11 x 11 box centred on the pixel nearest (u, v); false when it reaches outside the image.
bool takeBox(const Frame& f, float u, float v, PixelBox& box, int32_t& ic, int32_t& jc) {
  if (!image::withinReach(u, v)) {
    f.t.console.line("    object box reaches outside the image; object not measured");
    return false;
  }
  ic = static_cast<int32_t>(u + 0.5f);
  jc = static_cast<int32_t>(v + 0.5f);
  for (int a = 1; a <= kBox; ++a)
    for (int b = 1; b <= kBox; ++b) {
      int32_t p = 0;
      if (!f.t.ws.get(ic + a - 6, jc + b - 6, p)) {
        f.t.console.line("    object box reaches outside the image; object not measured");
        return false;
      }
      box(a, b) = static_cast<float>(p);
    }
  return true;
}

void measureAperture(Frame& f, int k, float u, float v) {
  const bool soft = f.o.apertureType == "soft";
  const char* name = soft ? "getsof" : "gethrd";
  if (f.verbosity() >= 3) {
    f.t.console.line(textio::Line("calling ").a(name).a(" skybgr = ").freeD(f.r.sky[k]));
    f.t.console.line(textio::Line("calling ").a(name).a(" skysd  = ").freeD(f.r.skySd[k]));
  }
  const ApertureSum s =
      soft ? getsof(f.t.console, f.t.camera, f.verbosity(), f.t.ws, u, v, f.t.settings.apertureRadius, f.r.sky[k], f.r.skySd[k])
           : gethrd(f.t.console, f.t.camera, f.verbosity(), f.t.ws, u, v, f.t.settings.apertureRadius, f.r.sky[k], f.r.skySd[k]);
  if (f.verbosity() >= 3) {
    f.t.console.line(textio::Line("returned from ").a(name).a("..."));
    f.t.console.line(textio::Line("apix  = ").freeD(s.sum));
    f.t.console.line(textio::Line("apixe = ").freeD(s.error));
    f.t.console.line(textio::Line("s    = ").freeD(s.area));
  }
  f.t.console.line(textio::Line("     s    = ").freeD(s.area));
  double flux = s.sum - f.r.sky[k] * s.area;
  double error = std::sqrt(f.r.skyError[k] * f.r.skyError[k] * s.area * s.area + s.error * s.error);
  if (f.o.apertureType == "hdav") {
    if (s.area > 0.0) {
      flux /= s.area;
      error /= s.area;
    } else {
      flux = error = 0.0;
    }
  }
  f.r.flux[k] = static_cast<float>(flux);
  f.r.error[k] = static_cast<float>(error);
}

void measureOptimal(Frame& f, int k, float u, float v, float r0psf, float ellip) {
  PixelBox box;
  int32_t ic, jc;
  if (!takeBox(f, u, v, box, ic, jc)) return;
  const float xc = u - static_cast<float>(ic) + 6.0f, yc = v - static_cast<float>(jc) + 6.0f;
  ExtractionInputs in{f.r.sky[k], f.r.skySd[k], f.t.camera.gain, f.t.settings.noiseFloor, f.o.psfZeroRadius, f.verbosity()};
  WeightMask mask;
  if (k == 1) {
    if (f.verbosity() >= 4) f.t.console.line("  calling wtmask ... ");
    f.weighting = wtmask(f.t.console, f.t.psfModel, box, xc, yc, r0psf, ellip, in);
    mask = f.weighting;
  } else {
    if (f.verbosity() >= 4) f.t.console.line("  calling mvmask ... ");
    mask = mvmask(f.t.console, f.t.psfModel, xc, yc, r0psf, ellip, f.weighting.normalisation,
                  f.weighting.fluxEstimate, in);
  }
  if (!mask.ok) {
    f.t.console.line("    no usable weight mask for this object; object not measured");
    return;
  }
  if (f.verbosity() >= 4) f.t.console.line("  calling extrct ... ");
  const Extraction x = extrct(f.t.console, box, mask, in);
  if (f.verbosity() >= 2) {
    f.t.console.line(textio::Line("   total optimal flux for star ").i(k, 2).a(" signal-sky = ")
                         .f(x.flux, 9, 1).a(" error = ").f(x.error, 5, 1));
  }
  if (k == 1) f.q = qcalc(f.t.console, f.verbosity());
  f.r.flux[k] = x.flux;
  f.r.error[k] = x.error;
}

// The position check centres the object with the star finder's own centroid (calib::findb1,
// box 7): a refined position is then measured exactly as the star position lists that the
// alignment and the star data table are built from, so the two can be compared and
// exchanged. Photometry sits above calib, so it borrows the routine rather than keep a copy.
void checkPosition(Frame& f, int k, float u, float v, float ue, float ve) {
  if (!image::withinReach(u, v)) return;  // no pixel of the frame to centre on
  const int32_t ic = static_cast<int32_t>(u + 0.5f), jc = static_cast<int32_t>(v + 0.5f);
  const calib::Centroid c = calib::findb1(f.t.console, f.t.ws, ic, jc, 7, static_cast<float>(f.r.sky[k]));
  if (c.reject) return;
  float uf, vf;
  align::uvconv(c.u - f.du, c.v - f.dv, 0.0f, 0.0f, -f.rotation, uf, vf, pixelSizes(f.t.camera));
  const std::string line = textio::Line(" ").f(f.t.ws.frameTime, 6, 3).a(" refined position ")
                               .a(f.t.starData.starLabels[k], 5).x(1).f(ue, 6, 1).x(1).f(ve, 6, 1)
                               .x(2).f(uf, 6, 1).x(1).f(vf, 6, 1).x(3).f(c.u - u, 5, 2).x(1)
                               .f(c.v - v, 5, 2).str();
  f.t.console.line(line);
  if (f.o.logOn == 1) f.t.console.logLine(line);
  f.r.flux[k] = static_cast<float>(std::sqrt((uf - ue) * (uf - ue) + (vf - ve) * (vf - ve)));
}

std::string psfLine(float u, float v, float r0, float e, float q) {
  return textio::Line(" ").f(u, 7, 2).x(1).f(v, 7, 2).x(2).a("1").x(1).f(r0, 5, 2).x(1).f(e, 4, 2)
      .x(3).f(q, 5, 3).str();
}

void writePsfHeader(Frame& f, std::ostream* list) {
  if (list == nullptr) return;
  *list << " \n \n"
        << textio::Line("  stars found in ").a(f.name, 20).str() << '\n'
        << textio::Line("  estimated sky value = ").f(f.r.sky[1], 8, 0).a(" (star1 )").str() << '\n'
        << textio::Line("  time (hours) = ").f(f.t.ws.frameTime, 7, 4).str() << '\n'
        << "     u     v     -   rpsf    e     q \n";
}

void measurePsf(Frame& f, int k, float u, float v, float& r0psf, float& ellip,
                int32_t& psfWeighting, std::ostream* list) {
  if (f.verbosity() >= 2) {
    f.t.console.line(textio::Line(" processing file ").a(f.name, 20).a(" star = ").i(k, 2));
  }
  PixelBox box;
  int32_t ic, jc;
  if (!takeBox(f, u, v, box, ic, jc)) return;
  PsfFit fit;
  fit.r0 = r0psf;
  fit.e = ellip;
  psfWeighting = 1;
  const PsfInputs in{box, f.r.sky[k], f.r.skySd[k], f.o.psfZeroRadius, f.t.camera.gain, psfWeighting};
  const bool full = k == 1 || f.o.apertureType == "psfa";
  if (full) {
    if (k >= 2) {
      f.t.console.line("aptype = psfa");
      f.t.console.line(textio::Line("calling psffit star = ").freeI(k));
    }
    psffit(f.t.console, f.verbosity(), f.t.settings.psfSearchHalfWidth, f.t.psfModel, in, fit);
    r0psf = fit.r0;
    ellip = fit.e;
    keepsf(f.t.console, f.t.alignment, f.t.starData, f.name, PsfSums::Add, r0psf, ellip);
    if (k == 1) {
      f.t.console.line(textio::Line("return  psffit star = ").freeI(k).a(" r0psf,ellip = ").free(r0psf).free(ellip));
    }
    f.r.widthEW[k] = ellip * r0psf;
    f.r.widthNS[k] = r0psf / ellip;
  } else {
    f.t.console.line(textio::Line("calling psfpos star = ").freeI(k).a(" r0psf,ellip = ").free(r0psf).free(ellip));
    psfpos(f.t.console, f.verbosity(), f.t.settings.psfSearchHalfWidth, f.t.psfModel, in, fit);
  }
  if (list != nullptr) {
    const float fu = static_cast<float>(ic - 6) + fit.xc, fv = static_cast<float>(jc - 6) + fit.yc;
    *list << psfLine(fu, fv, r0psf, ellip, f.q) << textio::Line(" ").f(fit.deviation, 9, 2).str() << '\n';
  }
}

void measureObject(Frame& f, int k, float& r0psf, float& ellip, int32_t& psfWeighting,
                   std::ostream* list) {
  if (f.verbosity() >= 5) f.t.console.line(textio::Line("  start of main photometry loop for star number").i(k, 2));
  float ue, ve;
  fiducialPosition(f, k, ue, ve);
  f.t.console.line(textio::Line("    object = ").i(k, 2).a("   (u0,v0) = ").f(ue, 8, 2).x(1).f(ve, 8, 2));
  const int method = f.t.settings.skySubtractionMethod;
  if (k == 1 && f.r.noSky[1] == 0 && (method == 2 || method == 3)) {
    const NearestSky near = nr2sky(f.t.console, f.t.settings, f.t.camera, ue, ve,
                                   rowOf(f.t.starData.skyOffsetU[1]), rowOf(f.t.starData.skyOffsetV[1]), f.firstSpots);
    f.r.sky[1] = near.valid ? near.sky : -1.0e6;
    f.r.skyError[1] = near.valid ? near.error : -1.0e6;
  }
  float u, v;
  align::uvconv(ue, ve, f.du, f.dv, f.rotation, u, v, pixelSizes(f.t.camera));
  if (f.r.noSky[k] == 1) {
    const ObjectSky s = autoSky(f.t.console, f.t.settings, f.t.ws, f.t.samples, k, u, v);
    f.r.sky[k] = s.sky;
    f.r.skyError[k] = s.error;
    f.r.skySd[k] = s.sd;
  }
  f.r.u[k] = u;
  f.r.v[k] = v;
  f.r.peak[k] = peakAbove(f.t.ws, u, v, f.r.sky[k]);
  const bool psfRun = f.o.apertureType == "psf " || f.o.apertureType == "psfa";
  if (k == 1 && psfRun) writePsfHeader(f, list);
  if (!(f.r.sky[k] > 0.0)) {
    f.r.flux[k] = 0.0f;
    f.r.error[k] = 0.0f;
    f.r.sky[k] = 0.0;
    f.r.skyError[k] = 0.0;
    return;
  }
  if (f.verbosity() > 10) f.t.console.line(textio::Line("starting photometry   rphot=").free(f.t.settings.apertureRadius));
  if (f.verbosity() >= 2) f.t.console.line(textio::Line("  getting star count for u,v = ").f(u, 6, 1).x(1).f(v, 6, 1));
  const std::string& type = f.o.apertureType;
  if (type == "soft" || type == "hard" || type == "hdav") measureAperture(f, k, u, v);
  if (type == "opti") measureOptimal(f, k, u, v, r0psf, ellip);
  if (type == "chec") checkPosition(f, k, u, v, ue, ve);
  if (psfRun) measurePsf(f, k, u, v, r0psf, ellip, psfWeighting, list);
  if (f.verbosity() >= 5) f.t.console.line(textio::Line("  end of main photometry loop for star number").i(k, 2));
}

void writeRecords(Frame& f) {
  const image::Workspaces& ws = f.t.ws;
  f.t.console.line(f.o.outputFormat == 1 ? "   photometry output data: date, time, star(1-10), sky(1-10)"
                                         : "   photometry output data: date, time, star(1-10), s.e.(1-10)");
  textio::Line screen("   ");
  screen.i(ws.frameYear, 4).x(1).i(ws.frameMonth, 2).x(1).i(ws.frameDay, 2).x(1).f(ws.frameTime, 8, 3).x(2);
  textio::Line file(" ");
  file.a(f.name, 20).x(1).i(ws.frameYear, 4).a(",").i(ws.frameMonth, 2).a(",").i(ws.frameDay, 2)
      .a(",").f(ws.frameTime, 8, 3);
  for (int k = 1; k <= kPhotSlots; ++k) {
    screen.f(f.r.flux[k], 8, 0).x(1);
    file.f(f.r.flux[k], 8, 0).a(",");
  }
  screen.x(2);
  for (int k = 1; k <= kPhotSlots; ++k) {
    const double second = f.o.outputFormat == 1 ? f.r.sky[k] : f.r.error[k];
    screen.x(1).f(second, 7, 1);
    file.f(second, 7, 1).a(",");
  }
  screen.x(2).f(f.q, 5, 3).x(1).i(0, 3);
  file.f(f.q, 5, 3).a(",").i(0, 3);
  f.t.console.line(screen);
  f.t.console.logLine(file);
}

void writePsfCompletion(Frame& f, float r0psf, float ellip, std::ostream* list, std::ostream* table) {
  if (list != nullptr) *list << psfLine(9999.0f, 9999.0f, r0psf, ellip, f.q) << '\n';
  if (table == nullptr) return;
  textio::Line line(" \"");
  line.a(f.name, 20).a("\",").f(f.t.ws.frameTime, 7, 3).a(",");
  for (int k = 1; k <= kPhotSlots; ++k) line.f(f.r.widthNS[k], 5, 2).a(",");
  for (int k = 1; k <= kPhotSlots; ++k) line.f(f.r.widthEW[k], 5, 2).a(",");
  *table << line.str() << '\n';
}

}  // namespace

std::optional<float> measureAt(PhotTables& t, std::string_view frameName, const PhotOptions& options,
                               float u, float v, const ObjectSky& sky, float r0psf, float ellip) {
  const std::string& type = options.apertureType;
  const bool aperture = type == "soft" || type == "hard" || type == "hdav";
  if (!aperture && type != "opti") return std::nullopt;
  Frame f{t, options, textio::fixed(frameName, 20), 0.0f, 0.0f, 0.0f, 0, {}, {}, 0.0f, {}};
  f.r.sky[1] = sky.sky;
  f.r.skyError[1] = sky.error;
  f.r.skySd[1] = sky.sd;
  if (aperture) measureAperture(f, 1, u, v);
  else measureOptimal(f, 1, u, v, r0psf, ellip);
  return f.r.flux[1];
}

PhotResults phot(PhotTables& t, std::string_view frameName, float du, float dv, float rotation,
                 const PhotOptions& options, float& r0psf, float& ellip, int32_t& psfWeighting,
                 std::ostream* psfList, std::ostream* psfTable) {
  Frame f{t, options, textio::fixed(frameName, 20), du, dv, rotation, 0, {}, {}, 0.0f, {}};
  if (f.name.rfind("img", 0) == 0) t.console.line("error - trying to do reduction with img file");
  const std::string key = align::stripType(f.name);
  t.ws.frameTime = 0.0f;
  const int span = t.alignment.span();
  for (int d = 1; d <= span; ++d)
    if (t.alignment.entries[d].name == key) t.ws.frameTime = t.alignment.entries[d].time;
  if (t.settings.verbosity >= 2) {
    t.console.line(textio::Line("     entered phot ; uoff, voff, rotat = ").f(du, 7, 2).x(1).f(dv, 7, 2)
                       .x(1).f(rotation, 7, 3).a(" aperture type = ").a(options.apertureType, 4));
  }
  if (t.settings.motionOn == 1) f.moving = options.apertureType == "psf " ? 2 : 1;
  f.r.moving = f.moving;
  const int count = std::min(t.starData.photStarCount, kPhotSlots);
  for (int k = 1; k <= count; ++k) {
    if (hasSkyPositions(f, k)) skyFromPositions(f, k);
    else f.r.noSky[k] = 1;
  }
  for (int k = 1; k <= count; ++k) measureObject(f, k, r0psf, ellip, psfWeighting, psfList);
  if (t.settings.verbosity >= 5) {
    t.console.line(" ");
    t.console.line(textio::Line("  end of main photometry loop;  aptype = ").a(options.apertureType, 4));
  }
  const bool psfRun = options.apertureType == "psf " || options.apertureType == "psfa";
  if (psfRun) writePsfCompletion(f, r0psf, ellip, psfList, psfTable);
  if (options.apertureType != "chec" && options.apertureType != "psf " && options.logOn == 1) writeRecords(f);
  t.console.line(" ");
  return f.r;
}

}  // namespace phot
