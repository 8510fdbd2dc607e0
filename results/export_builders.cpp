// Building the exported tables row by row.
#include "results/export_builders.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace results {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kNoValue = 99.999 - 0.0005;

Column floatColumn(const std::string& name, const std::string& unit, const std::string& description, int decimals) {
  Column c;
  c.name = name, c.unit = unit, c.description = description, c.decimals = decimals;
  return c;
}

Column textColumn(const std::string& name, const std::string& description) {
  Column c;
  c.name = name, c.type = ColumnType::String, c.description = description;
  return c;
}

// The time, BJD and airmass columns of one table, filled row by row.
struct TimeColumns {
  Column frame = textColumn("frame", "frame file name");
  Column utc = textColumn("utc_mid", "UTC of mid-exposure, ISO 8601");
  Column jd = floatColumn("jd_utc", "d", "Julian Date (UTC) of mid-exposure", 6);
  Column source = textColumn("time_from", "where the time comes from: header (the frame's own), or the table's hours");
  Column bjd = floatColumn("bjd_tdb", "d", "barycentric Julian Date (TDB) of mid-exposure towards the object", 6);
  Column air = floatColumn("airmass", "", "airmass of the object at mid-exposure", 3);

  void add(const std::string& name, const UtcDate& utc, bool fromHeader, const FrameStamp* stamp,
           const ExportContext& context, TimeSources& sources) {
    frame.texts.push_back(name);
    this->utc.texts.push_back(isoUtc(utc));
    jd.numbers.push_back(utc.jd());
    source.texts.push_back(fromHeader ? "header" : "table");
    (fromHeader ? sources.fromHeaders : sources.fromTable)++;
    std::optional<Site> site = context.site;
    if (!site && stamp && stamp->hasSite) site = stamp->site;
    std::optional<std::pair<double, double>> object = context.object;
    if (!object && stamp && stamp->hasPosition) object = std::make_pair(stamp->ra, stamp->dec);
    double b = kNaN, x = kNaN;
    if (site && object) {
      if (!bjdTdb(utc, object->first, object->second, *site, b)) b = kNaN;
      if (!airmass(utc, object->first, object->second, *site, x)) x = kNaN;
    }
    if (!std::isnan(b)) sources.withBjd++;
    bjd.numbers.push_back(b);
    air.numbers.push_back(x);
  }

  // The columns in their order; BJD and airmass only where some row has them.
  void into(Table& t, bool withFrame, bool withTimes) const {
    if (withFrame) t.columns.push_back(frame);
    if (!withTimes) return;
    t.columns.push_back(utc);
    t.columns.push_back(jd);
    t.columns.push_back(source);
    auto any = [](const Column& c) {
      for (double v : c.numbers) {
        if (!std::isnan(v)) return true;
      }
      return false;
    };
    if (any(bjd)) t.columns.push_back(bjd);
    if (any(air)) t.columns.push_back(air);
  }
};

// The UTC of a date and hours counted on from it; false when out of range.
bool tableTime(int32_t y, int32_t m, int32_t d, double hours, UtcDate& utc) {
  return utcDate(y, m, d, hours * 3600.0, utc);
}

void addMeta(Table& t, const ExportContext& context, const std::string& what) {
  t.meta.push_back({"source", context.source});
  t.meta.push_back({"content", what});
  t.meta.push_back({"software", "pelm export"});
  t.meta.push_back({"timesys", "UTC; BJD_TDB from ERFA (Earth ephemeris epv00, site rotated with the Earth)"});
}

// A frame name as the flags know it: without its file type.
std::string frameKey(const std::string& frame) { return frame.substr(0, frame.find('.')); }

// The flag of one object on one frame ("none" where the run wrote no line for it).
std::string objectFlag(const ExportContext& c, const std::string& frame, const std::string& label) {
  auto f = c.flags.find(frameKey(frame));
  if (f == c.flags.end()) return "none";
  auto o = f->second.find(label);
  return o == f->second.end() ? "none" : o->second;
}

