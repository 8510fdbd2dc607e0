// The 11 x 11 pixel listings of a workspace, with the rms of the pixels shown.
#pragma once

#include <cstdint>

#include "image/workspaces.h"

namespace textio {
class Console;
}

namespace image {

/// Where a listing goes: the console only, or the console and the log file.
enum class ListingCopy { ScreenOnly, AlsoToLog };

/// 11 x 11 table of workspace 1 centred on (i, j) (rows j-5 .. j+5, each i-5 .. i+5; 0 for a
/// position outside the image), then the rms of the pixels inside the image. With ListingCopy::AlsoToLog
/// the empty line and the table rows also go to the log file.
void list(textio::Console& console, const Workspaces& ws, int32_t i, int32_t j, ListingCopy copy);
/// The same table for workspace 2.
void list2(textio::Console& console, const Workspaces& ws, int32_t i, int32_t j, ListingCopy copy);
/// The same table for workspace 3.
void list3(textio::Console& console, const Workspaces& ws, int32_t i, int32_t j, ListingCopy copy);
/// The same 11 x 11 block of workspace 1, one line "   i' j' value" per pixel inside the image.
void llist(textio::Console& console, const Workspaces& ws, int32_t i, int32_t j, ListingCopy copy);

}  // namespace image
