// Extreme numbers typed at the prompts that take coordinates, box sizes, radii, tolerances,
// counts and factors, and the same extremes in the files those values come from. Each case
// runs in a copy of one reduced night (four frames, star lists, alignment, a frame loaded);
// a value outside its range gets the console's one-line message and the question again, then
// the command and the batch command that uses the value run with an ordinary one. On the
// sanitized build an overflow anywhere ends pelm with a failure status, which fails the case.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "tests/support/run_pelm.h"

namespace fs = std::filesystem;

namespace {

struct Extreme {
  const char* name;
  std::string input;     // typed after the night is reduced; "stop" follows
  std::string refusal;   // a line the session must print
  std::string ranAfter;  // printed after it once the command (or the batch after it) has run
  std::map<std::string, std::string> files = {};  // written over the night's files first
};

// The refusal of a value outside [low, high] as the console prints it.
std::string outOfRange(const std::string& range, const std::string& typed) {
  return "   error - number out of range (" + range + "): " + typed;
}

const std::string kCoordinates = "-1447680 to 1447680";
const std::string kRadii = "0.01 to 10000";

class TypedExtremes : public ::testing::TestWithParam<Extreme> {
 protected:
  // One reduced night for every case: calibrated frames, their star lists, the six brightest
  // stars as fiducial stars, align.dat.
  static void SetUpTestSuite() {
    night_ = new fs::path(testsupport::freshFolder("extremes-night"));
    std::string cmd = std::string(PELM_TOOLS_DIR) + "/simnight --out '" + night_->string() +
                      "' --frames 4 --size 200 150 --stars 12 --seed 11 > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::string pathDat = std::string(80, ' ') + "\n";
    for (const char* code : {"", "", "fit", "drk", "fts", "", "", "", "3", ""}) {
      pathDat += (std::string(code) + "   ").substr(0, 3) + "\n";
    }
    testsupport::writeFile(*night_ / "path.dat", pathDat);
    std::vector<std::pair<double, std::string>> stars;  // magnitude, "u v"
    std::istringstream truth(testsupport::readFile(*night_ / "truth.txt"));
    for (std::string line; std::getline(truth, line);) {
      std::istringstream f(line);
      std::string kind, code;
      double u, v, mag;
      if (f >> kind >> code >> u >> v >> mag && kind == "star") {
        stars.push_back({mag, std::to_string(u) + " " + std::to_string(v)});
      }
    }
    std::sort(stars.begin(), stars.end());
    ASSERT_GE(stars.size(), 6u);
    std::string fiducials;
    for (size_t k = 0; k < 6; ++k) fiducials += stars[k].second + "\n";
    testsupport::writeFile(*night_ / "stars.fid", fiducials);
    const auto r =
        testsupport::runPelm(*night_, "dfs\ndark.fit\nflat.fit\nimg001\n..\nimg004\n\nalign\n\ny\nstop\n");
    ASSERT_EQ(r.status, 0) << r.out;
    ASSERT_TRUE(fs::exists(*night_ / "align.dat"));
  }
  static void TearDownTestSuite() {
    fs::remove_all(*night_);
    delete night_;
  }
  static fs::path* night_;
};

fs::path* TypedExtremes::night_ = nullptr;

void PrintTo(const Extreme& c, std::ostream* os) { *os << c.name; }

TEST_P(TypedExtremes, AreRefusedAndTheCommandsRunWithOrdinaryValues) {
  const Extreme& c = GetParam();
  const fs::path dir = testsupport::freshFolder("extremes");
  fs::copy(*night_, dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  for (const auto& [name, content] : c.files) testsupport::writeFile(dir / name, content);
  // Workspace 1 holds a frame (the last one calibrated), the alignment table is in memory.
  const auto r = testsupport::runPelm(dir, "load\nimg004.fts\nloadalign\n" + c.input + "stop\n");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find(c.refusal + "\n"), std::string::npos) << r.out;
  const size_t refused = r.out.find(c.refusal);
  EXPECT_NE(r.out.find(c.ranAfter, refused == std::string::npos ? 0 : refused), std::string::npos) << r.out;
  if (!HasFailure()) fs::remove_all(dir);
}

const Extreme kExtremes[] = {
    {"list_int_max", "list\n2147483647 0\n100 75\n", outOfRange(kCoordinates, "2147483647"), "   rms = "},
    {"list_int_min", "list\n0 -2147483648\n100 75\n", outOfRange(kCoordinates, "-2147483648"), "   rms = "},
    // In the release build this one once ran for minutes and grew to 15.7 GB.
    {"list_near_int_max", "list\n2147483642 5\n100 75\n", outOfRange(kCoordinates, "2147483642"),
     "   rms = "},
    {"llist", "llist\n2147483647 0\n100 75\n", outOfRange(kCoordinates, "2147483647"), "     100    75 "},
    {"list2", "list2\n0 -2147483648\n100 75\n", outOfRange(kCoordinates, "-2147483648"), "   rms = "},
    {"list3", "list3\n2147483647 0\n100 75\n", outOfRange(kCoordinates, "2147483647"), "   rms = "},
    {"mark", "mark\n2147483647 -2147483648\n100 75\nlist\n100 84\n", outOfRange(kCoordinates, "2147483647"),
     "65535"},
    {"markobject", "markobject\n2147483647 2147483647 1 2\n100 75 1 2\nr\nlist\n100 75\n",
     outOfRange(kCoordinates, "2147483647"), "63000"},
    {"putbox", "boxsize\n3\nputbox\n0 -2147483648\n100 75\nlist\n100 75\n",
     outOfRange(kCoordinates, "-2147483648"), "   rms = "},
    {"boxsize_zero_and_negative", "boxsize\n0\n-3\n201\nputbox\n100 75\nsky\n",
     outOfRange("1 to 1447680", "-3"), "   approximate sky value ="},
    {"setbox_then_sky", "setbox\n1 2 -2147483648 -2147483648\n5 195 5 145\nsky\n",
     outOfRange(kCoordinates, "-2147483648"), "   approximate sky value ="},
    {"nstarlist_then_photfiles", "nstarlist\n1\nast\n-2147483648 50\n100 75\nphotfiles\n...\n",
     outOfRange(kCoordinates, "-2147483648"), "    object =  1"},
    {"rphot_huge_then_photfiles", "rphot\n1e30\n4\nnstarlist\n1\nast\n100 75\nphotfiles\n...\n",
     outOfRange(kRadii, "1e30"), "    object =  1"},
    // Once "cannot create std::vector larger than max_size()" ended the session.
    {"rphot_negative_then_photfiles", "rphot\n-4\n4\nnstarlist\n1\nast\n100 75\nphotfiles\n...\n",
     outOfRange(kRadii, "-4"), "    object =  1"},
    {"rphot_nan", "rphot\nNaN\n4\n", "   error - cannot read a number from: NaN",
     "   enter aperture radius, pixels : "},
    {"rphots_huge_then_dskylist_photfiles",
     "nstarlist\n1\nast\n100 75\ndskylist\nast\n2\n-2147483648 0\n12 0\n-12 0\n"
     "rphots\n1e30\n3\nphotfiles\n...\n",
     outOfRange(kRadii, "1e30"), "    object =  1"},
    {"rphots_negative_huge", "rphots\n-1e30\n3\n", outOfRange(kRadii, "-1e30"),
     "   enter sky aperture radius, pixels : "},
    {"tolerance_tiny_then_alignr", "tolerance\n1e-30\n2\nalignr\n\ny\n1\n1\n",
     outOfRange("0.1 to 10000", "1e-30"), "files matched ="},
    // The same extremes in files: a star position no frame can have is an unreadable line of
    // stardata.txt; an offset of -1e30 in align.dat puts the object off the frame, which is then
    // measured as outside it.
    {"stardata_position",
     "loadpositi\n",
     "   error - cannot read line   7 of stardata.txt;",
     "   finished reading stardata.txt",
     {{"stardata.txt", "2\nreference\nref\n100 75 100 75\nasteroid\nast\n-2147483648 50 0 0\n"}}},
    {"align_offset",
     "nstarlist\n1\nast\n100 75\nphotfiles\n...\n",
     "    automatic sky determination for object =1 ( ****************)",
     "    automatic sky determination for object =1 (   100.39   74.74)",
     {{"align.dat",
       " img001               21.0000  -1e+30  -1e+30    0.00000     3     731.0  0.07\n"
       " img002               21.0667    0.39   -0.26    0.00000     3     730.0  0.06\n"}}},
};

INSTANTIATE_TEST_SUITE_P(Reproducers, TypedExtremes, ::testing::ValuesIn(kExtremes),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