// The worst flag of a frame's objects ("none" without a line for it).
std::string frameFlag(const ExportContext& c, const std::string& frame) {
  static const std::vector<std::string> kWorstFirst = {"aperture", "sky", "steady", "skybox", "clean", "nolist"};
  auto f = c.flags.find(frameKey(frame));
  if (frame.empty() || f == c.flags.end()) return "none";
  for (const std::string& w : kWorstFirst)
    for (const auto& [label, word] : f->second)
      if (word == w) return w;
  return "none";
}

std::string sitePosition(const ExportContext& c) {
  return c.site && c.object ? "site and object position given" : "site and object position from the frame headers";
}

}  // namespace

Table photLogTable(const PhotLog& log, const FrameLookup& lookup, const ExportContext& context, TimeSources& sources) {
  sources = TimeSources{};
  TimeColumns times;
  std::vector<Column> values;
  std::vector<Column> flags;
  std::vector<size_t> used;
  for (size_t k = 0; k < 10; ++k) {
    if (log.labels[k].empty()) continue;
    used.push_back(k);
    std::string n = columnName(log.labels[k]);
    values.push_back(floatColumn("flux_" + n, "adu", "signal of " + log.labels[k] + " above the sky", 1));
    values.push_back(log.errors ? floatColumn("flux_err_" + n, "adu", "1-sigma error of the signal of " + log.labels[k], 1)
                                : floatColumn("sky_" + n, "adu / pix", "sky level per pixel around " + log.labels[k], 1));
    flags.push_back(textColumn("flag_" + n, "contamination flag of " + log.labels[k] +
                                                " (photflags.txt: aperture, sky, steady, skybox, clean, nolist; none: not flagged)"));
  }
  for (const PhotRecord& r : log.records) {
    FrameStamp stamp;
    bool header = lookup(r.frame, stamp);
    UtcDate utc = stamp.mid;
    if (!header && !tableTime(r.year, r.month, r.day, r.hours, utc)) utc = UtcDate{};
    times.add(r.frame, utc, header, header ? &stamp : nullptr, context, sources);
    for (size_t j = 0; j < used.size(); ++j) {
      values[2 * j].numbers.push_back(r.flux[used[j]]);
      values[2 * j + 1].numbers.push_back(r.second[used[j]]);
      flags[j].texts.push_back(objectFlag(context, r.frame, log.labels[used[j]]));
    }
  }
  Table t;
  addMeta(t, context, "photometry log; " + sitePosition(context));
  times.into(t, true, true);
  for (Column& c : values) t.columns.push_back(std::move(c));
  if (!context.flags.empty())
    for (Column& c : flags) t.columns.push_back(std::move(c));
  return t;
}

std::vector<RowTime> lightCurveTimes(const ResTable& curve, const std::vector<AlignRow>& alignment,
                                     const FrameLookup& lookup) {
  std::vector<RowTime> out;
  for (const ResRow& r : curve.rows) {
    RowTime t;
    int matches = 0;
    for (const AlignRow& a : alignment) {
      if (std::fabs(std::round(a.hours * 1000.0) / 1000.0 - r.hours) < 0.0004) t.frame = a.frame, ++matches;
    }
    if (matches != 1) t.frame.clear();
    t.fromHeader = !t.frame.empty() && lookup(t.frame, t.stamp);
    t.utc = t.stamp.mid;
    if (!t.fromHeader && !tableTime(r.year, r.month, r.day, r.hours, t.utc)) t.utc = UtcDate{};
    out.push_back(t);
  }
  return out;
}

