// The program's state: every table that outlives one command, composed in one record
// that a session creates and hands to the interpreter. Tests build a fresh one each or
// reset one.
#pragma once

#include <fstream>
#include <memory>
#include <utility>

#include "align/alignment_table.h"
#include "app/settings.h"
#include "calib/batch_calibration.h"
#include "image/camera.h"
#include "image/fits_save.h"
#include "image/workspaces.h"
#include "lightcurve/dates.h"
#include "lightcurve/photometry_stats.h"
#include "motion/path_model.h"
#include "motion/residuals.h"
#include "phot/psf_model.h"
#include "phot/sky.h"
#include "phot/sky_spots.h"
#include "phot/star_data.h"
#include "textio/console.h"

namespace app {

struct State {
  Settings settings;               // shared settings
  InterpreterSettings interp;      // interpreter settings
  image::Camera camera;            // camera definition
  image::Workspaces ws;            // the three workspaces and the last frame's header values
  align::AlignmentTable alignment; // per-frame offsets from the fiducial frame
  calib::StarListOutput starList;  // stars.lst of the last dfs or s, open until the next star list
  std::string frameName = std::string(20, ' ');  // the frame last named in a command
  lightcurve::Ephemeris ephemeris; // epoch and period for phases, light-time switch
  lightcurve::StatsTable stats;    // photometry statistics of the last stats command
  phot::StarData starData;         // named objects, photometry star list, sky offsets, frame PSFs
  motion::ResidualTable residuals; // position residuals of the tracked object
  phot::PsfModel psfModel;         // shared sub-sampling state of the PSF model
  phot::SkySamples skySamples;     // sample store of the robust sky estimator
  phot::SkySpotSums skySpots;      // sky-spot sums of the current multisky command
  std::unique_ptr<std::ofstream> objectPath;  // objectpath.txt while openpathfi holds it open
  motion::PathModels paths;        // path models 1 and 2 of the moving object
  image::SavedFrames savedFrames;  // frames written in this session (replaced without asking)

  /// Puts every member back to the value a newly made State has (files it holds open are
  /// closed): one assignment from a fresh record, so a member added later is reset too.
  void reset() { *this = std::move(*std::make_unique<State>()); }
};

/// What a command handler works with: the state and the console.
struct Session {
  State& state;
  textio::Console& console;
};

}  // namespace app
