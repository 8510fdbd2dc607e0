// Loading the camera definition into the program, and the camera commands.
#pragma once

#include "app/state.h"
#include "image/camera.h"

namespace app {

/// Reads device.ccd (start directory) into the camera, resets the verbosity, decodes the input
/// control variable (listing it when asked), sets the image size and the star-search box.
/// At start-up a missing or malformed device.ccd gives a warning and the built-in default
/// camera; later it gives a message and the camera stays as it was. An array above the
/// workspace capacity stops the program.
void dvload(Session& s, image::DecodeListing verbose, bool atStartup);
/// `camera`: copies a camera setup file over device.ccd (after checking it) and loads it.
void setcam(Session& s);
/// `setgain`: asks for the gain.
void setgain(Session& s);
/// `icv`: asks for the input control variable and lists its decoding.
void icvCommand(Session& s);

}  // namespace app
