// The settings record: program-wide settings changed by commands and read by the
// measuring operations. A plain record with no behaviour; it sits in the bottom layer so
// that every subsystem may read it without reaching up into the command layer.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace core {

/// Shared settings, held for the whole run (defaults as given at start-up).
struct Settings {
  std::string programVersion = "2.1       ";           // 10 characters, blank-padded
  std::string workingPath = std::string(80, ' ');      // 80 characters, ends in a separator when set
  std::array<std::string, 10> fileTypeCodes{};         // ten 3-character codes, index 0 = code 1
  int32_t verbosity = 0;                                // diagnostic level, >= 0
  float apertureRadius = 2.0f;                          // pixels
  float skyApertureRadius = 0.0f;                       // radius of a sky patch, pixels
  int32_t skySubtractionMethod = 1;                     // 1..3
  std::array<int32_t, 4> searchBox{5, -5, 5, -5};       // imin, imax, jmin, jmax
  std::array<int32_t, 4> frameWindow{1, -5, 1, -5};     // imin, imax, jmin, jmax
  int32_t findThreshold = 100;                          // counts above the median pixel
  int32_t findProximity = 4;                            // pixels
  float noiseFloor = 0.0f;                              // fraction of signal
  int32_t skyBox = 50;                                  // side of the sky box, 21..99
  std::string skyEstimator = "clipped mean        ";    // 20 characters
  int32_t skyLocked = 0;                                // 1: forced sky in force
  float forcedSky = 0.0f;                               // forced sky value
  float forcedSkySd = 0.0f;                             // forced sky standard deviation
  std::string logFileName = std::string(20, ' ');       // 20 characters
  std::string starListFile = "stars.lst           ";    // 20 characters
  float matchTolerance = 2.0f;                          // horizontal pixels
  float psfSearchHalfWidth = 2.1f;                      // pixels
  int32_t motionOn = 0;                                 // 0/1
  float focalLength = 0.0f;                             // mm, read by nothing
  std::array<double, 6> secondOrderTerms{};             // du then dv: quadratic, linear, constant
  float trackDelay = 0.0f;                              // hours, read by nothing
  int32_t fileCount = 0;                                // names in the current file list
  int32_t maxStack = 9999;                              // 9999 = no limit
  float stackTimeSum = 0.0f;                            // stacking accumulators (averages after a stack)
  float stackPsfRSum = 0.0f;
  float stackPsfESum = 0.0f;
  int32_t stackCount = 0;
  int32_t frameTimeRule = 1;                            // 1 middle of the exposure, 2 start as in the header
};

}  // namespace core
