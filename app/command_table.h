// The command vocabulary as data: keywords (blank-separated aliases) and their handlers,
// in the order of comparison.
#pragma once

#include <span>
#include <string_view>

#include "app/state.h"

namespace app {

using Handler = void (*)(Session&);

/// What `help` says about a command, and what the manual's command reference prints.
/// Text fields hold lines separated by '\n'. A command keyword named inside the text is
/// written in backticks (`align`); every such keyword is an alias of the table. In `prompts`
/// a line beginning with '>' is a prompt as printed (its leading blanks left out, a varying
/// part written as <placeholder>); the lines after it say what the answer means.
struct CommandHelp {
  std::string_view group{};     // one of the task groups below
  std::string_view purpose{};   // one short line: what the command does
  std::string_view prompts{};   // the questions asked, in order, and what each answer means
  std::string_view files{};     // the files read and written
  std::string_view settings{};  // the settings used or changed
};

/// The task groups of the command list, in the order `help` shows them.
inline constexpr std::string_view kStartupGroup = "start-up and files";
inline constexpr std::string_view kFramesGroup = "frames";
inline constexpr std::string_view kCalibrationGroup = "calibration and star finding";
inline constexpr std::string_view kAlignmentGroup = "star data and alignment";
inline constexpr std::string_view kPhotometryGroup = "photometry";
inline constexpr std::string_view kStackingGroup = "stacking and moving objects";
inline constexpr std::string_view kFittingGroup = "fitting and paths";
inline constexpr std::string_view kLightCurveGroup = "light curves";
inline constexpr std::string_view kSettingsGroup = "settings";
inline constexpr std::string_view kCommandGroups[] = {
    kStartupGroup,   kFramesGroup,  kCalibrationGroup, kAlignmentGroup, kPhotometryGroup,
    kStackingGroup, kFittingGroup, kLightCurveGroup,  kSettingsGroup};

struct Command {
  std::string_view keywords;  // blank-separated aliases, each 1..10 lower-case characters
  Handler run;                // the command's work
  CommandHelp help{};         // what `help` and the manual say about it
};

/// Every command, in the order keywords are compared.
std::span<const Command> commandTable();

/// The first command with an alias equal to the 10-character keyword (trailing blanks
/// ignored); nullptr when none matches.
const Command* findCommand(std::string_view keyword);

}  // namespace app
