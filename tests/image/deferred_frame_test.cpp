// Frames whose tiles are decoded when first read: every pixel read is the frame's, the
// console text is a load's, and once settled workspace 1 holds exactly what loading the same
// frames one after the other leaves there, through failed loads, size changes, a frame
// window, marks written before a tile was read, copies and other loads.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "image/fits_load.h"
#include "tests/image/fits_files.h"
#include "tests/image/frame_fixture.h"

namespace {

using fitstest::basicCards;

std::string frameFile(int nx, int ny, int seed) {
  std::vector<std::string> cards = basicCards(nx, ny, "32768");
  cards.push_back(fitstest::valueCard("DATE-OBS", "'2005-09-12T21:30:15'"));
  return fitstest::header(cards) +
         fitstest::data(nx, ny, [seed](int i, int j) { return static_cast<uint16_t>((i * 7919 + j * 104729 + seed * 31337) & 0xFFFF); });
}

struct DeferredFrame : fitstest::FrameFixture {
  // The reference: the same workspace set, each frame loaded at once.
  std::unique_ptr<image::Workspaces> eager = std::make_unique<image::Workspaces>();
  core::Settings eagerSettings;
  image::Camera eagerCamera;
  std::istringstream eagerIn;
  std::ostringstream eagerOut;
  textio::Console eagerConsole{eagerIn, eagerOut};

  void SetUp() override {
    FrameFixture::SetUp();
    write("a.fit", frameFile(150, 130, 1));
    write("b.fit", frameFile(150, 130, 2));
    write("c.fit", frameFile(150, 130, 3));
    write("small.fit", frameFile(70, 61, 4));
    // Both workspace sets start alike, with values of their own everywhere.
    for (size_t p = 0; p < ws->w1.size(); ++p) ws->w1[p] = eager->w1[p] = static_cast<int32_t>(p % 7777) - 3000;
    eager->nx = ws->nx;
    eager->ny = ws->ny;
    eagerSettings = settings;
    eagerCamera = camera;
  }
  // Loads `name` both ways; both must agree on success and on the console text.
  void both(const std::string& name, bool expected = true) {
    const size_t before = out.str().size(), eagerBefore = eagerOut.str().size();
    EXPECT_EQ(image::loadDeferred(console, settings, camera, *ws, name20(name)), expected) << name;
    EXPECT_EQ(image::load(eagerConsole, eagerSettings, eagerCamera, *eager, name20(name),
                          image::Combine::Replace, 1.0f, 0, 0),
              expected);
    EXPECT_EQ(out.str().substr(before), eagerOut.str().substr(eagerBefore)) << name;
  }
  // Every pixel of the image read through the accessor agrees with the reference.
  int wrongReads() {
    int wrong = 0;
    for (int i = 1; i <= eager->nx; ++i) {
      for (int j = 1; j <= eager->ny; ++j) {
        int32_t a = 0, b = 0;
        if (!ws->get(i, j, a) || !eager->get(i, j, b) || a != b) ++wrong;
      }
    }
    return wrong;
  }
  void expectSettledAlike(const std::string& what) {
    ws->deferred.settle();
    EXPECT_FALSE(ws->deferred.active()) << what;
    EXPECT_EQ(ws->nx, eager->nx) << what;
    EXPECT_EQ(ws->ny, eager->ny) << what;
    EXPECT_TRUE(ws->w1 == eager->w1) << what;
    EXPECT_EQ(camera.lastSignStripped(), eagerCamera.lastSignStripped()) << what;
  }
};

TEST_F(DeferredFrame, PixelsReadAreTheFramesAndSettlingLeavesWhatLoadingLeaves) {
  both("a");
  EXPECT_TRUE(ws->deferred.active());
  // A few places first (as photometry reads), then everything.
  int32_t v = 0, e = 0;
  ASSERT_TRUE(ws->get(75, 65, v));
  ASSERT_TRUE(eager->get(75, 65, e));
  EXPECT_EQ(v, e);
  EXPECT_FALSE(ws->get(151, 1, v));  // outside the image: nothing decoded, false
  EXPECT_EQ(wrongReads(), 0);
  expectSettledAlike("one frame");
}

TEST_F(DeferredFrame, AFrameReplacingAnotherOfItsSizeNeedsNothingOfTheFirst) {
  both("a");
  int32_t v = 0;
  (void)ws->get(10, 10, v);  // one tile of a decoded
  both("b");
  both("c");
  EXPECT_EQ(wrongReads(), 0);
  expectSettledAlike("three frames");
}

TEST_F(DeferredFrame, AFailedLoadLeavesTheDeferredFrameInPlace) {
  both("a");
  both("missing", false);
  both("b");
  write("cut.fit", frameFile(150, 130, 5).substr(0, 2880 + 150 * 100 * 2));
  both("cut", false);
  EXPECT_TRUE(ws->deferred.active());
  EXPECT_EQ(wrongReads(), 0);
  expectSettledAlike("after failed loads");
}

TEST_F(DeferredFrame, AFrameOfAnotherSizeSettlesTheOneBefore) {
  both("a");
  both("small");  // smaller: the places after it keep the first frame's pixels
  EXPECT_EQ(wrongReads(), 0);
  expectSettledAlike("small after large");
  both("b");  // larger again, after a deferred smaller one
  both("small");
  expectSettledAlike("small between large");
}

TEST_F(DeferredFrame, AFrameCutByTheWindowIsStoredAtOnce) {
  both("a");
  settings.frameWindow = eagerSettings.frameWindow = {3, 140, 1, -1};
  both("b");
  EXPECT_FALSE(ws->deferred.active());
  expectSettledAlike("windowed");
}

TEST_F(DeferredFrame, MarksCopiesAndOtherLoadsSeeTheWholeFrame) {
  both("a");
  // A mark in a tile not read yet stays when the tile is decoded.
  ws->put(100, 100, 65534);
  eager->put(100, 100, 65534);
  int32_t v = 0;
  ASSERT_TRUE(ws->get(100, 100, v));
  EXPECT_EQ(v, 65534);
  // A copy of the workspace set holds the whole frame and nothing deferred.
  image::Workspaces copy = *ws;
  EXPECT_FALSE(copy.deferred.active());
  EXPECT_TRUE(copy.w1 == eager->w1);
  both("b");
  // Any other load first puts the deferred frame's pixels in place.
  ASSERT_TRUE(image::load2(console, settings, camera, *ws, name20("c"), image::Combine::Replace, 1.0f, 0, 0));
  ASSERT_TRUE(image::load2(eagerConsole, eagerSettings, eagerCamera, *eager, name20("c"),
                           image::Combine::Replace, 1.0f, 0, 0));
  EXPECT_FALSE(ws->deferred.active());
  EXPECT_TRUE(ws->w1 == eager->w1);
  EXPECT_TRUE(ws->w2 == eager->w2);
}

}  // namespace
