// Whole frames moved between file rows and workspace columns: every stored code loads to
// what the single-pixel rules give, under every camera storage, with shifts, the frame
// window and add mode across frames wider and taller than the blocks the copy works in;
// every workspace value saves to the bytes the single-pixel rule gives, at its place; and
// junk.dat holds exactly the last load's fields, rewritten or not.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <sstream>
#include <limits>

#include "image/fits_load.h"
#include "image/fits_save.h"
#include "tests/image/fits_files.h"
#include "tests/image/frame_fixture.h"

namespace {

using fitstest::basicCards;

// Every 16-bit code exactly once over a 256 x 256 frame, scattered so neighbours differ.
uint16_t scatteredCode(int i, int j) {
  return static_cast<uint16_t>(static_cast<uint32_t>((j - 1) * 256 + (i - 1)) * 40503u);
}

// The header of a frame as a camera writes it, with its date.
std::string headerOf(int nx, int ny, const std::string& bzero = "32768") {
  std::vector<std::string> cards = basicCards(nx, ny, bzero);
  cards.push_back(fitstest::valueCard("DATE-OBS", "'2005-09-12T21:30:15'"));
  return fitstest::header(cards);
}

struct WholeFrame : fitstest::FrameFixture {
  bool loadInto(const std::string& name, int addFlag, float factor, int di, int dj) {
    bool loaded =
        image::loadf(console, settings, camera, *ws, name20(name),
                     addFlag == 1 ? image::Combine::Add : image::Combine::Replace, factor, di, dj, 1);
    if (!loaded) ADD_FAILURE() << out.str();
    return loaded;
  }
  int32_t decoded(uint16_t code, float bzero, bool& stripped) {
    return image::decodePixel(static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF),
                              image::PixelRules::fromCamera(camera), bzero, stripped);
  }
};

