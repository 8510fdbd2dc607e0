// The vocabulary in the order of comparison. Each row: blank-separated aliases and the work.
#include "app/command_table.h"

#include <array>

#include "align/alignment_table.h"
#include "app/alignment_commands.h"
#include "app/alignr_command.h"
#include "app/astrometry_command.h"
#include "app/calib_commands.h"
#include "app/camera_commands.h"
#include "app/export_command.h"
#include "app/frame_commands.h"
#include "app/help_command.h"
#include "app/import_command.h"
#include "app/interpreter.h"
#include "app/lightcurve_commands.h"
#include "app/path_commands.h"
#include "app/period_commands.h"
#include "app/photometry_commands.h"
#include "app/report_command.h"
#include "app/photometry_dialogues.h"
#include "app/settings_commands.h"
#include "app/site_commands.h"
#include "app/sky_spot_command.h"
#include "app/stacking_commands.h"
#include "app/working_path.h"
#include "image/camera.h"
#include "image/file_list.h"
#include "image/file_names.h"
#include "image/workspaces.h"
#include "motion/path_model.h"
#include "motion/residuals.h"
#include "phot/position_refinement.h"
#include "phot/star_data.h"
#include "textio/fixed_text.h"
#include "textio/value_ranges.h"

namespace app {

namespace {

// stop, exit and x are handled before the table is consulted (end of script or program);
// their row keeps "stop;remark" and the like from running anything.
constexpr std::array kCommands{
    Command{"stop exit x", [](Session&) {},
            {kStartupGroup, "end a script, or the program at the keyboard",
             "",
             "",
             "a script returns to the keyboard; at the keyboard the program ends"}},
    Command{"pause", [](Session&) {},
            {kStartupGroup, "wait for <return> at the keyboard (also in a script)",
             ">[pause #<n>] press return to continue ...\n"
             "read from the keyboard; n counts the pauses of the run",
             "",
             ""}},  // served before comment stripping
    Command{"script", [](Session& s) { scriptCommand(s); },
            {kStartupGroup, "run the commands and answers of a script file",
             ">enter name of script file : <name>\n"
             "read from the keyboard; .txt is added when the name has no type",
             "reads the script file in the working path",
             "commands and answers then come from the script until its end or `stop`"}},
    Command{"icv", [](Session& s) { icvCommand(s); },
            {kSettingsGroup, "set the input control variable of the camera",
             ">enter input control variable: <n>\n"
             "sum of the decoding rules: +1 sign bit, +2 sign bit if BZERO is not 0,\n"
             "+4 invert the top bit if BZERO is not 0, +16 add BZERO,\n"
             "+32 subtract BZERO, +64 change sign; the decoding is then listed",
             "",
             "icv of the camera (not written to device.ccd)"}},
    Command{"init", [](Session& s) { initCommand(s); },
            {kFramesGroup, "clear workspaces 1, 2 and 3", "", "", ""}},
    Command{"path", [](Session& s) { pathCommand(s); },
            {kStartupGroup, "show or change the working path",
             ">enter path (or <return> to leave unchanged) : <path>\n"
             "the folder of every data file; a \\ is added at its end; a blank answer\n"
             "changes nothing",
             "writes path.dat (start folder); reloads align.dat and stardata.txt\n"
             "from the new path",
             "working path"}},
    Command{"camera", [](Session& s) { setcam(s); },
            {kStartupGroup, "install a camera setup file as device.ccd",
             ">camera setup file: <name>\n"
             "a file of the six device.ccd lines; .ccd is added when it has no type",
             "reads the camera setup file (start folder); writes device.ccd",
             "camera name, size, pixel size, gain, icv, date order; verbosity back to 0;\n"
             "search box 5 pixels inside the frame"}},
    Command{"device", [](Session& s) { image::discam(s.console, s.state.camera); },
            {kStartupGroup, "list the camera and the decoding of stored pixels",
             "",
             "",
             "camera definition (shown)"}},
    Command{"sornu", [](Session& s) { image::sornu(s.console, s.state.settings); },
            {kFramesGroup, "write sornu.bat to rename camera files img<n>.fit",
             ">have you done this Y/N [Y] \n"
             "n stops; DIR *.FIT>FILE.DIR must have listed the frames in file.dir\n"
             ">enter the file number for the first file: <n>\n"
             "the number of the first frame; later frames count up to 1000",
             "reads file.dir; writes sornu.bat (both in the working path)",
             ""}},
    Command{"dv dvload", [](Session& s) { dvload(s, image::DecodeListing::Print, false); },
            {kStartupGroup, "reload the camera definition from device.ccd",
             "",
             "reads device.ccd (start folder)",
             "camera definition; verbosity back to 0; search box 5 pixels inside\n"
             "the frame"}},
    Command{"filetypes filetype", [](Session& s) { filetypesCommand(s); },
            {kStartupGroup, "set the file types and the numbering of frames",
             ">enter file type for raw files [<code>] : \n"
             ">enter file type for dark corrected files [<code>] : \n"
             ">enter file type for dark and flat corrected files [<code>] : \n"
             "three characters without the dot; <return> keeps the code shown\n"
             ">enter the character(s) you wish to change : [<code>] : \n"
             "up to three characters written over the start of a corrected frame's\n"
             "name (f turns img001 into fmg001); ... clears them\n"
             ">enter choice [<code>] : \n"
             "numbering: 0 as many digits as needed, 1 to 5 that many digits with\n"
             "leading zeros; a longer answer asks again",
             "writes path.dat",
             "file-type codes"}},
    Command{"skysubtrac", [](Session& s) { skysubtrac(s); },
            {kSettingsGroup, "choose how sky positions give an object's sky",
             ">enter choice [1-3] : <n>\n"
             "1 average of all sky positions; 2 or 3 the two sky positions nearest\n"
             "a moving object, sorted in u or v (list them in increasing u or v)",
             "with the log on, 2 and 3 are noted in the log file",
             "sky subtraction method"}},
    Command{"filelist files", [](Session& s) { (void)image::gflist(s.console, s.state.settings); },
            {kFramesGroup, "enter the frames of the file list",
             ">enter filename : <name>\n"
             "the frames to use: a name, or a first name, .. and a last name for a\n"
             "numbered range; <return> ends a group and <return> again the list;\n"
             "... (or @) at the first question keeps filelist.txt as it is",
             "writes filelist.txt (working path)",
             "file count"}},
    Command{"dfc", [](Session& s) { dfcCommand(s); },
            {kCalibrationGroup, "dark- and flat-correct the frames of the file list",
             ">file to subtract (dark frame): <name>\n"
             "the dark, loaded with the raw type into workspace 2\n"
             ">normalising file (flat frame): <name>\n"
             "the flat, already dark-subtracted, loaded with the dark-corrected type\n"
             "into workspace 3; each frame then becomes\n"
             "(data-dark)*[average flat]/[flat pixel]; flat\n"
             "pixels at or below 0.3 of the average give 0\n"
             ">enter filename : <name>\n"
             "the frames to use: a name, or a first name, .. and a last name for a\n"
             "numbered range; <return> ends a group and <return> again the list;\n"
             "... (or @) at the first question keeps filelist.txt as it is",
             "reads the dark, the flat, filelist.txt and every raw frame of the list;\n"
             "writes each corrected frame with the dark+flat type, its name's start\n"
             "replaced by the overwrite characters",
             "file types and overwrite characters (`filetypes`)"}},
    Command{"dfs", [](Session& s) { dfsCommand(s); },
            {kCalibrationGroup, "correct the frames of the list and find their stars",
             ">file to subtract (dark frame): <name>\n"
             "the dark, loaded with the raw type into workspace 2\n"
             ">normalising file (flat frame): <name>\n"
             "the flat, already dark-subtracted, loaded with the dark-corrected type\n"
             "into workspace 3; a blank answer to either keeps that workspace\n"
             ">enter filename : <name>\n"
             "the frames to use: a name, or a first name, .. and a last name for a\n"
             "numbered range; <return> ends a group and <return> again the list;\n"
             "... (or @) at the first question keeps filelist.txt as it is",
             "reads as `dfc`; writes the corrected frames and stars.lst (one block of\n"
             "stars per frame, under the corrected name)",
             "file types; star list file becomes stars.lst; find threshold, proximity\n"
             "and search box (`setfindsta`, `setbox`)"}},
    Command{"s", [](Session& s) { sCommand(s); },
            {kCalibrationGroup, "find the stars of frames already corrected",
             ">enter filename : <name>\n"
             "the frames to use: a name, or a first name, .. and a last name for a\n"
             "numbered range; <return> ends a group and <return> again the list;\n"
             "... (or @) at the first question keeps filelist.txt as it is",
             "reads filelist.txt and the frames with the dark+flat type; writes\n"
             "stars.lst",
             "star list file becomes stars.lst; find threshold, proximity, search box"}},
    Command{"load", [](Session& s) { loadCommand(s); },
            {kFramesGroup, "clear workspace 1 and load a frame into it",
             ">file to load : <name>\n"
             "a frame name; without a type the raw type is used",
             "reads the FITS frame (working path)",
             "raw file type; frame date and time; image size"}},
    Command{"avfiles", [](Session& s) { avfiles(s); },
            {kStackingGroup, "average the frames of the file list, unshifted",
             ">enter filename : <name>\n"
             "the frames to use: a name, or a first name, .. and a last name for a\n"
             "numbered range; <return> ends a group and <return> again the list;\n"
             "... (or @) at the first question keeps filelist.txt as it is",
             "reads filelist.txt and the raw frames",
             ""}},
    Command{"maxstack", [](Session& s) { maxstackCommand(s); },
            {kStackingGroup, "stack in partial stacks of n frames (faint objects)",
             ">maximum permissible number of frames in a stack: <n>\n"
             "each partial stack is measured along the path model at once;\n"
             "`resetmaxst` ends it",
             "",
             "maximum stack size"}},
    Command{"resetmaxst",
            [](Session& s) {
              s.state.settings.maxStack = 9999;
              s.console.line("  normal image stacking resumed");
            },
            {kStackingGroup, "stack whole lists again",
             "",
             "",
             "maximum stack size back to 9999 (no limit)"}},
    Command{"stack", [](Session& s) { stack(s); },
            {kStackingGroup, "average the frames shifted by their alignment",
             ">enter filename : <name>\n"
             "the frames to use: a name, or a first name, .. and a last name for a\n"
             "numbered range; <return> ends a group and <return> again the list;\n"
             "... (or @) at the first question keeps filelist.txt as it is\n"
             "the frames are shifted by whole pixels; with `motionon` also by the\n"
             "object's motion, so the moving object stacks to a point",
             "reads align.dat, filelist.txt and the frames with the dark+flat type;\n"
             "partial stacks append to objectpath.txt while `openpathfi` holds it",
             "motion on/off, fwhm limit (`reject`), maximum stack size, path model 1"}},
    Command{"rstack", [](Session& s) { rstack(s); },
            {kStackingGroup, "stack with sub-pixel offsets and field rotation",
             ">enter filename : <name>\n"
             "the frames to use: a name, or a first name, .. and a last name for a\n"
             "numbered range; <return> ends a group and <return> again the list;\n"
             "... (or @) at the first question keeps filelist.txt as it is",
             "reads align.dat, filelist.txt and the frames with the dark+flat type",
             "motion on/off, fwhm limit (`reject`), maximum stack size, path model 1"}},
    Command{"astpsfpos", [](Session& s) { astpsfpos(s); },
            {kStackingGroup, "PSF position of the object on a stacked frame",
             "",
             "appends to objectpath.txt while `openpathfi` holds it open",
             "path model 1, sky box, PSF zero radius (`romax`), stack averages"}},
    Command{"align", [](Session& s) { alignCommand(s); },
            {kAlignmentGroup, "find each frame's offset from the fiducial frame",
             ">press return to continue \n"
             ">try to reject double images y/n [y] : \n"
             "n uses the last match when the fiducial pattern is found twice",
             "reads stars.fid and the star list file; writes align.dat and align.txt,\n"
             "then loads align.dat",
             "star list file (`positionli`), match tolerance (`tolerance`)"}},
    Command{"alignr", [](Session& s) { alignrCommand(s); },
            {kAlignmentGroup, "find each frame's offset and field rotation",
             ">press return to continue \n"
             ">try to reject double images y/n [y] \n"
             ">enter choice [1]: \n"
             "1 rotation from scratch; 2 rotation from rotate.mdl (`fitrot`)\n"
             ">enter choice [1]: \n"
             "asked for 1 only: 1 frames within 5 degrees, 2 any orientation",
             "reads stars.fid, the star list file and rotate.mdl (choice 2); writes\n"
             "align.dat, align.txt and rotationfit.txt (choice 2), then loads align.dat",
             "star list file, match tolerance, camera size and pixel size"}},
    Command{"allist", [](Session& s) { align::allist(s.console, s.state.alignment); },
            {kAlignmentGroup, "list the first 12 entries of the alignment table", "", "", ""}},
    Command{"fitrotatio fitrot", [](Session& s) { fitrotCommand(s); },
            {kFittingGroup, "fit a polynomial to the rotations of align.dat",
             ">order of fit (1=linear, 2=quadratic etc): <n>\n"
             "0 to 6; above 6 is asked again",
             "reads align.dat; writes xy.dat, normaleq.dat, coeffs.dat and rotate.mdl",
             ""}},
    Command{"fitpath fittrack", [](Session& s) { fitpathCommand(s, motion::PathEpoch::FirstPosition); },
            {kFittingGroup, "fit the path model to objectpath.txt",
             ">order of fit (1=linear, 2=quadratic etc): <n> [<n>]\n"
             "the first digit is the u order, the last the v order (2 3: u 2, v 3);\n"
             "above 5 is asked again",
             "reads objectpath.txt; writes tu.dat, unormaleq.dat, ucoeffs.dat, tv.dat,\n"
             "vnormaleq.dat, vcoeffs.dat, upath.mdl and vpath.mdl; then loads them",
             "path model 1 (t0 = first time of objectpath.txt)"}},
    Command{"fitstacked", [](Session& s) { fitpathCommand(s, motion::PathEpoch::Model2); },
            {kFittingGroup, "fit the path model with model 2's zero time",
             ">order of fit (1=linear, 2=quadratic etc): <n> [<n>]\n"
             "as for `fitpath`",
             "as `fitpath`",
             "path model 1 (t0 from path model 2)"}},
    Command{"loadpath",
            [](Session& s) { (void)motion::rdpth(s.console, s.state.settings.workingPath, s.state.paths); },
            {kFittingGroup, "load path model 1 from upath.mdl and vpath.mdl",
             "",
             "reads upath.mdl and vpath.mdl",
             "path model 1"}},
    Command{"loadpath2",
            [](Session& s) { (void)motion::rdpth2(s.console, s.state.settings.workingPath, s.state.paths); },
            {kFittingGroup, "load path model 2 from upath2.mdl and vpath2.mdl",
             "",
             "reads upath2.mdl and vpath2.mdl",
             "path model 2"}},
    Command{"savepath",
            [](Session& s) { (void)motion::svpth(s.console, s.state.settings.workingPath, s.state.paths); },
            {kFittingGroup, "save path model 1 to upath.mdl and vpath.mdl",
             "",
             "writes upath.mdl and vpath.mdl",
             ""}},
    Command{"savepath2",
            [](Session& s) { (void)motion::svpth2(s.console, s.state.settings.workingPath, s.state.paths); },
            {kFittingGroup, "save path model 2 to upath2.mdl and vpath2.mdl",
             "",
             "writes upath2.mdl and vpath2.mdl",
             ""}},
    Command{"copypath12", [](Session& s) { motion::cpth12(s.console, s.state.paths); },
            {kFittingGroup, "copy path model 1 to path model 2",
             "",
             "",
             "path model 2"}},
    Command{"addpath", [](Session& s) { motion::addpth(s.console, s.state.settings.workingPath, s.state.paths); },
            {kFittingGroup, "add model 2's motion to model 1 and save model 1",
             "",
             "writes upath.mdl and vpath.mdl",
             "path model 1 (both models need the same zero time)"}},
    Command{"showpath", [](Session& s) { motion::spmcf(s.console, s.state.paths.model1); },
            {kFittingGroup, "list path model 1", "", "", ""}},
    Command{"estimatepa ep", [](Session& s) { estimatepaCommand(s); },
            {kFittingGroup, "straight-line path from two measured positions",
             ">image name #1 = <name>\n"
             "a frame of the alignment table (its file type is ignored)\n"
             ">u1, v1 = <u> <v>\n"
             "the object's position in that frame\n"
             ">image name #2 = <name>\n"
             ">u2, v2 = <u> <v>\n"
             "the second frame and the object's position in it",
             "",
             "path models 1 and 2 (not saved); `motionon` then makes measuring follow it"}},
    Command{"testpath", [](Session& s) { testpathCommand(s); },
            {kFittingGroup, "position of path model 1 at a time",
             ">t = <hours>\n"
             "the time, on the alignment table's scale (24.x after midnight)",
             "",
             "frame time"}},
    Command{"diffpath", [](Session& s) { diffpathCommand(s); },
            {kFittingGroup, "compare path models 1 and 2 at a time",
             ">t = <hours>\n"
             "as for `testpath`",
             "",
             "frame time"}},
    Command{"resetresid",
            [](Session& s) {
              s.state.residuals.reset();
              s.console.line("  residual arrays reset");
            },
            {kFittingGroup, "clear the position residuals", "", "", ""}},
    Command{"rejectresi rr",
            [](Session& s) { motion::rejrsd(s.console, s.state.residuals, s.state.alignment); },
            {kFittingGroup, "mark frames with large path residuals as unusable",
             ">reject images with rms residual > <pixels>\n"
             "read from the keyboard; frames above it get du = dv = 9999",
             "",
             "alignment table in memory (`savealign` keeps it, `loadalign` undoes it)"}},
    Command{"residuals res", [](Session& s) { motion::rsdst(s.console, s.state.residuals); },
            {kFittingGroup, "list the position residuals and their median", "", "", ""}},
    Command{"motionon",
            [](Session& s) {
              s.state.settings.motionOn = 1;
              s.console.line("  object motion switched on for first object in star data lists");
              s.console.line("  EXCEPT for PSFFILES, where moving object is SECOND object");
            },
            {kStackingGroup, "follow the moving object with path model 1",
             "",
             "",
             "motion on: photometry, stacking and `updatemult` use the path model for\n"
             "the first object (the second for `psffiles`)"}},
    Command{"motionoff",
            [](Session& s) {
              s.state.settings.motionOn = 0;
              s.console.line("  object motion switched off");
            },
            {kStackingGroup, "stop following the moving object",
             "",
             "",
             "motion off"}},
    Command{"photnoalig", [](Session& s) { s.state.interp.photAlign = 0; },
            {kSettingsGroup, "clear the photometry alignment flag (no effect)",
             "",
             "",
             "photometry alignment flag (no command reads it)"}},
    Command{"photalign", [](Session& s) { s.state.interp.photAlign = 1; },
            {kSettingsGroup, "set the photometry alignment flag (no effect)",
             "",
             "",
             "photometry alignment flag (no command reads it)"}},
    Command{"softapertu soft", [](Session& s) { softAperture(s); },
            {kPhotometryGroup, "measure with the soft (sub-pixel) circular aperture",
             "",
             "",
             "aperture type soft; radius from `rphot`"}},
    Command{"hardapertu hard", [](Session& s) { hardAperture(s); },
            {kPhotometryGroup, "measure with the hard (whole-pixel) aperture",
             "",
             "",
             "aperture type hard; radius from `rphot`"}},
    Command{"hardaverag hardmean", [](Session& s) { hardMean(s); },
            {kPhotometryGroup, "hard aperture, recording the mean pixel value",
             "",
             "",
             "aperture type hdav; radius from `rphot`"}},
    Command{"optimalext optimal", [](Session& s) { optimalAperture(s); },
            {kPhotometryGroup, "measure by optimal extraction (weighted by the PSF)",
             "",
             "",
             "aperture type opti; the PSF of each frame is looked up in stars.psf\n"
             "(`psffiles` makes it); PSF zero radius from `romax`"}},
    Command{"checkposit", [](Session& s) { s.state.interp.apertureType = "chec"; },
            {kPhotometryGroup, "re-centre the objects and report their displacement",
             "",
             "",
             "aperture type chec"}},
    Command{"psf", [](Session& s) { s.state.interp.apertureType = "psf "; },
            {kPhotometryGroup, "fit the PSF of object 1 and the others' positions",
             "",
             "",
             "aperture type psf"}},
    Command{"refineposi", [](Session& s) { s.state.interp.apertureType = "chec"; },
            {kPhotometryGroup, "the same as `checkposit`",
             "",
             "",
             "aperture type chec"}},
    Command{"marksky", [](Session& s) { s.state.interp.markSky = 1; },
            {kPhotometryGroup, "mark the sky patches in the measured frame",
             "",
             "",
             "mark-sky flag on"}},
    Command{"unmarksky", [](Session& s) { s.state.interp.markSky = 0; },
            {kPhotometryGroup, "stop marking the sky patches",
             "",
             "",
             "mark-sky flag off"}},
    Command{"filter", [](Session& s) { s.console.answer(); },
            {kSettingsGroup, "read one line and ignore it (a filter name)",
             "one line is read from the current input and discarded",
             "",
             ""}},
    Command{"verbosity verb",
            [](Session& s) { s.state.settings.verbosity = s.console.askInt("   verbosity level : ", textio::kAnyInteger); },
            {kSettingsGroup, "set how much diagnostic output is printed",
             ">verbosity level : <n>\n"
             "0 (default) prints least; 2 and more trace the photometry",
             "",
             "verbosity"}},
    Command{"outputsky",
            [](Session& s) {
              s.state.interp.outputFormat = 1;
              s.console.line("   output file will list sky values for each object");
            },
            {kPhotometryGroup, "photometry records list each object's sky",
             "",
             "",
             "output format 1"}},
    Command{"outputerro",
            [](Session& s) {
              s.state.interp.outputFormat = 2;
              s.console.line("   output file will list 1-sigma errors for each object");
            },
            {kPhotometryGroup, "photometry records list each object's 1-sigma error",
             "",
             "",
             "output format 2"}},
    Command{"skybox", [](Session& s) { skyboxCommand(s); },
            {kPhotometryGroup, "set the side of the automatic sky box",
             ">length of side of square box for sky determination : <pixels>\n"
             "21 to 99 (default 50); other values are asked again",
             "",
             "sky box"}},
    Command{"skyclipped",
            [](Session& s) {
              s.state.settings.skyEstimator = textio::fixed("clipped mean", 20);
              s.console.line("    automatic sky estimation by clipped mean");
            },
            {kPhotometryGroup, "automatic sky by clipped mean (the default)",
             "",
             "",
             "sky estimator"}},
    Command{"skymedian",
            [](Session& s) {
              s.state.settings.skyEstimator = textio::fixed("median", 20);
              s.console.line("    automatic sky estimation by median");
            },
            {kPhotometryGroup, "automatic sky by median",
             "",
             "",
             "sky estimator"}},
    Command{"tolerance",
            [](Session& s) {
              s.state.settings.matchTolerance =
                  s.console.askReal("   tolerance (horizontal pixels) for position matching : ", textio::kTolerance);
            },
            {kSettingsGroup, "set the position-matching tolerance",
             ">tolerance (horizontal pixels) for position matching : <pixels>\n"
             "default 2.0; used by alignment and position refinement",
             "",
             "match tolerance"}},
    Command{"psfsearchb",
            [](Session& s) {
              s.state.settings.psfSearchHalfWidth = s.console.askReal("   half width of psf searching box : ", textio::kRadiusOrZero);
            },
            {kPhotometryGroup, "set the half width of the PSF search box",
             ">half width of psf searching box : <pixels>\n"
             "default 2.1",
             "",
             "PSF search half width"}},
    Command{"clearposit", [](Session& s) { starDataMode(s, 0); },
            {kAlignmentGroup, "empty the star data table (not saved)", "", "", ""}},
    Command{"startposit", [](Session& s) { starDataMode(s, 19); },
            {kAlignmentGroup, "copy approximate positions to refined positions",
             "",
             "writes stardata.txt",
             "refined positions (the fiducial star positions `fiducialst` writes)"}},
    Command{"copypositi", [](Session& s) { starDataMode(s, 9); },
            {kAlignmentGroup, "copy refined positions to approximate positions",
             ">Enter short name of object (e.g. asteroid) you wish to omit:<code>\n"
             "read from the keyboard; that object keeps its approximate position",
             "writes stardata.txt",
             ""}},
    Command{"resetposit", [](Session& s) { starDataMode(s, 10); },
            {kAlignmentGroup, "clear the refined positions",
             "",
             "writes stardata.txt",
             ""}},
    Command{"positions", [](Session& s) { starDataMode(s, 1); },
            {kAlignmentGroup, "add objects to the star data table",
             ">enter short code (max 5 chars) or <return> if finished : <code>\n"
             "the code by which every command names the object (case counts)\n"
             ">enter full name (max 20 chars, optional) : <name>\n"
             ">enter approximate u,v : <u> <v>\n"
             "its position in the fiducial frame; asked again for the next object",
             "writes stardata.txt",
             ""}},
    Command{"updateposi up",
            [](Session& s) {
              phot::updatePositions(s.console, s.state.settings, {s.state.camera.pixelSizeX, s.state.camera.pixelSizeY},
                                    s.state.starData, phot::rowLimit(s.state.ws.capacity()));
            },
            {kAlignmentGroup, "refine positions from the first frame of the list",
             ">press return to continue ... ",
             "reads the star list file; writes stardata.txt",
             "star list file (`positionli`), match tolerance (`tolerance`)"}},
    Command{"listalign showalign", [](Session& s) { align::listalign(s.console, s.state.alignment); },
            {kAlignmentGroup, "list every entry of the alignment table", "", "", ""}},
    Command{"updatemult um",
            [](Session& s) {
              s.state.residuals.reset();
              phot::updateMultiple(s.console, s.state.settings, {s.state.camera.pixelSizeX, s.state.camera.pixelSizeY},
                                   s.state.starData, s.state.alignment, s.state.paths.model1, s.state.residuals,
                                   s.state.ws.frameTime, phot::rowLimit(s.state.ws.capacity()));
            },
            {kAlignmentGroup, "refine positions from all aligned frames; track one",
             ">do this for star [<code>] :<code>\n"
             "the object to track; <return> takes the first object of the table\n"
             ">allow free tracking of this object? [n] :\n"
             "y searches each frame about the last position (or the path model with\n"
             "`motionon`)",
             "reads the star list file and align.dat (in memory); writes\n"
             "objectpath.txt and stardata.txt",
             "star list file, match tolerance, motion on/off, path model 1; the\n"
             "residuals are cleared and recorded again"}},
    Command{"loadpositi",
            [](Session& s) { phot::gsload(s.console, s.state.settings.workingPath, s.state.starData); },
            {kAlignmentGroup, "reload the star data table from stardata.txt",
             "",
             "reads stardata.txt",
             ""}},
    Command{"showpositi listpositi", [](Session& s) { phot::gsshow(s.console, s.state.starData); },
            {kAlignmentGroup, "list the star data table", "", "", ""}},
    Command{"fiducialst",
            [](Session& s) { phot::setfid(s.console, s.state.settings.workingPath, s.state.starData); },
            {kAlignmentGroup, "choose the fiducial stars and write stars.fid",
             ">enter short code for fiducial star, or <return> to finish : <code>\n"
             "up to 20 codes; each star's refined position is written",
             "writes stars.fid",
             ""}},
    Command{"positionli plf", [](Session& s) { positionli(s); },
            {kSettingsGroup, "name the star list file to use",
             ">enter new name, or <return> to continue : <name>\n"
             "the list read by `align`, `alignr`, `updateposi` and `updatemult`",
             "",
             "star list file"}},
    Command{"dmag", [](Session& s) { dmagCommand(s); },
            {kLightCurveGroup, "normalised values or magnitudes from a table",
             ">input file [<log file name>] = <name>\n"
             "all answers are read from the keyboard, also in a script;\n"
             "<return> takes the name shown; without a type .dat is added\n"
             ">enter short name for the reference star : <code>\n"
             "asked for slots 1 to 10 in turn; <return> leaves a slot empty (the\n"
             "first needs a star); the normaliser is the mean of the stars given\n"
             ">enter minimum value for <star> : <value>\n"
             "lines where the first reference star is below it are skipped\n"
             ">output on as magnitudes ?    y/n [n] \n"
             ">enter zero point : <mag>\n"
             "asked only for magnitudes\n"
             ">enter code : \n"
             "time correction: <return> UTC, b BST throughout, s switches to BST at\n"
             "2 am, a switches to UTC at 2 am",
             "reads the table <name>.dat; writes <name>.res (working path)",
             "ephemeris and light-time switch (`ephemeris`, `lighttime`)"}},
    Command{"multiply", [](Session& s) { multiplyCommand(s); },
            {kFramesGroup, "multiply workspace 1 by a factor",
             ">factor by which to multiply data : <factor>\n"
             "results are kept within 0..65535",
             "",
             "multiply factor"}},
    Command{"subtract", [](Session& s) { subtractCommand(s); },
            {kFramesGroup, "subtract a value from every pixel of workspace 1",
             ">value to subtract from all pixels : <n>\n"
             "results are kept within 0..65535",
             "",
             ""}},
    Command{"dark", [](Session& s) { darkCommand(s); },
            {kCalibrationGroup, "subtract a dark frame from workspace 1",
             ">file to subtract (dark frame): <name>\n"
             "loaded with the raw type into workspace 2; pixels never go below 0",
             "reads the dark frame",
             "raw file type"}},
    Command{"list", [](Session& s) { listCommand(s, 1); },
            {kFramesGroup, "show 11 x 11 pixels of workspace 1 and their rms",
             ">list pixel values of 11*11 array centred on i,j = <i> <j>",
             "also to the log file while it is open",
             ""}},
    Command{"llist", [](Session& s) { listCommand(s, 0); },
            {kFramesGroup, "show 11 x 11 pixels of workspace 1, one per line",
             ">list pixel values of 11*11 array centred on i,j = <i> <j>",
             "also to the log file while it is open",
             ""}},
    Command{"list2", [](Session& s) { listCommand(s, 2); },
            {kFramesGroup, "show 11 x 11 pixels of workspace 2",
             ">list pixel values of 11*11 array centred on i,j = <i> <j>",
             "also to the log file while it is open",
             ""}},
    Command{"list3", [](Session& s) { listCommand(s, 3); },
            {kFramesGroup, "show 11 x 11 pixels of workspace 3",
             ">list pixel values of 11*11 array centred on i,j = <i> <j>",
             "also to the log file while it is open",
             ""}},
    Command{"q", [](Session& s) { quickList(s, 1); },
            {kFramesGroup, "show workspace 1 around pixel 100, 100", "", "", ""}},
    Command{"w", [](Session& s) { quickList(s, 2); },
            {kFramesGroup, "show workspace 2 around pixel 100, 100", "", "", ""}},
    Command{"e", [](Session& s) { quickList(s, 3); },
            {kFramesGroup, "show workspace 3 around pixel 100, 100", "", "", ""}},
    Command{"setfindsta", [](Session& s) { setfindsta(s); },
            {kCalibrationGroup, "set the star-finding threshold and proximity",
             ">threshold (above mean pixel), iprox = <counts> <pixels>\n"
             "counts above the sky (default 100); closer stars than the proximity\n"
             "(default 4) remove the fainter one",
             "",
             "find threshold, find proximity"}},
    Command{"threshold", [](Session& s) { thresholdCommand(s); },
            {kCalibrationGroup, "set the star-finding threshold",
             ">star finding threshold (above median pixel) = <counts>\n"
             "its whole part is kept (default 100)",
             "",
             "find threshold"}},
    Command{"proximity",
            [](Session& s) {
              s.state.settings.findProximity =
                  s.console.askInt("   (integer) proximity for star finding (pixels) = ", textio::kPixelDistance);
            },
            {kCalibrationGroup, "set the star-finding proximity",
             ">(integer) proximity for star finding (pixels) = <pixels>\n"
             "default 4",
             "",
             "find proximity"}},
    Command{"reject", [](Session& s) { rejectCommand(s); },
            {kSettingsGroup, "refuse frames whose integer fwhm is larger",
             ">reject images with integer fwhm > <pixels>\n"
             "rounded to whole pixels (default 3); used by stacking and photometry",
             "",
             "fwhm limit"}},
    Command{"findstars", [](Session& s) { findstarsCommand(s); },
            {kCalibrationGroup, "find the stars of workspace 1 into stars1.lst",
             "",
             "writes stars1.lst",
             "star list file becomes stars1.lst; find threshold, proximity, search box"}},
    Command{"avpix", [](Session& s) { avpixCommand(s); },
            {kFramesGroup, "mean pixel value of workspace 1",
             "",
             "also to the log file while it is open",
             ""}},
    Command{"winavpix", [](Session& s) { winavpixCommand(s); },
            {kFramesGroup, "mean pixel value of a box of workspace 1",
             ">box imin, imax, jmin, jmax and input value : <i1> <i2> <j1> <j2> <n>\n"
             "the box (inside the frame) and a number written beside it in the log",
             "also to the log file while it is open",
             ""}},
    Command{"sky", [](Session& s) { skyCommand(s); },
            {kCalibrationGroup, "quick sky estimate of workspace 1",
             "",
             "",
             "search box (`setbox`)"}},
    Command{"markobject", [](Session& s) { markobjectCommand(s); },
            {kFramesGroup, "draw tick marks around a position in workspace 1",
             ">object u, v, mark du, dv: <u> <v> <r1> <r2>\n"
             "the position and the inner and outer distance of the ticks\n"
             ">mark to left, right, up and/or down? enter l, r, u or d:<letters>",
             "",
             ""}},
    Command{"find", [](Session& s) { findCommand(s); },
            {kCalibrationGroup, "centroid of the brightest star in the search box",
             "",
             "also to the log file while it is open",
             "search box (`setbox`, `putbox`)"}},
    Command{"setbox",
            [](Session& s) {
              std::vector<int32_t> b = s.console.askInts("   enter box (imin, imax, jmin, jmax) : ", 4, textio::kCoordinate);
              s.state.settings.searchBox = {b[0], b[1], b[2], b[3]};
            },
            {kCalibrationGroup, "set the search box for star finding",
             ">enter box (imin, imax, jmin, jmax) : <i1> <i2> <j1> <j2>\n"
             "negative imax or jmax count from the far edge of the next frame loaded",
             "",
             "search box"}},
    Command{"boxsize",
            [](Session& s) { s.state.interp.boxSize = s.console.askInt("    box size, odd number of pixels: ", textio::kBoxSide); },
            {kCalibrationGroup, "set the box size used by `putbox`",
             ">box size, odd number of pixels: <n>",
             "",
             "box size"}},
    Command{"romax",
            [](Session& s) { s.state.interp.psfZeroRadius = s.console.askReal("    enter romax (pixels): ", textio::kRadiusOrZero); },
            {kPhotometryGroup, "set the radius beyond which the PSF is zero",
             ">enter romax (pixels): <pixels>\n"
             "default 3.5",
             "",
             "PSF zero radius"}},
    Command{"putbox", [](Session& s) { putbox(s); },
            {kCalibrationGroup, "centre the search box on a pixel",
             ">box centre at i,j = <i> <j>\n"
             "the box takes the size given to `boxsize`",
             "",
             "search box"}},
    Command{"rphot",
            [](Session& s) {
              s.state.settings.apertureRadius = s.console.askReal("   enter aperture radius, pixels : ", textio::kRadius);
            },
            {kPhotometryGroup, "set the aperture radius",
             ">enter aperture radius, pixels : <pixels>\n"
             "default 2.0",
             "",
             "aperture radius"}},
    Command{"rphots",
            [](Session& s) {
              s.state.settings.skyApertureRadius = s.console.askReal("   enter sky aperture radius, pixels : ", textio::kRadius);
            },
            {kPhotometryGroup, "set the radius of the sky patches",
             ">enter sky aperture radius, pixels : <pixels>",
             "",
             "sky aperture radius"}},
    Command{"starlist", [](Session& s) { starlistCommand(s); },
            {kPhotometryGroup, "type the positions of the photometry objects",
             ">number of stars (max 10) : <n>\n"
             ">star <k>   i,j = <u> <v>\n"
             "each object's position in the fiducial frame; labels stay as they are",
             "",
             "photometry objects"}},
    Command{"target targets", [](Session& s) { targetsCommand(s); },
            {kPhotometryGroup, "read a target block without prompts (not used)",
             "reads, with no prompt: a name, a code, four numbers, then name and\n"
             "code pairs until a blank name (at most nine)",
             "",
             ""}},
    Command{"nstarlist", [](Session& s) { nstarlistCommand(s); },
            {kPhotometryGroup, "type the labels and positions of the objects",
             ">number of stars (max 10) : <n>\n"
             ">star label : <code>\n"
             ">star <k>   i,j = <u> <v>\n"
             "label and position are asked for each object in turn",
             "",
             "photometry objects and their labels"}},
    Command{"dskylist", [](Session& s) { dskylistCommand(s); },
            {kPhotometryGroup, "give sky positions for one photometry object",
             ">name of object : <label>\n"
             "a label of the photometry objects; an unknown label ends the command\n"
             ">number of sky positions (max 20) : <n>\n"
             ">sky offset, du,dv : <du> <dv>\n"
             "each sky position as an offset from the object (so it follows a\n"
             "moving object)",
             "",
             "sky offsets of the object"}},
    Command{"clearsky", [](Session& s) { clearskyCommand(s); },
            {kPhotometryGroup, "forget every sky position",
             "",
             "",
             "sky offsets"}},
    Command{"focallengt",
            [](Session& s) { s.state.settings.focalLength = s.console.askReal("   enter focal length (mm) : ", textio::kAnyReal); },
            {kSettingsGroup, "set the focal length (not used)",
             ">enter focal length (mm) : <mm>",
             "",
             "focal length"}},
    Command{"secondorde", [](Session& s) { secondorde(s); },
            {kSettingsGroup, "set second-order offset terms (not used)",
             ">enter quadratic, linear, constant terms for du : <a> <b> <c>\n"
             ">enter quadratic, linear, constant terms for dv : <a> <b> <c>",
             "",
             "second-order terms"}},
    Command{"trackdelay",
            [](Session& s) { s.state.settings.trackDelay = s.console.askReal(" enter tracking delay in hours : ", textio::kHours); },
            {kSettingsGroup, "set a tracking delay (not used)",
             ">enter tracking delay in hours : <hours>",
             "",
             "tracking delay"}},
    Command{"log", [](Session& s) { logCommand(s); },
            {kStartupGroup, "open the log file, or close it when open",
             ">enter name of log file [pelmlog.txt] : <name>\n"
             "asked when opening; .txt is added when the name has no type",
             "writes the log file (working path); it is also the photometry output file",
             "log on/off; log file name"}},
    Command{"stats", [](Session& s) { statsCommand(s); },
            {kLightCurveGroup, "load a photometry output file for statistics",
             ">enter name of file to do statistics of <name>\n"
             "<return> does nothing\n"
             ">enter short code for normalising star (<return> to finish): <code>\n"
             "the stars whose summed signal divides every star's signal",
             "reads the photometry output file",
             "log file name"}},
    Command{"listratios", [](Session& s) { listratiosCommand(s); },
            {kLightCurveGroup, "list the normalised signals (log must be open)",
             "",
             "to the console and the log file",
             ""}},
    Command{"liststats", [](Session& s) { liststatsCommand(s); },
            {kLightCurveGroup, "means and scatter of the normalised signals",
             "",
             "to the console and the log file; does nothing while the log is closed",
             ""}},
    Command{"mark", [](Session& s) { markCommand(s); },
            {kFramesGroup, "mark a position in workspace 1 with two bars",
             ">mark object at i,j = <i> <j>",
             "",
             ""}},
    Command{"loadwithof", [](Session& s) { loadwithof(s); },
            {kFramesGroup, "load a frame shifted by whole pixels",
             ">file to load : <name>\n"
             ">i offset, j offset : <i> <j>",
             "reads the frame (raw type unless typed)",
             ""}},
    Command{"mask", [](Session& s) { maskCommand(s); },
            {kFramesGroup, "set every pixel outside a box to 0",
             ">mask area outside imin, imax, jmin, jmax : <i1> <i2> <j1> <j2>",
             "",
             ""}},
    Command{"contrast", [](Session& s) { contrastCommand(s); },
            {kFramesGroup, "stretch the pixels above a baseline",
             ">enhance contrast; baseline, scale = : <level> <factor>",
             "",
             ""}},
    Command{"mosaic", [](Session& s) { mosaicCommand(s); },
            {kFramesGroup, "unfinished: clears workspace 1 and says so", "", "", ""}},
    Command{"rotatefram", [](Session& s) { rotateframCommand(s); },
            {kFramesGroup, "unfinished: loads a frame and says so",
             ">frame to rotate to fiducial position : <name>",
             "reads the frame",
             "frame time"}},
    Command{"save", [](Session& s) { saveCommand(s); },
            {kFramesGroup, "write workspace 1 as a FITS frame",
             ">file to write to : <name>\n"
             "without a type the raw type is used\n"
             ">you may be overwriting a raw image file; proceed? Y/N [N] \n"
             "asked for names that look like raw frames (img...) and before\n"
             "replacing a file not written in this session; only y writes",
             "writes the FITS frame with the header of the frame last loaded",
             "raw file type, icv"}},
    Command{"markpath", [](Session& s) { markpathCommand(s); },
            {kFramesGroup, "mark the positions listed in a file",
             ">log file containing path : <name>\n"
             "the last two numbers of each line after the '    y  m  d' line\n"
             ">offset  du, dv : <du> <dv>",
             "reads the named file",
             ""}},
    Command{"setpix", [](Session& s) { setpixCommand(s); },
            {kFramesGroup, "set one pixel of workspace 1",
             ">i, j,  value : <i> <j> <value>",
             "",
             ""}},
    Command{"setall", [](Session& s) { setallCommand(s); },
            {kFramesGroup, "set every pixel of workspace 1",
             ">value for all pixels : <value>",
             "",
             ""}},
    Command{"putstar", [](Session& s) { putstarCommand(s); },
            {kFramesGroup, "add an artificial star to workspace 1",
             ">star u,v, height, r, e, t: <u> <v> <height> <r> <e>\n"
             "r (size) and e (ellipticity) must be above 0",
             "",
             ""}},
    Command{"skylock", [](Session& s) { skylock(s); },
            {kPhotometryGroup, "force the sky to a fixed value and deviation",
             ">enter forced sky value, sd: <sky> <sd>",
             "",
             "forced sky (`skyfree` ends it)"}},
    Command{"skyfree",
            [](Session& s) {
              s.state.settings.skyLocked = 0;
              s.console.line("  normal sky calculation resumed");
            },
            {kPhotometryGroup, "measure the sky again",
             "",
             "",
             "forced sky off"}},
    Command{"noisefloor",
            [](Session& s) {
              s.state.settings.noiseFloor = s.console.askReal("    enter noise floor (as fraction of signal): ", textio::kFactor);
            },
            {kPhotometryGroup, "set the noise floor of optimal extraction",
             ">enter noise floor (as fraction of signal): <fraction>",
             "",
             "noise floor"}},
    Command{"setgain", [](Session& s) { setgain(s); },
            {kStartupGroup, "set the camera gain",
             ">enter camera gain (electrons/ADU) : <gain>\n"
             "must be above 0 (otherwise 1.0 is used); not written to device.ccd",
             "",
             "gain"}},
    Command{"clear", [](Session& s) { image::init(s.console, s.state.ws); },
            {kFramesGroup, "clear workspace 1", "", "", ""}},
    Command{"loadalign",
            [](Session& s) { (void)align::alload(s.console, s.state.settings.workingPath, s.state.alignment); },
            {kAlignmentGroup, "load the alignment table from align.dat",
             "",
             "reads align.dat",
             "alignment table"}},
    Command{"savealign",
            [](Session& s) { (void)align::alsave(s.console, s.state.settings.workingPath, s.state.alignment); },
            {kAlignmentGroup, "save the alignment table to align.dat",
             "",
             "writes align.dat",
             ""}},
    Command{"comment", [](Session& s) { commentCommand(s); },
            {kStartupGroup, "write a typed line to the log file",
             "only while the log is open; nothing is read otherwise:\n"
             ">enter comment for log file : <text>",
             "writes to the log file",
             ""}},
    Command{"subtractsk", [](Session& s) { subtractskCommand(s); },
            {kFramesGroup, "subtract 0.9 of the quick sky estimate",
             "",
             "",
             "search box"}},
    Command{"openpathfi", [](Session& s) { openPathFile(s); },
            {kStackingGroup, "open objectpath.txt for path photometry",
             "",
             "writes objectpath.txt (replaced) until `closepathf`",
             ""}},
    Command{"closepathf", [](Session& s) { closePathFile(s); },
            {kStackingGroup, "close objectpath.txt", "", "", ""}},
    Command{"qpsf querypsf", [](Session& s) { phot::qrypsf(s.console, s.state.alignment, s.state.starData); },
            {kPhotometryGroup, "show the PSF size stored for a frame",
             ">enter filename: <name>\n"
             "read from the keyboard",
             "",
             ""}},
    Command{"readpsffil", [](Session& s) { readpsffilCommand(s); },
            {kPhotometryGroup, "read the frames' PSF sizes from stars.psf",
             "",
             "reads stars.psf",
             "star list file becomes stars.psf"}},
    Command{"photometry", [](Session& s) { photometryCommand(s); },
            {kPhotometryGroup, "choose the objects and measure the file list",
             ">enter short code for  star, or <return> to finish : <code>\n"
             "up to ten objects of the star data table, by their code\n"
             "(the weighting star first for optimal extraction)\n"
             ">press <return> to continue...\n"
             "only after the tenth object\n"
             ">enter filename : <name>\n"
             "the frames to use: a name, or a first name, .. and a last name for a\n"
             "numbered range; <return> ends a group and <return> again the list;\n"
             "... (or @) at the first question keeps filelist.txt as it is\n"
             ">process image without alignment ? Y/N [Y] \n"
             "only for a list of one frame that is not aligned",
             "reads align.dat, filelist.txt, stars.lst and the frames (dark+flat type);\n"
             "with the log open, writes the photometry output file (the log); writes\n"
             "photflags.txt (each measurement's contamination flag)",
             "aperture type, radius, sky settings, output format, fwhm limit, motion"}},
    Command{"psffiles", [](Session& s) { psffilesCommand(s); },
            {kPhotometryGroup, "PSF fit of object 1, positions of the others",
             ">enter short code for  star, or <return> to finish : <code>\n"
             "up to ten objects of the star data table, by their code\n"
             "(the PSF star first; with `motionon` the moving object second)\n"
             ">press <return> to continue...\n"
             "only after the tenth object\n"
             ">enter filename : <name>\n"
             "the frames to use: a name, or a first name, .. and a last name for a\n"
             "numbered range; <return> ends a group and <return> again the list;\n"
             "... (or @) at the first question keeps filelist.txt as it is\n"
             ">process image without alignment ? Y/N [Y] \n"
             "only for a list of one frame",
             "reads align.dat, filelist.txt, stars.lst and the frames; writes stars.psf\n"
             "and starspsf.txt (stars1.psf and starspsf1.txt for a single frame) and\n"
             "photflags.txt",
             "aperture type becomes psf; PSF zero radius, search half width"}},
    Command{"psffilesal", [](Session& s) { psffilesalCommand(s); },
            {kPhotometryGroup, "PSF fit of every object over the file list",
             ">enter short code for  star, or <return> to finish : <code>\n"
             "up to ten objects of the star data table, by their code\n"
             ">press <return> to continue...\n"
             "only after the tenth object\n"
             ">enter filename : <name>\n"
             "the frames to use: a name, or a first name, .. and a last name for a\n"
             "numbered range; <return> ends a group and <return> again the list;\n"
             "... (or @) at the first question keeps filelist.txt as it is\n"
             ">process image without alignment ? Y/N [Y] \n"
             "only for a list of one frame",
             "as `psffiles`",
             "aperture type becomes psfa"}},
    Command{"photfiles", [](Session& s) { photfilesCommand(s); },
            {kPhotometryGroup, "measure the file list with the objects already set",
             ">enter filename : <name>\n"
             "the frames to use: a name, or a first name, .. and a last name for a\n"
             "numbered range; <return> ends a group and <return> again the list;\n"
             "... (or @) at the first question keeps filelist.txt as it is\n"
             ">process image without alignment ? Y/N [Y] \n"
             "only for a list of one frame",
             "reads filelist.txt, stars.lst and the frames; the log and photflags.txt\n"
             "as for `photometry`",
             "as `photometry`"}},
    Command{"multisky", [](Session& s) { multiskyCommand(s); },
            {kPhotometryGroup, "sky-spot test: measure where the object was elsewhere",
             ">minimum distance (horizontal pixels), time difference (hours) = <d> <t>\n"
             "places of the object in other frames, at least this far and at most\n"
             "this long apart, are measured in each frame\n"
             ">enter filename : <name>\n"
             "the frames to use: a name, or a first name, .. and a last name for a\n"
             "numbered range; <return> ends a group and <return> again the list;\n"
             "... (or @) at the first question keeps filelist.txt as it is",
             "uses the alignment table held (`loadalign`); reads filelist.txt and the\n"
             "frames; writes sky-spots.txt and an empty sky-spots.dat",
             "aperture type, radius, sky box, path model 1, fwhm limit; \"opti\" uses the\n"
             "PSF shape `readpsffil` stored for each frame"}},
    Command{"ephemeris", [](Session& s) { ephemerisCommand(s); },
            {kLightCurveGroup, "set the epoch and period used for phases",
             ">epoch (JD) and period (days) [period < 0: no phase] : <epoch> <period>",
             "",
             "ephemeris (period -1 at start: every phase 0)"}},
    Command{"lighttime", [](Session& s) { lighttimeCommand(s); },
            {kLightCurveGroup, "switch the heliocentric date correction on/off",
             "",
             "",
             "light-time switch (off at start)"}},
    Command{"phot2dmag", [](Session& s) { phot2dmagCommand(s); },
            {kLightCurveGroup, "turn a photometry output file into a `dmag` table",
             ">photometry output file [<log file name>] = <name>\n"
             "<return> takes the name shown\n"
             ">leave out measurements flagged as contaminated? [y] : <y/n>\n"
             "only when photflags.txt flags frames of the file; <return> or y leaves\n"
             "out every frame with a measurement flagged aperture or sky",
             "reads the photometry output file and photflags.txt; writes <name>.dat",
             "log file name"}},
    Command{"lcplot", [](Session& s) { lcplotCommand(s); },
            {kLightCurveGroup, "draw one star of a .res file as an SVG picture",
             ">light-curve file to plot (.res) : <name>\n"
             ">star to plot [<first star>] : <code>\n"
             "<return> takes the first star",
             "reads <name>.res; writes <name>.svg",
             "ephemeris (phase axis when a period is set)"}},
    Command{"help", [](Session& s) { helpCommand(s); },
            {kStartupGroup, "explain a command, or list every command by task",
             ">command to explain (<return> for the list) : <keyword>\n"
             "a keyword as typed at the prompt; <return> lists the commands by task",
             "",
             ""}},
    Command{"period", [](Session& s) { periodCommand(s); },
            {kLightCurveGroup, "rotation period of light curves from `dmag`",
             ">light curve file (blank to end) : <name>\n"
             "asked again after each name, up to 20 files; one session each\n"
             ">column of the object (1-10) [1] : <column>\n"
             "the star column of the target; its error column is 10 higher\n"
             ">shortest and longest period, hours : <shortest> <longest>\n"
             ">Fourier order (1-8) [4] : <order>\n"
             "harmonics fitted, with one zero point per session; lower it when\n"
             "the nights cover little of a rotation. Prints the best period and\n"
             "its 1-sigma error, amplitude, rms residual, points used, the next\n"
             "best minima and the fits at half and at double the best period",
             "reads the .res files; writes period.txt (report and chi-square\n"
             "scan), periodogram.svg and phased.svg",
             "working path"}},
    Command{"alcdef", [](Session& s) { alcdefCommand(s); },
            {kLightCurveGroup, "a light curve of `dmag` as an ALCDEF session",
             ">light curve file (.res) : <name>\n"
             ">column of the object (1-10) [1] : <column>\n"
             ">object number (0 if unnumbered) : <number>\n"
             ">object name : <name>\n"
             ">MPC designation : <designation>\n"
             ">observers : <names>\n"
             "names separated by semicolons\n"
             ">contact name : <name>\n"
             ">contact info : <e-mail and address>\n"
             ">filter [C] : <filter>\n"
             "C (clear), U, B, V, R, I, SU, SG, SR, SI or SZ\n"
             ">observatory longitude and latitude, degrees (E+, N+) : <lon> <lat>\n"
             ">output file [<name>.alc] : <output>\n"
             "<return> takes the name shown. Name, designation, observers and\n"
             "contact are required. The JD of each point is its frame's UTC at\n"
             "mid-exposure from the frame's header (frames found through\n"
             "align.dat), else that of the date and UT columns; a COMMENT line\n"
             "says which. Each normalising star is named (COMPNAME); when an\n"
             "aligned frame of the night has a sky solution, its RA and Dec\n"
             "(COMPRA, COMPDEC) follow from its position in the star data table.\n"
             "When every error would be 0.000 (photometry measured\n"
             "without `outputerro`) it warns and asks\n"
             ">write the ALCDEF file anyway? Y/N [N] : <y or n>",
             "reads <name>.res; writes <name>.alc (or the name given)",
             "working path; observers, contact and position default to site.txt's"}},
    Command{"site", [](Session& s) { siteCommand(s); },
            {kStartupGroup, "keep the observatory: code, place, people, telescope",
             ">observatory code : <code>\n"
             "the Minor Planet Center's code of the observatory (3 characters)\n"
             ">longitude, latitude (degrees, E+ N+) and altitude (m) : <l> <b> <h>\n"
             ">observers : <names>\n"
             ">measurers : <names>\n"
             "names separated by commas\n"
             ">telescope (aperture m, design, detector) : <a>, <design>, <det>\n"
             "e.g. 0.35, Schmidt-Cassegrain, CCD\n"
             ">contact name : <name>\n"
             ">contact info : <e-mail and address>\n"
             "each prompt shows the stored value in brackets; <return>\n"
             "keeps it. Every value is required; nothing is written when\n"
             "one is missing or out of range",
             "reads and writes site.txt (start folder, beside device.ccd)",
             "the site `alcdef` and `astrometry` report"}},
    Command{"export", [](Session& s) { exportCommand(s); },
            {kLightCurveGroup, "a log, light curve or align.dat for other programs",
             ">file to export : <name>\n"
             "a photometry log, a .res light curve of `dmag` or align.dat; the\n"
             "layout is recognised from the file, anything else is refused\n"
             ">format: 1 = ECSV, 2 = CSV [1] : <format>\n"
             "ECSV is astropy's self-describing table (names, units, types and\n"
             "descriptions in its header); CSV has one row of column names.\n"
             "For a light curve the question is\n"
             ">format: 1 = ECSV, 2 = CSV, 3 = AAVSO [1] : <format>\n"
             "3 is the AAVSO Extended format, which asks further:\n"
             ">column of the variable (1-10) [1] : <column>\n"
             ">column of the check star (0 = none) [0] : <column>\n"
             ">AAVSO observer code : <code>\n"
             ">star name : <name>\n"
             ">filter [CV] : <filter>\n"
             ">chart [na] : <chart>\n"
             ">output file [<name>.ecsv] : <output>\n"
             "<return> takes the name shown (.csv for CSV; a light curve's names\n"
             "end in _lc.ecsv, _lc.csv or _lc_aavso.txt). Each row gets the UTC\n"
             "of mid-exposure and its JD from the\n"
             "frame's own header (DATE-OBS with TIME-OBS, UT or UT-START/UT-END,\n"
             "plus half of EXPTIME) where the frame is in the working path, else\n"
             "from the file's hours; BJD_TDB and airmass where the header gives\n"
             "the site and the object's position. A light curve's rows find their\n"
             "frames through align.dat",
             "reads the file, align.dat and the frames' headers; writes the output\n"
             "file (under a temporary name, then renamed)",
             "working path, file types"}},
    Command{"astrometry", [](Session& s) { astrometryCommand(s); },
            {kFittingGroup, "sky positions of the moving object; report to the MPC",
             ">frame with the sky solution : <frame>\n"
             "a frame whose header holds a sky solution (TAN, TAN-SIP,\n"
             "TPV), normally the fiducial frame; another aligned frame\n"
             "is carried by its alignment entry\n"
             ">object positions file [objectpath.txt] : <file>\n"
             "positions of `updatemult` (timed by each frame's header)\n"
             "and of partial stacks (timed by the stack's mid-time)\n"
             ">object designation : <designation>\n"
             "a number, a provisional designation (2026 AB12) or a\n"
             "temporary name of 1-7 characters\n"
             ">astrometric catalogue of the solution [Gaia3] : <catalogue>\n"
             ">output file [astrometry.psv] : <name>\n"
             "prints per position the UTC of mid-exposure, RA, Dec and the\n"
             "residuals in arcsec against path model 1 (a straight line\n"
             "when none is loaded), the rms and a * on residuals above\n"
             "3 x rms. Asks for the site first when there is no site.txt\n"
             ">leave out flagged positions? [n] : <y/n>\n"
             "only when a position has a *; y leaves the flagged ones out\n"
             "of the report (and of its rms)",
             "reads site.txt, the frame, the positions file and the frames\n"
             "it names; writes the ADES report (PSV) and the 80-column\n"
             "observations (<name>.obs)",
             "path model 1, alignment table, working path"}},
    Command{"import", [](Session& s) { importCommand(s); },
            {kFramesGroup, "number a capture program's frames as raw frames",
             ">frames to import (a pattern such as *.fits) : <pattern>\n"
             "files of the working path (or of the folder typed) matching the\n"
             "pattern; a type typed (.fits, .fts, .fz, ...) is taken as typed, no\n"
             "type means the raw type\n"
             ">raw name [img] : <name>\n"
             "the start of the new names; <return> takes img. The frames are sorted\n"
             "by the time in their headers (then by name) and become img0001.fit ...\n"
             "(the numbering convention in force, the raw type), each a hard link to\n"
             "the file or else a copy; nothing is made when one of the new names\n"
             "exists already",
             "reads the matching files' headers; makes the numbered frames and adds\n"
             "their lines (new name, original name, date and frame time in hours) to\n"
             "import.txt, all in the working path",
             "working path, file types (raw type, numbering convention), date order"}},
    Command{"frametime", [](Session& s) { frametimeCommand(s); },
            {kSettingsGroup, "frame time: mid-exposure or the header's start",
             ">frame time: <choices> [<n>] : <choice>\n"
             "<choices> is 1 = middle of the exposure, 2 = start as in the header;\n"
             "<n> is the choice in force (1 at start-up), kept by <return>.\n"
             "1: the middle of UT-START and UT-END, else a start time (UT-START\n"
             "alone, TIME-OBS, the time in DATE-OBS or UT) plus half of EXPTIME\n"
             "(else EXPOSURE); 2: the start as the header gives it (UT-START and\n"
             "UT-END still give their middle). The choice in force is then said",
             "",
             "frame time"}},
    Command{"report", [](Session& s) { reportCommand(s); },
            {kFittingGroup, "write the night report night-report.md",
             ">light curve for the report (<return>: none) : <file>\n"
             "a .res file of `dmag`: the scatter of each column goes into the\n"
             "report, its picture (`lcplot`) beside it",
             "reads filelist.txt, align.dat, photflags.txt, the listed frames' headers\n"
             "and astrometry.psv; writes night-report.md, night-offsets.svg and\n"
             "night-fwhm.svg",
             "working path"}},
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
