// Commands of calibration and star finding: dark subtraction, pixel arithmetic, marks,
// averages, sky, star searches and the batch commands over the file list.
#pragma once

#include "app/state.h"

namespace app {

/// `dark`: asks for a raw dark frame and subtracts it from workspace 1.
void darkCommand(Session& s);
/// `multiply`: asks for the factor (kept as multiplyFactor) and multiplies workspace 1.
void multiplyCommand(Session& s);
/// `subtract`: asks for an integer and subtracts it from workspace 1.
void subtractCommand(Session& s);
/// `findstars`: writes the stars of workspace 1 to a new stars1.lst.
void findstarsCommand(Session& s);
/// `avpix`: the average of workspace 1 (and its log line while the log is on).
void avpixCommand(Session& s);
/// `winavpix`: the average over a box and a value for the log line.
void winavpixCommand(Session& s);
/// `sky`: the quick sky estimate.
void skyCommand(Session& s);
/// `markobject`: tick marks around a position.
void markobjectCommand(Session& s);
/// `find`: the brightest star of the search box (and its log line while the log is on).
void findCommand(Session& s);
/// `mark`: two bars above and below a pixel.
void markCommand(Session& s);
/// `mask`: zeroes everything outside a box.
void maskCommand(Session& s);
/// `contrast`: stretches the pixels above a baseline.
void contrastCommand(Session& s);
/// `setpix`: stores one pixel.
void setpixCommand(Session& s);
/// `setall`: stores one value in every pixel of the camera array.
void setallCommand(Session& s);
/// `subtractsk`: subtracts 0.9 of the quick sky estimate.
void subtractskCommand(Session& s);
/// `markpath`: marks the path listed in a file.
void markpathCommand(Session& s);
/// `dfc`, `dfs`, `s`: the batch commands over the file list.
void dfcCommand(Session& s);
void dfsCommand(Session& s);
void sCommand(Session& s);

}  // namespace app
