// The vocabulary in the order of comparison. Each row: blank-separated aliases and the work.
#include "app/command_table.h"

#include <array>

#include "align/alignment_table.h"
#include "app/alignment_commands.h"
#include "app/alignr_command.h"
#include "app/calib_commands.h"
#include "app/camera_commands.h"
#include "app/frame_commands.h"
#include "app/interpreter.h"
#include "app/lightcurve_commands.h"
#include "app/path_commands.h"
#include "app/photometry_commands.h"
#include "app/photometry_dialogues.h"
#include "app/settings_commands.h"
#include "app/stacking_commands.h"
#include "app/working_path.h"
#include "image/camera.h"
#include "image/file_names.h"
#include "image/workspaces.h"
#include "motion/path_model.h"
#include "motion/residuals.h"
#include "phot/position_refinement.h"
#include "phot/star_data.h"
#include "textio/fixed_text.h"

namespace app {

namespace {

// stop, exit and x are handled before the table is consulted (end of script or program);
// their row keeps "stop;remark" and the like from running anything.
constexpr std::array kCommands{
    Command{"stop exit x", [](Session&) {}},
    Command{"pause", [](Session&) {}},  // served before comment stripping
    Command{"script", [](Session& s) { scriptCommand(s); }},
    Command{"icv", [](Session& s) { icvCommand(s); }},
    Command{"init", [](Session& s) { initCommand(s); }},
    Command{"path", [](Session& s) { pathCommand(s); }},
    Command{"camera", [](Session& s) { setcam(s); }},
    Command{"device", [](Session& s) { image::discam(s.console, s.state.camera); }},
    Command{"sornu", [](Session& s) { image::sornu(s.console, s.state.settings); }},
    Command{"dv dvload", [](Session& s) { dvload(s, 1, false); }},
    Command{"filetypes filetype", [](Session& s) { filetypesCommand(s); }},
    Command{"skysubtrac", [](Session& s) { skysubtrac(s); }},
    Command{"filelist files", [](Session& s) { (void)image::gflist(s.console, s.state.settings); }},
    Command{"dfc", [](Session& s) { dfcCommand(s); }},
    Command{"dfs", [](Session& s) { dfsCommand(s); }},
    Command{"s", [](Session& s) { sCommand(s); }},
    Command{"load", [](Session& s) { loadCommand(s); }},
    Command{"avfiles", [](Session& s) { avfiles(s); }},
    Command{"maxstack", [](Session& s) { maxstackCommand(s); }},
    Command{"resetmaxst",
            [](Session& s) {
              s.state.settings.maxStack = 9999;
              s.console.line("  normal image stacking resumed");
            }},
    Command{"stack", [](Session& s) { stack(s); }},
    Command{"rstack", [](Session& s) { rstack(s); }},
    Command{"astpsfpos", [](Session& s) { astpsfpos(s); }},
    Command{"align", [](Session& s) { alignCommand(s); }},
    Command{"alignr", [](Session& s) { alignrCommand(s); }},
    Command{"allist", [](Session& s) { align::allist(s.console, s.state.alignment); }},
    Command{"fitrotatio fitrot", [](Session& s) { fitrotCommand(s); }},
    Command{"fitpath fittrack", [](Session& s) { fitpathCommand(s, 0); }},
    Command{"fitstacked", [](Session& s) { fitpathCommand(s, 1); }},
    Command{"loadpath",
            [](Session& s) { (void)motion::rdpth(s.console, s.state.settings.workingPath, s.state.paths); }},
    Command{"loadpath2",
            [](Session& s) { (void)motion::rdpth2(s.console, s.state.settings.workingPath, s.state.paths); }},
    Command{"savepath",
            [](Session& s) { (void)motion::svpth(s.console, s.state.settings.workingPath, s.state.paths); }},
    Command{"savepath2",
            [](Session& s) { (void)motion::svpth2(s.console, s.state.settings.workingPath, s.state.paths); }},
    Command{"copypath12", [](Session& s) { motion::cpth12(s.console, s.state.paths); }},
    Command{"addpath", [](Session& s) { motion::addpth(s.console, s.state.settings.workingPath, s.state.paths); }},
    Command{"showpath", [](Session& s) { motion::spmcf(s.console, s.state.paths.model1); }},
    Command{"estimatepa ep", [](Session& s) { estimatepaCommand(s); }},
    Command{"testpath", [](Session& s) { testpathCommand(s); }},
    Command{"diffpath", [](Session& s) { diffpathCommand(s); }},
    Command{"resetresid",
            [](Session& s) {
              s.state.residuals.reset();
              s.console.line("  residual arrays reset");
            }},
    Command{"rejectresi rr",
            [](Session& s) { motion::rejrsd(s.console, s.state.residuals, s.state.alignment); }},
    Command{"residuals res", [](Session& s) { motion::rsdst(s.console, s.state.residuals); }},
    Command{"motionon",
            [](Session& s) {
              s.state.settings.motionOn = 1;
              s.console.line("  object motion switched on for first object in star data lists");
              s.console.line("  EXCEPT for PSFFILES, where moving object is SECOND object");
            }},
    Command{"motionoff",
            [](Session& s) {
              s.state.settings.motionOn = 0;
              s.console.line("  object motion switched off");
            }},
    Command{"photnoalig", [](Session& s) { s.state.interp.photAlign = 0; }},
    Command{"photalign", [](Session& s) { s.state.interp.photAlign = 1; }},
    Command{"softapertu soft", [](Session& s) { softAperture(s); }},
    Command{"hardapertu hard", [](Session& s) { hardAperture(s); }},
    Command{"hardaverag hardmean", [](Session& s) { hardMean(s); }},
    Command{"optimalext optimal", [](Session& s) { optimalAperture(s); }},
    Command{"checkposit", [](Session& s) { s.state.interp.apertureType = "chec"; }},
    Command{"psf", [](Session& s) { s.state.interp.apertureType = "psf "; }},
    Command{"refineposi", [](Session& s) { s.state.interp.apertureType = "chec"; }},
    Command{"marksky", [](Session& s) { s.state.interp.markSky = 1; }},
    Command{"unmarksky", [](Session& s) { s.state.interp.markSky = 0; }},
    Command{"filter", [](Session& s) { s.console.answer(); }},
    Command{"verbosity verb",
            [](Session& s) { s.state.settings.verbosity = s.console.askInt("   verbosity level : "); }},
    Command{"outputsky",
            [](Session& s) {
              s.state.interp.outputFormat = 1;
              s.console.line("   output file will list sky values for each object");
            }},
    Command{"outputerro",
            [](Session& s) {
              s.state.interp.outputFormat = 2;
              s.console.line("   output file will list 1-sigma errors for each object");
            }},
    Command{"skybox", [](Session& s) { skyboxCommand(s); }},
    Command{"skyclipped",
            [](Session& s) {
              s.state.settings.skyEstimator = textio::fixed("clipped mean", 20);
              s.console.line("    automatic sky estimation by clipped mean");
            }},
    Command{"skymedian",
            [](Session& s) {
              s.state.settings.skyEstimator = textio::fixed("median", 20);
              s.console.line("    automatic sky estimation by median");
            }},
    Command{"tolerance",
            [](Session& s) {
              s.state.settings.matchTolerance =
                  s.console.askReal("   tolerance (horizontal pixels) for position matching : ");
            }},
    Command{"psfsearchb",
            [](Session& s) {
              s.state.settings.psfSearchHalfWidth = s.console.askReal("   half width of psf searching box : ");
            }},
    Command{"clearposit", [](Session& s) { starDataMode(s, 0); }},
    Command{"startposit", [](Session& s) { starDataMode(s, 19); }},
    Command{"copypositi", [](Session& s) { starDataMode(s, 9); }},
    Command{"resetposit", [](Session& s) { starDataMode(s, 10); }},
    Command{"positions", [](Session& s) { starDataMode(s, 1); }},
    Command{"updateposi up",
            [](Session& s) {
              phot::updatePositions(s.console, s.state.settings, {s.state.camera.pixelSizeX, s.state.camera.pixelSizeY},
                                    s.state.starData);
            }},
    Command{"listalign showalign", [](Session& s) { align::listalign(s.console, s.state.alignment); }},
    Command{"updatemult um",
            [](Session& s) {
              s.state.residuals.reset();
              phot::updateMultiple(s.console, s.state.settings, {s.state.camera.pixelSizeX, s.state.camera.pixelSizeY},
                                   s.state.starData, s.state.alignment, s.state.paths.model1, s.state.residuals,
                                   s.state.ws.frameTime);
            }},
    Command{"loadpositi",
            [](Session& s) { phot::gsload(s.console, s.state.settings.workingPath, s.state.starData); }},
    Command{"showpositi listpositi", [](Session& s) { phot::gsshow(s.console, s.state.starData); }},
    Command{"fiducialst",
            [](Session& s) { phot::setfid(s.console, s.state.settings.workingPath, s.state.starData); }},
    Command{"positionli plf", [](Session& s) { positionli(s); }},
    Command{"dmag", [](Session& s) { dmagCommand(s); }},
    Command{"multiply", [](Session& s) { multiplyCommand(s); }},
    Command{"subtract", [](Session& s) { subtractCommand(s); }},
    Command{"dark", [](Session& s) { darkCommand(s); }},
    Command{"list", [](Session& s) { listCommand(s, 1); }},
    Command{"llist", [](Session& s) { listCommand(s, 0); }},
    Command{"list2", [](Session& s) { listCommand(s, 2); }},
    Command{"list3", [](Session& s) { listCommand(s, 3); }},
    Command{"q", [](Session& s) { quickList(s, 1); }},
    Command{"w", [](Session& s) { quickList(s, 2); }},
    Command{"e", [](Session& s) { quickList(s, 3); }},
    Command{"setfindsta", [](Session& s) { setfindsta(s); }},
    Command{"threshold", [](Session& s) { thresholdCommand(s); }},
    Command{"proximity",
            [](Session& s) {
              s.state.settings.findProximity =
                  s.console.askInt("   (integer) proximity for star finding (pixels) = ");
            }},
    Command{"reject", [](Session& s) { rejectCommand(s); }},
    Command{"findstars", [](Session& s) { findstarsCommand(s); }},
    Command{"avpix", [](Session& s) { avpixCommand(s); }},
    Command{"winavpix", [](Session& s) { winavpixCommand(s); }},
    Command{"sky", [](Session& s) { skyCommand(s); }},
    Command{"markobject", [](Session& s) { markobjectCommand(s); }},
    Command{"find", [](Session& s) { findCommand(s); }},
    Command{"setbox",
            [](Session& s) {
              std::vector<int32_t> b = s.console.askInts("   enter box (imin, imax, jmin, jmax) : ", 4);
              s.state.settings.searchBox = {b[0], b[1], b[2], b[3]};
            }},
    Command{"boxsize",
            [](Session& s) { s.state.interp.boxSize = s.console.askInt("    box size, odd number of pixels: "); }},
    Command{"romax",
            [](Session& s) { s.state.interp.psfZeroRadius = s.console.askReal("    enter romax (pixels): "); }},
    Command{"putbox", [](Session& s) { putbox(s); }},
    Command{"rphot",
            [](Session& s) {
              s.state.settings.apertureRadius = s.console.askReal("   enter aperture radius, pixels : ");
            }},
    Command{"rphots",
            [](Session& s) {
              s.state.settings.skyApertureRadius = s.console.askReal("   enter sky aperture radius, pixels : ");
            }},
    Command{"starlist", [](Session& s) { starlistCommand(s); }},
    Command{"target targets", [](Session& s) { targetsCommand(s); }},
    Command{"nstarlist", [](Session& s) { nstarlistCommand(s); }},
    Command{"dskylist", [](Session& s) { dskylistCommand(s); }},
    Command{"clearsky", [](Session& s) { clearskyCommand(s); }},
    Command{"focallengt",
            [](Session& s) { s.state.settings.focalLength = s.console.askReal("   enter focal length (mm) : "); }},
    Command{"secondorde", [](Session& s) { secondorde(s); }},
    Command{"trackdelay",
            [](Session& s) { s.state.settings.trackDelay = s.console.askReal(" enter tracking delay in hours : "); }},
    Command{"log", [](Session& s) { logCommand(s); }},
    Command{"stats", [](Session& s) { statsCommand(s); }},
    Command{"listratios", [](Session& s) { listratiosCommand(s); }},
    Command{"liststats", [](Session& s) { liststatsCommand(s); }},
    Command{"mark", [](Session& s) { markCommand(s); }},
    Command{"loadwithof", [](Session& s) { loadwithof(s); }},
    Command{"mask", [](Session& s) { maskCommand(s); }},
    Command{"contrast", [](Session& s) { contrastCommand(s); }},
    Command{"mosaic", [](Session& s) { mosaicCommand(s); }},
    Command{"rotatefram", [](Session& s) { rotateframCommand(s); }},
    Command{"save", [](Session& s) { saveCommand(s); }},
    Command{"markpath", [](Session& s) { markpathCommand(s); }},
    Command{"setpix", [](Session& s) { setpixCommand(s); }},
    Command{"setall", [](Session& s) { setallCommand(s); }},
    Command{"putstar", [](Session& s) { putstarCommand(s); }},
    Command{"skylock", [](Session& s) { skylock(s); }},
    Command{"skyfree",
            [](Session& s) {
              s.state.settings.skyLocked = 0;
              s.console.line("  normal sky calculation resumed");
            }},
    Command{"noisefloor",
            [](Session& s) {
              s.state.settings.noiseFloor = s.console.askReal("    enter noise floor (as fraction of signal): ");
            }},
    Command{"setgain", [](Session& s) { setgain(s); }},
    Command{"clear", [](Session& s) { image::init(s.console, s.state.ws); }},
    Command{"loadalign",
            [](Session& s) { (void)align::alload(s.console, s.state.settings.workingPath, s.state.alignment); }},
    Command{"savealign",
            [](Session& s) { (void)align::alsave(s.console, s.state.settings.workingPath, s.state.alignment); }},
    Command{"comment", [](Session& s) { commentCommand(s); }},
    Command{"subtractsk", [](Session& s) { subtractskCommand(s); }},
    Command{"openpathfi", [](Session& s) { openPathFile(s); }},
    Command{"closepathf", [](Session& s) { closePathFile(s); }},
    Command{"qpsf querypsf", [](Session& s) { phot::qrypsf(s.console, s.state.alignment, s.state.starData); }},
    Command{"readpsffil", [](Session& s) { readpsffilCommand(s); }},
    Command{"photometry", [](Session& s) { photometryCommand(s); }},
    Command{"psffiles", [](Session& s) { psffilesCommand(s); }},
    Command{"psffilesal", [](Session& s) { psffilesalCommand(s); }},
    Command{"photfiles", [](Session& s) { photfilesCommand(s); }},
    Command{"ephemeris", [](Session& s) { ephemerisCommand(s); }},
    Command{"lighttime", [](Session& s) { lighttimeCommand(s); }},
    Command{"phot2dmag", [](Session& s) { phot2dmagCommand(s); }},
    Command{"lcplot", [](Session& s) { lcplotCommand(s); }},
};

bool hasAlias(std::string_view keywords, std::string_view key) {
  size_t b = 0;
  while (b < keywords.size()) {
    size_t e = keywords.find(' ', b);
    if (e == std::string_view::npos) e = keywords.size();
    if (keywords.substr(b, e - b) == key) return true;
    b = e + 1;
  }
  return false;
}

}  // namespace

std::span<const Command> commandTable() { return kCommands; }

const Command* findCommand(std::string_view keyword) {
  std::string_view key = textio::trimRight(keyword);
  if (key.empty()) return nullptr;
  for (const Command& c : kCommands) {
    if (hasAlias(c.keywords, key)) return &c;
  }
  return nullptr;
}

}  // namespace app