TEST_F(WholeFrame, EveryCodeLoadsAsItsPixelRuleSaysUnderEveryStorage) {
  struct Case {
    int icv;
    std::string bzero;
    float value;
  };
  const std::vector<Case> cases{{0, "", 0.0f},         {1, "", 0.0f},          {2, "32768", 32768.0f},
                                {2, "", 0.0f},         {4, "32768", 32768.0f}, {4, "", 0.0f},
                                {5, "32768", 32768.0f}, {16, "100", 100.0f},    {32, "-20.5", -20.5f},
                                {64, "", 0.0f},        {96, "32768", 32768.0f}, {23, "3", 3.0f}};
  for (const Case& c : cases) {
    useIcv(c.icv);
    write("all.fit", headerOf(256, 256, c.bzero) + fitstest::data(256, 256, scatteredCode));
    ASSERT_TRUE(loadInto("all", 0, 1.0f, 0, 0)) << "icv " << c.icv;
    bool stripped = false;
    int wrong = 0;
    for (int j = 1; j <= 256; ++j) {
      for (int i = 1; i <= 256; ++i) {
        if (pixel(i, j) != decoded(scatteredCode(i, j), c.value, stripped)) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << "icv " << c.icv << " bzero '" << c.bzero << "'";
    EXPECT_EQ(camera.lastSignStripped(), stripped ? 1 : 0) << "icv " << c.icv;
  }
}

TEST_F(WholeFrame, ShiftsWindowAndAddModeHoldAcrossALargeFrame) {
  // 150 x 130 pixels: several copy blocks each way with partial ones at the edges.
  constexpr int nx = 150, ny = 130;
  auto code = [](int i, int j) { return static_cast<uint16_t>(0x8000 + i * 131 + j * 17); };  // values i*131+j*17
  write("big.fit", headerOf(nx, ny) + fitstest::data(nx, ny, code));
  ASSERT_TRUE(loadInto("big", 0, 1.0f, 0, 0));
  // Every pixel set to a known value; some 0, so adding meets both zero and non-zero pixels.
  auto before = [](int i, int j) { return (i + j) % 3 == 0 ? 0 : i * 1000 - j * 7; };
  for (int j = 1; j <= ny; ++j)
    for (int i = 1; i <= nx; ++i) ws->put(i, j, before(i, j));
  settings.frameWindow = {5, 140, 3, 128};
  const int di = -7, dj = 9;  // file pixel (c, r) goes to (c + 7, r - 9)
  const float factor = 0.37f;
  ASSERT_TRUE(loadInto("big", 1, factor, di, dj));
  int wrong = 0;
  for (int j = 1; j <= ny; ++j) {
    for (int i = 1; i <= nx; ++i) {
      int c = i + di, r = j + dj;
      bool fed = c >= 1 && c <= nx && r >= 1 && r <= ny && i >= 5 && i <= 140 && j >= 3 && j <= 128;
      int32_t expected = before(i, j);
      if (fed) {
        // old + value * factor + 0.5, rounded down, in 4-byte floats
        float sum = static_cast<float>(before(i, j)) + static_cast<float>(c * 131 + r * 17) * factor + 0.5f;
        expected = static_cast<int32_t>(std::floor(sum));
      }
      if (pixel(i, j) != expected) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(pixel(4, 10), before(4, 10));      // left of the window
  EXPECT_EQ(pixel(7, 10), before(7, 10));      // would be file column 0
  EXPECT_EQ(pixel(141, 10), before(141, 10));  // right of the window
  EXPECT_EQ(pixel(10, 122), before(10, 122));  // would be file row 131
  EXPECT_NE(pixel(8, 10), before(8, 10));      // file column 1, row 19
}

TEST_F(WholeFrame, AddingAtFactorOneFollowsTheFloatRuleAtEveryMagnitude) {
  // Pixels already in the workspace around the sizes where a 4-byte float stops holding
  // every integer; the frame adds values from -32768 to 32767 (icv 1: sign and magnitude).
  constexpr int nx = 70, ny = 66;
  const int32_t big = 1 << 22;
  const std::vector<int32_t> olds{0,        1,       -1,       1000,    -1000,   big - 1, big,  big + 1,
                                  -big + 1, -big,    -big - 1, 1 << 24, (1 << 24) + 1, -(1 << 24) - 3,
                                  std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()};
  useIcv(1);
  auto code = [](int i, int j) { return static_cast<uint16_t>((i * 7919 + j * 104729) & 0xFFFF); };
  write("add.fit", headerOf(nx, ny, "") + fitstest::data(nx, ny, code));
  ASSERT_TRUE(loadInto("add", 0, 1.0f, 0, 0));
  auto old = [&](int i, int j) { return olds[static_cast<size_t>(i + j) % olds.size()]; };
  for (int j = 1; j <= ny; ++j)
    for (int i = 1; i <= nx; ++i) ws->put(i, j, old(i, j));
  ASSERT_TRUE(loadInto("add", 1, 1.0f, 0, 0));
  int wrong = 0;
  bool stripped = false;
  for (int j = 1; j <= ny; ++j) {
    for (int i = 1; i <= nx; ++i) {
      // floor(old + value + 0.5) in 4-byte floats, held to the integer range
      float sum = static_cast<float>(old(i, j)) + static_cast<float>(decoded(code(i, j), 0.0f, stripped)) + 0.5f;
      double f = std::floor(static_cast<double>(sum));
      int32_t expected = f >= 2147483647.0 ? std::numeric_limits<int32_t>::max()
                         : f <= -2147483648.0 ? std::numeric_limits<int32_t>::min()
                                              : static_cast<int32_t>(f);
      if (pixel(i, j) != expected) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(pixel(1, 1), olds[2] + decoded(code(1, 1), 0.0f, stripped));
}

// A batch clears workspace 1 and adds each frame into it; the load that clears as it goes
// must leave every place of the workspace, the size and the console text exactly as
// clearing first and then adding do: same size, a smaller frame after a larger one (the rest
// cleared), a larger one after a smaller one (old values past the cleared part are added
// onto), a window cutting the frame off, a missing file, and odd widths.
TEST_F(WholeFrame, ClearingAsTheFrameLoadsEqualsClearingFirst) {
  auto code = [](int i, int j) { return static_cast<uint16_t>(0x8000 + (i * 37 + j * 101) % 30000); };
  for (int n : {151, 64, 9, 200}) write("f" + std::to_string(n) + ".fit", headerOf(n, n - 3) + fitstest::data(n, n - 3, code));
  struct Step {
    int sizeBefore;  // workspace size (square) before the step
    std::string name;
    std::array<int32_t, 4> window;
  };
  const std::array<int32_t, 4> all{1, -1, 1, -1};
  const std::vector<Step> steps{{151, "f151", all},         {151, "f64", all},  {9, "f151", all},
                                {151, "f151", {3, 140, 1, -1}}, {151, "f151", {1, -1, 2, -1}},
                                {200, "f9", all},           {64, "missing", all}, {64, "f200", all}};
  for (const Step& step : steps) {
    // The same workspace twice: every place, also past the frame, holds a value of its own.
    auto fresh = [&] {
      auto w = std::make_unique<image::Workspaces>();
      for (size_t p = 0; p < w->w1.size(); ++p) w->w1[p] = static_cast<int32_t>(p % 9973) - 4000;
      w->nx = step.sizeBefore;
      w->ny = step.sizeBefore - 3;
      return w;
    };
    std::unique_ptr<image::Workspaces> first = fresh(), asItGoes = fresh();
    core::Settings s1 = settings, s2 = settings;
    s1.frameWindow = s2.frameWindow = step.window;
    image::Camera c1 = camera, c2 = camera;
    std::istringstream in1, in2;
    std::ostringstream out1, out2;
    textio::Console con1{in1, out1}, con2{in2, out2};
    image::init(con1, *first);
    const bool loaded1 =
        image::load(con1, s1, c1, *first, name20(step.name), image::Combine::Add, 1.0f, 0, 0);
    const size_t pending = image::initLater(con2, *asItGoes);
    const bool loaded2 = image::loadCleared(con2, s2, c2, *asItGoes, name20(step.name), pending);
    const std::string what = step.name + " after " + std::to_string(step.sizeBefore);
    EXPECT_EQ(loaded1, loaded2) << what;
    EXPECT_EQ(loaded2, step.name != "missing") << what;
    EXPECT_EQ(out1.str(), out2.str()) << what;
    EXPECT_EQ(first->nx, asItGoes->nx) << what;
    EXPECT_EQ(first->ny, asItGoes->ny) << what;
    EXPECT_TRUE(first->w1 == asItGoes->w1) << what;
    EXPECT_EQ(c1.lastSignStripped(), c2.lastSignStripped()) << what;
  }
}

TEST_F(WholeFrame, AShiftBeyondTheFrameLoadsNothing) {
  write("f.fit", headerOf(70, 70) + fitstest::data(70, 70, scatteredCode));
  ASSERT_TRUE(loadInto("f", 0, 1.0f, 0, 0));  // the workspace takes the frame's size
  for (int shift : {70, -70, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
    image::init(console, *ws);
    ws->put(3, 3, 42);
    ASSERT_TRUE(loadInto("f", 0, 1.0f, shift, 0)) << shift;
    EXPECT_EQ(pixel(3, 3), 42) << shift;
    ASSERT_TRUE(loadInto("f", 0, 1.0f, 0, shift)) << shift;
    EXPECT_EQ(pixel(3, 3), 42) << shift;
  }
}

TEST_F(WholeFrame, EveryValueSavesAsItsPixelRuleSaysAtItsPlace) {
  constexpr int nx = 150, ny = 130;
  // Values over the whole 32-bit range, most within the 16-bit storage and around its edges.
  auto value = [](int i, int j) -> int32_t {
    int k = (j - 1) * nx + (i - 1);
    switch (k % 9) {
      case 0: return std::numeric_limits<int32_t>::min() + k;
      case 1: return std::numeric_limits<int32_t>::max() - k;
      case 2: return -65536 - k % 5;
      case 3: return 65535 + k % 3;
      default: return (k * 37) % 140000 - 70000;
    }
  };
  for (int icv : {0, 1, 4, 5, 17, 96}) {
    useIcv(icv);
    for (float bzero : {0.0f, 32768.0f, 100.0f}) {
      for (int stripped : {0, 1}) {
        ws->nx = nx;
        ws->ny = ny;
        ws->bzero = bzero;
        // As after loading a frame with this BZERO: its header is written back, one block.
        ws->headerCards = basicCards(nx, ny, "1");
        ws->headerCards.push_back(fitstest::card("END"));
        ws->headerCards.resize(image::kHeaderSlots, std::string(80, 'x'));
        camera.lastSignStripped() = stripped;
        for (int j = 1; j <= ny; ++j)
          for (int i = 1; i <= nx; ++i) ws->put(i, j, value(i, j));
        std::string bytes = image::frameBytes(camera, *ws);
        ASSERT_EQ(bytes.size() % 2880, 0u);
        const size_t start = 2880;
        ASSERT_GE(bytes.size(), start + nx * ny * 2);
        image::PixelRules rules = image::PixelRules::fromCamera(camera);
        // Sign-and-magnitude storage always keeps its sign bit.
        bool signStripped = stripped == 1 || image::storageOf(rules, bzero) == image::Storage::SignMagnitude;
        int wrong = 0;
        for (int j = 1; j <= ny; ++j) {
          for (int i = 1; i <= nx; ++i) {
            uint8_t hi = 0, lo = 0;
            image::encodePixel(value(i, j), rules, bzero, signStripped, hi, lo);
            size_t p = start + (static_cast<size_t>(j - 1) * nx + (i - 1)) * 2;
            if (static_cast<uint8_t>(bytes[p]) != hi || static_cast<uint8_t>(bytes[p + 1]) != lo) ++wrong;
          }
        }
        EXPECT_EQ(wrong, 0) << "icv " << icv << " bzero " << bzero << " stripped " << stripped;
        EXPECT_EQ(bytes.find_first_not_of('\0', start + nx * ny * 2), std::string::npos) << "padding is zeros";
      }
    }
  }
}

TEST_F(WholeFrame, SavingASmallerFrameAfterALargerOneWritesOnlyItsOwnBytes) {
  // A dated frame loaded first: its header, with the size cards made to agree, goes with each save.
  write("dated.fit", headerOf(9, 9) + fitstest::data(9, 9, scatteredCode));
  ASSERT_TRUE(loadInto("dated", 0, 1.0f, 0, 0));
  for (int n : {120, 9, 120}) {
    ws->nx = n;
    ws->ny = n;
    for (int j = 1; j <= n; ++j)
      for (int i = 1; i <= n; ++i) ws->put(i, j, n);
    image::save(console, settings, camera, *ws, name20("out" + std::to_string(n)));
    std::string bytes = read("out" + std::to_string(n) + ".fit");
    ASSERT_EQ(bytes.size(), 2880 + (static_cast<size_t>(n) * n * 2 + 2879) / 2880 * 2880) << n;
    image::init(console, *ws);
    ASSERT_TRUE(loadInto("out" + std::to_string(n), 0, 1.0f, 0, 0));
    EXPECT_EQ(ws->nx, n);
    EXPECT_EQ(pixel(n, n), n);
    EXPECT_EQ(bytes.find_first_not_of('\0', 2880 + static_cast<size_t>(n) * n * 2), std::string::npos) << n;
  }
}

TEST_F(WholeFrame, JunkDatHoldsTheFieldsOfTheLastLoadExactly) {
  auto dated = [](const std::string& date) {
    std::vector<std::string> cards = basicCards(9, 9);
    cards.push_back(fitstest::valueCard("DATE-OBS", date));
    return fitstest::header(cards) + fitstest::data(9, 9, scatteredCode);
  };
  write("a.fit", dated("'2005-09-12T21:30:15'"));
  write("b.fit", dated("'2006-01-02T03:04:05'"));
  ASSERT_TRUE(loadInto("a", 0, 1.0f, 0, 0));
  const std::string afterA = read("junk.dat");
  ASSERT_NE(afterA.find("2005 09 12 21 30 15"), std::string::npos);
  ASSERT_TRUE(loadInto("a", 0, 1.0f, 0, 0));
  EXPECT_EQ(read("junk.dat"), afterA);
  ASSERT_TRUE(loadInto("b", 0, 1.0f, 0, 0));
  EXPECT_NE(read("junk.dat").find("2006 01 02 03 04 05"), std::string::npos);
  ASSERT_TRUE(loadInto("a", 0, 1.0f, 0, 0));
  EXPECT_EQ(read("junk.dat"), afterA);
  // A file that only begins with the right lines, or was changed by hand, is replaced.
  write("junk.dat", afterA + "left over\n");
  ASSERT_TRUE(loadInto("a", 0, 1.0f, 0, 0));
  EXPECT_EQ(read("junk.dat"), afterA);
  write("junk.dat", afterA.substr(0, afterA.size() - 1));
  ASSERT_TRUE(loadInto("a", 0, 1.0f, 0, 0));
  EXPECT_EQ(read("junk.dat"), afterA);
}

}  // namespace
