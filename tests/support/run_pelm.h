// Runs pelm sessions in a folder with a given input, for whole-program tests: in-process
// (runPelm, the common case) or as the built binary (runPelmBinary, for what only a process
// shows: arguments, exit status, signals).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

struct RunResult {
  std::string out;  // everything pelm printed on standard output
  int status = -1;  // exit status
};

/// A fresh, empty temporary folder (removed by the caller or left for inspection).
std::filesystem::path freshFolder(const std::string& tag);

/// Runs one session in-process with `folder` as the current directory (restored afterwards)
/// and `input` as the keyboard, exactly as the program would run it.
RunResult runPelm(const std::filesystem::path& folder, const std::string& input);

/// Runs the built pelm binary in `folder` with `input` as its standard input.
RunResult runPelmBinary(const std::filesystem::path& folder, const std::string& input);

/// The lines of a text, without their line ends.
std::vector<std::string> lines(const std::string& text);

/// Reads a whole file (binary); empty when missing.
std::string readFile(const std::filesystem::path& p);

/// Writes a whole file (binary), creating folders as needed.
void writeFile(const std::filesystem::path& p, const std::string& content);

/// A six-line camera definition (device.ccd layout).
std::string deviceCcd(const std::string& name, int nx, int ny, double px = 9.0, double py = 9.0,
                      double gain = 2.0, int icv = 4, int dateOrder = 1);

}  // namespace testsupport
