// Fuzz target: the readers of the program's text tables. The first byte chooses the reader;
// the rest is the file, up to a NUL byte after which come the keyboard answers (for the
// readers that ask something, or the second file of a pair).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "align/align_offsets.h"
#include "align/alignment_table.h"
#include "align/rotation_model.h"
#include "align/star_list_reader.h"
#include "app/photometry_dialogues.h"
#include "core/settings.h"
#include "app/state.h"
#include "app/working_path.h"
#include "image/camera.h"
#include "image/file_list.h"
#include "image/file_names.h"
#include "lightcurve/dmag.h"
#include "lightcurve/lc_plot.h"
#include "lightcurve/light_curve_file.h"
#include "lightcurve/phot_to_dmag.h"
#include "lightcurve/photometry_stats.h"
#include "motion/path_fit.h"
#include "motion/path_model.h"
#include "phot/star_data.h"
#include "results/export_builders.h"
#include "results/frame_stamp.h"
#include "results/result_tables.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using fuzzsupport::FileAndAnswers;
using fuzzsupport::MemoryConsole;
using fuzzsupport::writeFile;

std::string orDefault(const std::string& answers, const char* fallback) {
  return answers.empty() ? std::string(fallback) : answers;
}

std::vector<std::string> linesOf(std::string_view text) {
  std::vector<std::string> lines;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) lines.push_back(std::string(textio::dropCr(line)));
  return lines;
}

void pathDat(const FileAndAnswers& in) {
  writeFile("path.dat", in.file);
  MemoryConsole mc(in.answers);
  app::Session s{fuzzsupport::freshState(), mc.console};
  app::getpth(s);
  std::string full;
  (void)app::fullName(s, "name                ", full);
}

void deviceCcd(const FileAndAnswers& in) {
  writeFile("device.ccd", in.file);
  MemoryConsole mc(in.answers);
  image::Camera camera;
  std::string problem, warnings;
  if (image::readCameraFile("device.ccd", camera, problem, &warnings) == image::CameraRead::Ok) {
    image::discam(mc.console, camera);
  }
}

void fileList(const FileAndAnswers& in) {
  writeFile("filelist.txt", in.file);
  MemoryConsole mc(in.answers);
  core::Settings settings;
  image::FileList list;
  if (!list.open(mc.console, settings)) return;
  std::string name;
  while (list.next(name)) {
  }
}

void starList(const FileAndAnswers& in) {
  std::istringstream stream{std::string(in.file)};
  align::StarListReader reader(stream);
  align::FrameBlock block;
  while (reader.next(block) == align::BlockRead::Frame) (void)align::frameFwhm(block);
}

void alignDat(const FileAndAnswers& in) {
  writeFile("align.dat", in.file);
  MemoryConsole mc(in.answers);
  auto table = std::make_unique<align::AlignmentTable>();
  align::alload(mc.console, "", *table);
  align::allist(mc.console, *table);
  (void)align::altest(mc.console, *table);
}

void starData(const FileAndAnswers& in) {
  writeFile("stardata.txt", in.file);
  MemoryConsole mc(in.answers);
  auto sd = std::make_unique<phot::StarData>();
  phot::gsload(mc.console, "", *sd);
  phot::gsshow(mc.console, *sd);
}

void starsFid(const FileAndAnswers& in) {
  writeFile("stars.fid", in.file);
  MemoryConsole mc(in.answers);
  core::Settings settings;
  auto tables = std::make_unique<align::MatchTables>();
  (void)align::readFiducials(mc.console, settings, *tables, {"reading stars.fid", "no stars.fid", 10});
}

void pathModels(const FileAndAnswers& in) {
  writeFile("upath.mdl", in.file);
  writeFile("vpath.mdl", in.answers);
  writeFile("rotate.mdl", in.file);
  MemoryConsole mc("");
  motion::PathModels models;
  if (motion::rdpth(mc.console, "", models)) {
    (void)motion::movuv(models.model1, 1.5f);
    motion::spmcf(mc.console, models.model1);
  }
  align::RotationModel rotation;
  std::string error;
  if (align::readRotationModel("rotate.mdl", rotation, error)) (void)rotation.at(1.5);
}

