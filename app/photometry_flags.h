// The contamination flags of a photometry run: the night's star field read from stars.lst
// when the run starts, one photflags.txt line per frame and object, and the console summary
// per object at the end ("   n of m measurements of <code> contaminated; see photflags.txt",
// printed for objects with a contaminated measurement only).
#pragma once

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/state.h"
#include "phot/contamination.h"
#include "phot/phot_frame.h"

namespace app {

class RunFlags {
 public:
  /// Reads stars.lst (a missing list leaves every measurement "nolist") and starts
  /// photflags.txt; a photflags.txt that cannot be written gives one message and no flags.
  void start(Session& s);
  /// Flags every object measured on the frame (its alignment f) and writes their lines.
  void record(Session& s, const std::string& frame, const align::FrameLookup& f, const phot::PhotResults& r);
  /// The summary lines.
  void finish(Session& s);

 private:
  phot::StarField field_;
  std::unique_ptr<std::ofstream> out_;
  std::vector<int> measured_ = std::vector<int>(phot::kPhotSlots + 1, 0);
  std::vector<int> contaminated_ = std::vector<int>(phot::kPhotSlots + 1, 0);
};

}  // namespace app
