// Loading frames: the report, header cards, END handling, shifts, add mode, the frame window,
// and refused files that leave every workspace and header value as it was.
#include <gtest/gtest.h>

#include "image/fits_load.h"
#include "tests/image/fits_files.h"
#include "tests/image/frame_fixture.h"

namespace {

using fitstest::basicCards;
using fitstest::card;
using fitstest::valueCard;

// Stored bytes of a physical value under icv 4 with BZERO 32768 (top bit inverted).
uint16_t offsetStored(int physical) { return static_cast<uint16_t>(physical ^ 0x8000); }
int physicalOf(int i, int j) { return 1000 * j + i; }

std::vector<std::string> dated(std::vector<std::string> cards) {
  cards.push_back(valueCard("DATE-OBS", "'2005-09-12T21:30:15'"));
  return cards;
}

struct Load : fitstest::FrameFixture {
  std::string frame(int nx, int ny, std::vector<std::string> cards) {
    return fitstest::header(std::move(cards)) +
           fitstest::data(nx, ny, [](int i, int j) { return offsetStored(physicalOf(i, j)); });
  }
  bool loadInto(const std::string& name, int workspace, int addFlag = 0, float factor = 1.0f, int di = 0,
                int dj = 0) {
    return image::loadf(console, settings, camera, *ws, name20(name),
                        addFlag == 1 ? image::Combine::Add : image::Combine::Replace, factor, di, dj,
                        workspace);
  }
  void expectFramePixels(int nx, int ny) {
    for (int j = 1; j <= ny; ++j)
      for (int i = 1; i <= nx; ++i) ASSERT_EQ(pixel(i, j), physicalOf(i, j)) << i << "," << j;
  }
};

TEST_F(Load, FrameWithItsReportDateAndHeaderCards) {
  write("frame.fit", frame(5, 4, dated(basicCards(5, 4))));
  ASSERT_TRUE(
      image::load(console, settings, camera, *ws, name20("frame"), image::Combine::Replace, 1.0f, 0, 0));
  EXPECT_EQ(out.str(),
            "   entered load; fname = frame               \n"
            "   entered routine addtyp; fname = frame               \n"
            "   adding file type... filename = frame.fit           \n"
            "   file to load : frame.fit           \n"
            "   y m d h m s = 2005  9 12  21 30 15   21.504  [   5 x   4 ] bzero =  32768.\n"
            "\n");
  expectFramePixels(5, 4);
  EXPECT_EQ(ws->nx, 5);
  EXPECT_EQ(ws->ny, 4);
  EXPECT_EQ(camera.nx, 5);
  EXPECT_EQ(ws->bzero, 32768.0f);
  EXPECT_EQ(ws->frameYear, 2005);
  EXPECT_EQ(ws->frameSecond, 15);
  EXPECT_NEAR(ws->frameTime, 21.504167f, 1e-5);
  EXPECT_EQ(ws->headerCards[0], valueCard("SIMPLE", "T"));
  EXPECT_EQ(ws->headerCards[7], card("END"));
  EXPECT_EQ(ws->headerCards[35], card(""));          // the rest of END's block is kept
  EXPECT_EQ(ws->headerCards[36], std::string(80, 'x'));
  EXPECT_EQ(ws->headerCards[359], std::string(80, 'x'));
  EXPECT_EQ(camera.lastSignStripped(), 0);
  // The filtered value fields are left in junk.dat.
  std::string junk = read("junk.dat");
  EXPECT_EQ(junk.substr(0, 71), textio::fixed("                  16", 70) + "\n");
  EXPECT_NE(junk.find("2005 09 12 21 30 15"), std::string::npos);
}

TEST_F(Load, EndAsThe36thCardEndsTheHeaderWithItsBlock) {
  std::vector<std::string> cards = dated(basicCards(6, 3));
  while (cards.size() < 35) cards.push_back(card("COMMENT filler"));
  write("end36.fit", frame(6, 3, cards));
  ASSERT_EQ(read("end36.fit").substr(35 * 80, 80), card("END"));
  ASSERT_TRUE(loadInto("end36", 1));
  expectFramePixels(6, 3);
  EXPECT_EQ(ws->headerCards[36], std::string(80, 'x'));
}

TEST_F(Load, EndtimeDoesNotEndTheHeader) {
  std::vector<std::string> cards = dated(basicCards(6, 3));
  while (cards.size() < 35) cards.push_back(card("COMMENT filler"));
  cards.push_back(valueCard("ENDTIME", "'21:31:15'"));  // last card of the first block
  write("endtime.fit", frame(6, 3, cards));
  ASSERT_TRUE(loadInto("endtime", 1));
  expectFramePixels(6, 3);
  EXPECT_EQ(ws->headerCards[36], card("END"));
}

TEST_F(Load, AHeaderOver360CardsIsReadToItsEnd) {
  std::vector<std::string> cards = dated(basicCards(7, 5));
  while (cards.size() < 400) cards.push_back(card("HISTORY card " + std::to_string(cards.size() + 1)));
  cards.push_back(valueCard("BZERO", "32768"));  // keywords after card 360 still count
  write("long.fit", frame(7, 5, cards));
  ASSERT_TRUE(loadInto("long", 1));
  expectFramePixels(7, 5);
  EXPECT_EQ(ws->headerCards[359], card("HISTORY card 360"));
}

TEST_F(Load, ShiftedFrameLeavesUncoveredPixelsAsTheyWere) {
  write("f.fit", frame(8, 6, dated(basicCards(8, 6))));
  ASSERT_TRUE(loadInto("f", 1));
  image::init(console, *ws);
  ASSERT_TRUE(loadInto("f", 1, 0, 1.0f, 3, 0));
  for (int j = 1; j <= 6; ++j) {
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(pixel(i, j), physicalOf(i + 3, j));
    for (int i = 6; i <= 8; ++i) EXPECT_EQ(pixel(i, j), 0);
  }
  ASSERT_TRUE(loadInto("f", 1, 0, 1.0f, -1, 2));  // file (c, r) goes to (c + 1, r - 2)
  EXPECT_EQ(pixel(2, 1), physicalOf(1, 3));
  EXPECT_EQ(pixel(8, 4), physicalOf(7, 6));
}

TEST_F(Load, AddingTwiceWithHalfFactorRoundsEachTime) {
  write("f.fit", frame(8, 6, dated(basicCards(8, 6))));
  ASSERT_TRUE(loadInto("f", 1, 0, 0.5f));
  ASSERT_TRUE(loadInto("f", 1, 1, 0.5f));
  for (int j = 1; j <= 6; ++j) {
    for (int i = 1; i <= 8; ++i) {
      int v = physicalOf(i, j);
      int once = static_cast<int>(v * 0.5 + 0.5);
      EXPECT_EQ(pixel(i, j), static_cast<int>(once + v * 0.5 + 0.5));
    }
  }
}

TEST_F(Load, NegativeValuesRoundDownFromHalf) {
  useIcv(1);
  write("neg.fit", fitstest::header(dated(basicCards(2, 1, ""))) +
                       fitstest::data(2, 1, [](int i, int) { return i == 1 ? 0x83E8 : 0x03E8; }));
  ASSERT_TRUE(loadInto("neg", 1));
  EXPECT_EQ(pixel(1, 1), -1000);
  EXPECT_EQ(pixel(2, 1), 1000);
  EXPECT_EQ(camera.lastSignStripped(), 1);
  // -499.5 rounds to -500 (truncation would give -499); 500.5 rounds to 500.
  ASSERT_TRUE(loadInto("neg", 1, 0, 0.5f));
  EXPECT_EQ(pixel(1, 1), -500);
  EXPECT_EQ(pixel(2, 1), 500);
  ASSERT_TRUE(loadInto("neg", 1, 0, 0.25f));
  EXPECT_EQ(pixel(1, 1), -250);
  EXPECT_EQ(pixel(2, 1), 250);
}

TEST_F(Load, TheFrameWindowIsResolvedForEachFrame) {
  write("small.fit", frame(6, 6, dated(basicCards(6, 6))));
  write("big.fit", frame(9, 7, dated(basicCards(9, 7))));
  ASSERT_TRUE(loadInto("small", 1));
  ASSERT_TRUE(loadInto("big", 1));
  expectFramePixels(9, 7);  // not cropped to the first frame's size
  EXPECT_EQ(settings.frameWindow, (std::array<int32_t, 4>{1, -5, 1, -5}));
  // The search box keeps its rule: resolved once against the first frame, then kept.
  EXPECT_EQ(settings.searchBox, (std::array<int32_t, 4>{5, 1, 5, 1}));
  settings.frameWindow = {2, 3, 2, -1};
  image::init(console, *ws);
  ASSERT_TRUE(loadInto("big", 1));
  EXPECT_EQ(pixel(1, 2), 0);
  EXPECT_EQ(pixel(2, 2), physicalOf(2, 2));
  EXPECT_EQ(pixel(3, 7), physicalOf(3, 7));
  EXPECT_EQ(pixel(4, 2), 0);
  EXPECT_EQ(pixel(2, 1), 0);
}

TEST_F(Load, WorkspacesTwoAndThreeKeepTheHeaderAndDate) {
  write("frame.fit", frame(5, 4, dated(basicCards(5, 4))));
  write("dark.fit", fitstest::header(basicCards(6, 2, "32000")) +
                        fitstest::data(6, 2, [](int, int) { return uint16_t{0x8010}; }));
  ASSERT_TRUE(loadInto("frame", 1));
  auto cards = ws->headerCards;
  out.str("");
  ASSERT_TRUE(
      image::load2(console, settings, camera, *ws, name20("dark"), image::Combine::Replace, 1.0f, 0, 0));
  EXPECT_EQ(out.str(),
            "   entered routine addtyp; fname = dark                \n"
            "   adding file type... filename = dark.fit            \n"
            "   file to load : dark.fit            \n"
            "\n");
  EXPECT_EQ(pixel(6, 2, 2), 16);
  EXPECT_EQ(ws->headerCards, cards);
  EXPECT_EQ(ws->frameYear, 2005);
  EXPECT_EQ(ws->nx, 6);  // one size for all three workspaces
  EXPECT_EQ(ws->bzero, 32000.0f);
  ASSERT_TRUE(
      image::load3(console, settings, camera, *ws, name20("dark"), image::Combine::Replace, 2.0f, 0, 0));
  EXPECT_EQ(pixel(1, 1, 3), 32);
}

TEST_F(Load, VerbosityTwoTracesTheLoadParameters) {
  settings.verbosity = 2;
  EXPECT_FALSE(loadInto("none", 1, 1, 0.5f, 3, -2));
  EXPECT_EQ(out.str().substr(0, out.str().find('\n') + 1),
            "   entered routine LOAD; iadd,factor,ioff,joff = 1 0.50  3-2\n");
}

TEST_F(Load, VerbosityMinusOneShowsEachCardAndWaits) {
  write("frame.fit", frame(5, 4, dated(basicCards(5, 4))));
  settings.verbosity = -1;
  in.str(std::string(36, '\n'));  // one key press per card of the header's block
  ASSERT_TRUE(loadInto("frame", 1));
  EXPECT_NE(out.str().find("\n  1:" + valueCard("SIMPLE", "T").substr(0, 70) + "\n"), std::string::npos);
  EXPECT_NE(out.str().find("\n  8:" + card("END").substr(0, 70) + "\n"), std::string::npos);
  EXPECT_NE(out.str().find("\n 36:" + std::string(70, ' ') + "\n"), std::string::npos);
  EXPECT_EQ(in.rdbuf()->in_avail(), 0);
  in.clear();
  in.str(std::string(35, '\n'));  // the keyboard runs dry before the last card
  EXPECT_THROW((void)loadInto("frame", 1), textio::FatalStop);
}

// The state a refused load must leave exactly as it was.
struct Snapshot {
  int32_t nx, ny, year, month, day, hour, minute, second, cameraNx;
  float bzero, frameTime;
  std::vector<std::string> cards;
  uint64_t pixels;  // a hash of all three workspaces
  std::array<int32_t, 4> box;
  explicit Snapshot(const image::Workspaces& ws, const image::Camera& cam, const core::Settings& s)
      : nx(ws.nx), ny(ws.ny), year(ws.frameYear), month(ws.frameMonth), day(ws.frameDay), hour(ws.frameHour),
        minute(ws.frameMinute), second(ws.frameSecond), cameraNx(cam.nx), bzero(ws.bzero),
        frameTime(ws.frameTime), cards(ws.headerCards), pixels(hash(ws)), box(s.searchBox) {}
  static uint64_t hash(const image::Workspaces& ws) {
    uint64_t h = 1469598103934665603ull;
    for (const auto* w : {&ws.w1, &ws.w2, &ws.w3}) {
      for (int32_t v : *w) h = (h ^ static_cast<uint32_t>(v)) * 1099511628211ull;
    }
    return h;
  }
  bool operator==(const Snapshot&) const = default;
};

struct Refused {
  const char* name;
  std::string bytes;
  const char* message;  // a line the load must print
};

std::vector<Refused> refusedFrames() {
  auto data = [](int nx, int ny) { return fitstest::data(nx, ny, [](int, int) { return uint16_t{0x8123}; }); };
  // The good 9 x 7 frame with card `place` replaced, or with one card more.
  auto with = [&](size_t place, const std::string& replacement) {
    auto c = dated(basicCards(9, 7));
    c[place] = replacement;
    return fitstest::header(c) + data(9, 7);
  };
  auto plusCard = [&](const std::string& extra) {
    auto c = dated(basicCards(9, 7));
    c.push_back(extra);
    return fitstest::header(c) + data(9, 7);
  };
  std::string good = fitstest::header(dated(basicCards(9, 7))) + data(9, 7);
  std::vector<std::string> noEnd = dated(basicCards(9, 7));
  std::string noEndBytes;
  for (int k = 0; k < 72; ++k) noEndBytes += k < static_cast<int>(noEnd.size()) ? noEnd[static_cast<size_t>(k)] : card("");
  return {
      {"oversized", fitstest::header(dated(basicCards(1204, 1203))) + data(10, 10),
       "   error - frame of 1204 x 1203 pixels is larger than a workspace (1447680 pixels); file not loaded"},
      {"huge", fitstest::header(dated(basicCards(100000, 100000))) + data(10, 10),
       "   error - frame of 100000 x 100000 pixels is larger than a workspace (1447680 pixels); file not loaded"},
      {"zerowide", fitstest::header(dated(basicCards(0, 7))) + data(9, 7),
       "   error - frame size 0 x 7 is not usable; file not loaded"},
      {"truncated", good.substr(0, good.size() - 2880), ""},
      {"lastrow", fitstest::header(dated(basicCards(9, 7))) + fitstest::data(9, 7, [](int, int) { return 1; }, false)
                      .substr(0, 9 * 7 * 2 - 1), ""},
      {"halfblock", fitstest::header(dated(basicCards(9, 7))).substr(0, 2000), ""},
      {"noend", noEndBytes + data(9, 7), ""},
      {"bitpix7", [] {
         auto c = dated(basicCards(9, 7));
         c[1] = valueCard("BITPIX", "7");
         return fitstest::header(c) + std::string(2880, '\x01');
       }(), "   error - BITPIX = 7 is not a FITS pixel format; file not loaded: "},
      {"bitpixneg", with(1, valueCard("BITPIX", "-16")), "   error - BITPIX = -16 is not a FITS pixel format"},
      {"notsimple", with(0, valueCard("SIMPLE", "F")),
       "   error - the header does not start with SIMPLE = T; file not loaded: "},
      {"naxis1", with(2, valueCard("NAXIS", "1")), "   error - NAXIS = 1: a frame has two axes; file not loaded: "},
      {"naxis999", with(2, valueCard("NAXIS", "999")), "   error - NAXIS = 999: a frame has two axes"},
      {"naxis3", [&] {
         auto c = dated(basicCards(9, 7));
         c[2] = valueCard("NAXIS", "3");
         c.insert(c.begin() + 5, valueCard("NAXIS3", "2"));
         return fitstest::header(c) + data(9, 14);
       }(), "   error - NAXIS = 3 with NAXIS3 = 2: a frame has two axes"},
      {"negwide", with(3, valueCard("NAXIS1", "-5")), "   error - frame size -5 x 7 is not usable; file not loaded"},
      {"neghigh", with(4, valueCard("NAXIS2", "-1")), "   error - frame size 9 x -1 is not usable; file not loaded"},
      {"above31", fitstest::header(dated(basicCards(70000, 70000))) + data(10, 10),
       "   error - frame of 70000 x 70000 pixels is larger than a workspace"},
      {"naxisbig", with(3, valueCard("NAXIS1", "99999999999")),
       "    error in convh - are you trying to read a non-existent file?"},
      {"bscalenan", plusCard(valueCard("BSCALE", "NaN")), "   error - BSCALE = NaN is not a usable scale; file not loaded"},
      {"bscale0", plusCard(valueCard("BSCALE", "0.0")), "   error - BSCALE = 0.0 is not a usable scale"},
      {"bzeronan", plusCard(valueCard("BZERO", "NaN")), "    error in convh - are you trying to read a non-existent file?"},
      {"nosize", fitstest::header({valueCard("SIMPLE", "T"), valueCard("BITPIX", "16"), valueCard("NAXIS", "2")}),
       "    error in convh - are you trying to read a non-existent file?"},
      {"empty", "", ""},
  };
}

TEST_F(Load, RefusedFilesLeaveEverythingAsItWas) {
  write("good.fit", frame(5, 4, dated(basicCards(5, 4))));
  ASSERT_TRUE(loadInto("good", 1));
  ASSERT_TRUE(loadInto("good", 2, 0, 3.0f));
  ASSERT_TRUE(loadInto("good", 3, 0, 5.0f));
  const Snapshot before(*ws, camera, settings);
  for (const Refused& r : refusedFrames()) {
    write(std::string(r.name) + ".fit", r.bytes);
    for (int workspace = 1; workspace <= 3; ++workspace) {
      out.str("");
      EXPECT_FALSE(loadInto(r.name, workspace)) << r.name;
      EXPECT_TRUE(Snapshot(*ws, camera, settings) == before) << r.name << " changed workspace " << workspace;
      if (*r.message) {
        EXPECT_NE(out.str().find(std::string(r.message)), std::string::npos) << out.str();
      }
      EXPECT_EQ(out.str().find("y m d h m s"), std::string::npos) << r.name;
    }
  }
  out.str("");
  EXPECT_FALSE(loadInto("truncated", 1));
  EXPECT_NE(out.str().find("   error - file ends before its last pixel row; file not loaded: "), std::string::npos);
  out.str("");
  EXPECT_FALSE(loadInto("noend", 1));
  EXPECT_NE(out.str().find("   error - no END card in the header; file not loaded: "), std::string::npos);
  out.str("");
  EXPECT_FALSE(loadInto("missing", 1));
  EXPECT_NE(out.str().find("   ERROR: cannot open file " + textio::fixed(dir.string() + "/missing.fit", 80) + "\n"),
            std::string::npos);
  out.str("");
  EXPECT_FALSE(loadInto("abcdefghijklmnopq", 1));
  EXPECT_EQ(out.str(), "   error - file name longer than 16 characters (no room for its file type): abcdefghijklmnopq\n");
}

}  // namespace
