// Progress of long batch commands ("frame k of n") on the standard error stream, shown only
// when that stream is a terminal, so transcripts and scripted runs stay exactly as they are.
#pragma once

#include <string_view>

namespace textio {

/// Shows "  <what>: frame k of n" (just "frame k" when n is 0, the total being unknown) on one
/// terminal line, rewritten in place; the line is cleared after the last frame. Nothing is
/// written when standard error is not a terminal.
void showProgress(std::string_view what, int k, int n);

/// Clears the progress line (after a loop whose total was unknown).
void endProgress();

}  // namespace textio