Table lightCurveTable(const ResTable& curve, const std::vector<AlignRow>& alignment, const FrameLookup& lookup,
                      const ExportContext& context, TimeSources& sources) {
  sources = TimeSources{};
  TimeColumns times;
  Column flag = textColumn("flag", "worst contamination flag of the row's frame (photflags.txt: aperture, sky, steady, "
                                   "skybox, clean, nolist; none: not flagged or no single frame)");
  Column hjd = floatColumn("hjd_file", "d", "the light curve's HJD column as dmag wrote it (heliocentric only with the light-time correction on)", 5);
  std::vector<Column> values;
  std::vector<size_t> used;
  const char* kind = curve.magnitudes ? "mag" : "ratio";
  for (size_t k = 0; k < 10; ++k) {
    if (curve.names[k].empty()) continue;
    used.push_back(k);
    std::string n = columnName(curve.names[k]);
    std::string of = curve.names[k];
    values.push_back(curve.magnitudes ? floatColumn("mag_" + n, "mag", "differential magnitude of " + of, 5)
                                      : floatColumn("ratio_" + n, "", "flux ratio of " + of + " to the normalising stars", 5));
    values.push_back(floatColumn(std::string(kind) + "_err_" + n, curve.magnitudes ? "mag" : "",
                                 "1-sigma error of the value of " + of, 5));
  }
  std::vector<RowTime> rowTimes = lightCurveTimes(curve, alignment, lookup);
  for (size_t i = 0; i < curve.rows.size(); ++i) {
    const ResRow& r = curve.rows[i];
    const RowTime& rt = rowTimes[i];
    times.add(rt.frame, rt.utc, rt.fromHeader, rt.fromHeader ? &rt.stamp : nullptr, context, sources);
    hjd.numbers.push_back(r.hjd);
    flag.texts.push_back(frameFlag(context, rt.frame));
    for (size_t j = 0; j < used.size(); ++j) {
      double v = r.value[used[j]], e = r.error[used[j]];
      bool none = curve.magnitudes ? (v >= kNoValue || e >= kNoValue) : !(v > 0.0);
      values[2 * j].numbers.push_back(none ? kNaN : v);
      values[2 * j + 1].numbers.push_back(none ? kNaN : std::fabs(e));
    }
  }
  Table t;
  addMeta(t, context, std::string("dmag light curve (") + (curve.magnitudes ? "magnitudes" : "ratios") + "); " +
                          sitePosition(context));
  for (const std::string& ref : curve.references) t.meta.push_back({"normalising_star", ref});
  times.into(t, true, true);
  t.columns.push_back(std::move(hjd));
  for (Column& c : values) t.columns.push_back(std::move(c));
  if (!context.flags.empty()) t.columns.push_back(std::move(flag));
  return t;
}

Table alignmentTable(const std::vector<AlignRow>& rows, const FrameLookup& lookup, const ExportContext& context,
                     TimeSources& sources) {
  sources = TimeSources{};
  std::vector<FrameStamp> stamps(rows.size());
  std::vector<bool> read(rows.size(), false);
  bool haveNight = false;
  UtcDate night;  // 0 h UTC of the night's first date
  for (size_t i = 0; i < rows.size(); ++i) {
    read[i] = lookup(rows[i].frame, stamps[i]);
    if (read[i] && !haveNight) {
      double jd0 = stamps[i].mid.jd() - rows[i].hours / 24.0;
      night = UtcDate{std::floor(jd0 - 0.5 + 0.5 / 24.0) + 0.5, 0.0};
      haveNight = true;
    }
  }
  TimeColumns times;
  ExportContext noObject = context;
  noObject.object.reset();  // the alignment table measures no object: no BJD, no airmass
  noObject.site.reset();
  Column hours = floatColumn("time_ut", "h", "UT hours of the table (24 added after midnight)", 4);
  Column du = floatColumn("du", "pix", "offset in u, frame minus fiducial", 2);
  Column dv = floatColumn("dv", "pix", "offset in v, frame minus fiducial", 2);
  Column rot = floatColumn("rotation", "deg", "rotation of the frame against the fiducial frame", 5);
  Column fwhm = floatColumn("fwhm", "pix", "mean star width, whole pixels", 0);
  fwhm.type = ColumnType::Int64;
  Column sky = floatColumn("sky", "adu / pix", "sky level of the frame's star list", 1);
  Column rms = floatColumn("rms", "pix", "rms of the alignment fit", 2);
  Column aligned = floatColumn("aligned", "", "True when the aligner matched the frame", 0);
  aligned.type = ColumnType::Bool;
  for (size_t i = 0; i < rows.size(); ++i) {
    const AlignRow& r = rows[i];
    UtcDate utc = read[i] ? stamps[i].mid : UtcDate{night.jd1, night.jd2 + r.hours / 24.0};
    FrameStamp bare = stamps[i];
    bare.hasPosition = bare.hasSite = false;
    times.add(r.frame, utc, read[i], &bare, noObject, sources);
    hours.numbers.push_back(r.hours);
    du.numbers.push_back(r.aligned ? r.du : kNaN);
    dv.numbers.push_back(r.aligned ? r.dv : kNaN);
    rot.numbers.push_back(r.aligned ? r.rotation : kNaN);
    fwhm.numbers.push_back(r.fwhm);
    sky.numbers.push_back(r.sky);
    rms.numbers.push_back(r.aligned ? r.rms : kNaN);
    aligned.numbers.push_back(r.aligned ? 1.0 : 0.0);
  }
  Table t;
  addMeta(t, context, "alignment table");
  times.into(t, true, haveNight);
  for (Column* c : {&hours, &du, &dv, &rot, &fwhm, &sky, &rms, &aligned}) t.columns.push_back(std::move(*c));
  return t;
}

