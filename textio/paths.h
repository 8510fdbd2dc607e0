// Full file names: a typed name joined to the working path, and the host path opened.
#pragma once

#include <string>
#include <string_view>

namespace textio {

class Console;

constexpr size_t kPathWidth = 80;  ///< width of the working path and of full names
constexpr size_t kNameWidth = 20;  ///< width of a typed file name

/// Joins a typed name (its trailing blanks dropped) right after the last non-blank character
/// of the working path; no separator is inserted (the path ends in one). On success `full`
/// is the 80-character, blank-padded full name. When the join would pass 80 characters the
/// console shows "   error in routine adpath; full filename >80 chars" and false is returned.
[[nodiscard]] bool adpath(Console& console, std::string_view workingPath, std::string_view name,
                          std::string& full);

/// The name to give the operating system for a full name: trailing blanks dropped and each
/// backslash turned into a directory separator.
std::string hostPath(std::string_view full);

/// Writes `content` to `hostName` by writing a new file beside it and renaming it over the
/// old one, so an interrupted save never leaves a half-written file. False on failure.
[[nodiscard]] bool replaceFileAtomically(const std::string& hostName, std::string_view content);

}  // namespace textio
