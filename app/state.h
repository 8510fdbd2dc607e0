// The program's state: every table that outlives one command, composed in one record
// that main creates and hands to the interpreter. Tests build a fresh one each.
#pragma once

#include "align/alignment_table.h"
#include "app/settings.h"
#include "image/camera.h"
#include "image/workspaces.h"
#include "lightcurve/dates.h"
#include "lightcurve/photometry_stats.h"
#include "textio/console.h"

namespace app {

struct State {
  Settings settings;               // shared settings
  InterpreterSettings interp;      // interpreter settings
  image::Camera camera;            // camera definition
  image::Workspaces ws;            // the three workspaces and the last frame's header values
  align::AlignmentTable alignment; // per-frame offsets from the fiducial frame
  lightcurve::Ephemeris ephemeris; // epoch and period for phases, light-time switch
  lightcurve::StatsTable stats;    // photometry statistics of the last stats command
};

/// What a command handler works with: the state and the console.
struct Session {
  State& state;
  textio::Console& console;
};

}  // namespace app
