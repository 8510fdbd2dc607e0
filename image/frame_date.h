// The date and time of a frame file as a load into workspace 1 reads them from its header,
// without loading the frame.
#pragma once

#include <cstdint>
#include <string>

#include "image/fits_header.h"

namespace image {

/// Reads the header of the frame file `host` (a host file name) and the date and time a load
/// into workspace 1 would give it (the same header parsing, nothing printed). A primary header
/// without data is followed into the next header (frames kept in an image extension). False
/// when the file cannot be opened, has no END card or its date and time cannot be read (in
/// `dateOrder`).
[[nodiscard]] bool frameDate(const std::string& host, DateOrder dateOrder, FrameHeader& header);

}  // namespace image
