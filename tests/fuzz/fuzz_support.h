// Shared pieces of the fuzz targets: a private scratch folder that becomes the working
// directory, emptied before every input, and a console over in-memory streams.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "app/state.h"
#include "textio/console.h"

namespace fuzzsupport {

/// Creates (once) a scratch folder under the temporary directory, makes its subfolder "run"
/// the working directory and empties both before every input. Typed names cannot hold a
/// path separator (see `confined`), so the program reaches at most the folder above "run"
/// (through a working path of ".."); nothing outside the scratch folder is read or written.
/// The scratch folder is removed when the run ends.
inline void freshScratch() {
  struct Scratch {
    std::filesystem::path base, run;
    Scratch()
        : base(std::filesystem::temp_directory_path() / ("pelm-fuzz-" + std::to_string(getpid()))),
          run(base / "run") {
      std::filesystem::create_directories(run);
      std::filesystem::current_path(run);
    }
    ~Scratch() {
      std::error_code ec;
      std::filesystem::current_path(base.parent_path(), ec);
      std::filesystem::remove_all(base, ec);
    }
  };
  static const Scratch scratch;
  std::error_code ec;
  for (const auto& folder : {scratch.base, scratch.run}) {
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
      if (entry.path() != scratch.run) std::filesystem::remove_all(entry.path(), ec);
    }
  }
}

/// Writes bytes to a file in the working directory.
inline void writeFile(const std::string& name, std::string_view bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

/// Path separators become '_' so that typed names stay inside the scratch folder (a typed
/// working path or file name could otherwise reach any folder of the machine).
inline std::string confined(std::string_view text) {
  std::string s(text);
  for (char& c : s) {
    if (c == '/' || c == '\\') c = '_';
  }
  return s;
}

/// Splits an input at its first NUL byte: the part before is a file's content, the part
/// after the keyboard's answers (empty when there is no NUL).
struct FileAndAnswers {
  std::string_view file;
  std::string answers;
};
inline FileAndAnswers splitAtNul(std::string_view bytes) {
  size_t nul = bytes.find('\0');
  if (nul == std::string_view::npos) return {bytes, {}};
  return {bytes.substr(0, nul), confined(bytes.substr(nul + 1))};
}

/// A console reading `keyboard` and printing into a discarded buffer.
struct MemoryConsole {
  explicit MemoryConsole(std::string keyboard) : in(std::move(keyboard)), console(in, out) {}
  std::istringstream in;
  std::ostringstream out;
  textio::Console console;
};

/// One state for the whole run, reset before every input.
inline app::State& freshState() {
  static auto state = std::make_unique<app::State>();
  state->reset();
  return *state;
}

}  // namespace fuzzsupport