std::string checkAavso(const AavsoAnswers& a, const ResTable& curve) {
  auto printable = [](const std::string& s) {
    if (s.empty()) return false;
    for (char c : s) {
      if (c <= ' ' - 1 || c > '~' || c == ',') return false;
    }
    return true;
  };
  if (!curve.magnitudes) return "   error - the AAVSO format takes magnitudes; this light curve holds ratios";
  if (a.column < 1 || a.column > 10 || curve.names[a.column - 1].empty()) {
    return "   error - the column of the variable must be a used column (1-10)";
  }
  if (a.checkColumn < 0 || a.checkColumn > 10 || (a.checkColumn > 0 && curve.names[a.checkColumn - 1].empty())) {
    return "   error - the column of the check star must be 0 or a used column";
  }
  if (!printable(a.obscode) || !printable(a.starName)) {
    return "   error - the observer code and the star name are required (no commas); nothing written";
  }
  if (!printable(a.filter) || !printable(a.chart)) return "   error - the filter and the chart cannot be blank or hold commas";
  return "";
}

std::string aavsoText(const AavsoAnswers& a, const ResTable& curve, const Table& exported) {
  const Column* jd = nullptr;
  const Column* air = nullptr;
  for (const Column& c : exported.columns) {
    if (c.name == "jd_utc") jd = &c;
    if (c.name == "airmass") air = &c;
  }
  std::string cname = curve.references.size() == 1 ? curve.references[0] : "ENSEMBLE";
  if (cname.empty() || cname.find(',') != std::string::npos) cname = "ENSEMBLE";
  std::string out = "#TYPE=EXTENDED\n#OBSCODE=" + a.obscode + "\n#SOFTWARE=pelm export\n#DELIM=,\n#DATE=JD\n#OBSTYPE=CCD\n";
  out += "#NAME,DATE,MAG,MERR,FILT,TRANS,MTYPE,CNAME,CMAG,KNAME,KMAG,AMASS,GROUP,CHART,NOTES\n";
  char text[64];
  for (size_t r = 0; r < curve.rows.size(); ++r) {
    const ResRow& row = curve.rows[r];
    double v = row.value[a.column - 1], e = row.error[a.column - 1];
    if (v >= kNoValue || e >= kNoValue || !jd || std::isnan(jd->numbers[r])) continue;
    out += a.starName + ",";
    std::snprintf(text, sizeof text, "%.6f,%.3f,%.3f,", jd->numbers[r], v, std::fabs(e));
    out += text;
    out += a.filter + ",NO,DIF," + cname + ",na,";
    if (a.checkColumn > 0 && row.value[a.checkColumn - 1] < kNoValue) {
      std::snprintf(text, sizeof text, "%.3f", row.value[a.checkColumn - 1]);
      out += curve.names[a.checkColumn - 1] + "," + text + ",";
    } else {
      out += "na,na,";
    }
    if (air && !std::isnan(air->numbers[r])) {
      std::snprintf(text, sizeof text, "%.4f", air->numbers[r]);
      out += text;
    } else {
      out += "na";
    }
    out += ",na," + a.chart + ",na\n";
  }
  return out;
}

}  // namespace results