void objectPath(const FileAndAnswers& in) {
  writeFile("objectpath.txt", in.file);
  MemoryConsole mc(orDefault(in.answers, "2\n"));
  motion::PathModels models;
  (void)motion::fitpth(mc.console, "", models, motion::PathEpoch::FirstPosition);
}

void psfList(const FileAndAnswers& in) {
  writeFile("stars.psf", in.file);
  MemoryConsole mc(in.answers);
  app::Session s{fuzzsupport::freshState(), mc.console};
  app::readpsffilCommand(s);
}

void dmagTable(const FileAndAnswers& in) {
  writeFile("phot.txt", in.file);
  MemoryConsole mc(in.answers);
  lightcurve::Ephemeris eph;
  eph.period = 0.25;
  eph.lightTime = 1;
  lightcurve::ccdpho(mc.console, "", "phot.txt            ", eph);
}

void photometryOutput(const FileAndAnswers& in) {
  writeFile("phot.txt", in.file);
  const std::vector<std::string> lines = linesOf(in.file);
  {
    MemoryConsole mc(orDefault(in.answers, "1 2\n"));
    auto table = std::make_unique<lightcurve::StatsTable>();
    lightcurve::stload(mc.console, textio::fixed("phot.txt", 80), "phot.txt            ", *table);
    lightcurve::lstrat(mc.console, *table);
    lightcurve::lststs(mc.console, *table);
  }
  (void)lightcurve::photToDmag(lines, "phot.txt");
}

void dmagOutput(const FileAndAnswers& in) {
  const std::vector<std::string> lines = linesOf(in.file);
  lightcurve::ResFile res;
  std::string error;
  if (lightcurve::readResFile(lines, res, error)) {
    lightcurve::Ephemeris eph;
    for (int star = 1; star <= 10; ++star) (void)lightcurve::plotStar(res, star, eph, "phot.res");
  }
  for (int column = 1; column <= 10; ++column) {
    lightcurve::LightCurve curve;
    (void)lightcurve::readLightCurve(lines, column, "phot.res", curve, error);
  }
}

// The export readers and writers: the file as a log, a light curve or an alignment table;
// the answers as the header of every frame the tables name.
void exportTables(const FileAndAnswers& in) {
  const std::vector<std::string> lines = linesOf(in.file);
  std::vector<std::string> cards = results::headerCards(in.answers);
  results::FrameLookup lookup = [&cards](const std::string&, results::FrameStamp& stamp) {
    std::string why;
    return results::frameStamp(cards, stamp, why);
  };
  results::ExportContext context;
  results::TimeSources sources;
  std::string error;
  results::PhotLog log;
  if (results::readPhotLog(lines, "t", log, error)) {
    (void)results::ecsvText(results::photLogTable(log, lookup, context, sources));
  }
  results::ResTable curve;
  std::vector<results::AlignRow> rows;
  bool aligned = results::readAlignTable(lines, "t", rows, error);
  if (aligned) (void)results::csvText(results::alignmentTable(rows, lookup, context, sources));
  if (results::readResTable(lines, "t", curve, error)) {
    results::Table table = results::lightCurveTable(curve, rows, lookup, context, sources);
    (void)results::ecsvText(table);
    results::AavsoAnswers answers;
    answers.obscode = "XYZ", answers.starName = "V1";
    if (results::checkAavso(answers, curve).empty()) (void)results::aavsoText(answers, curve, table);
  }
  (void)results::detectLayout(lines);
}

using Reader = void (*)(const FileAndAnswers&);
constexpr Reader kReaders[] = {pathDat,  deviceCcd,  fileList, starList,  alignDat,         starData,
                               starsFid, pathModels, objectPath, psfList, dmagTable, photometryOutput,
                               dmagOutput, exportTables};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  fuzzsupport::freshScratch();
  const Reader reader = kReaders[data[0] % std::size(kReaders)];
  const FileAndAnswers in = fuzzsupport::splitAtNul(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  try {
    reader(in);
  } catch (const textio::FatalStop&) {
    // A stop with a message is an allowed outcome of bad input.
  } catch (const textio::CommandAbandoned&) {
    // An unreadable answer abandons the command.
  }
  return 0;
}
