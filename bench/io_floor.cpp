// The input/output floor of dfs: every raw frame of a night read whole and a file of the same
// size written in its place's stead (as a save writes it: a new file renamed over the old),
// nothing else. Usage: bench_io_floor FOLDER FRAMES. The benchmark runs it as a whole process
// beside pelm's dfs over the same frames.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "textio/paths.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_io_floor FOLDER FRAMES\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int frames = std::atoi(argv[2]);
  for (int k = 1; k <= frames; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "/img%03d.fit", k);
    std::ifstream in(folder + name, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    std::string bytes(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    in.seekg(0);
    if (size <= 0 || !in.read(bytes.data(), static_cast<std::streamsize>(size))) {
      std::fprintf(stderr, "bench_io_floor: cannot read %s%s\n", folder.c_str(), name);
      return 1;
    }
    std::snprintf(name, sizeof name, "/floor%03d.fts", k);
    if (!textio::replaceFileAtomically(folder + name, bytes)) {
      std::fprintf(stderr, "bench_io_floor: cannot write %s%s\n", folder.c_str(), name);
      return 1;
    }
  }
  return 0;
}
