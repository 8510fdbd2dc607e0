// Saving frames: round trips for each camera storage, the real frame saved back unchanged,
// the header written, padding, wide rows, and the overwrite question.
#include <gtest/gtest.h>

#include "image/fits_load.h"
#include "image/fits_save.h"
#include "tests/image/fits_files.h"
#include "tests/image/frame_fixture.h"

namespace {

using fitstest::basicCards;
using fitstest::card;
using fitstest::valueCard;

// A real camera frame (provenance and licence in the README beside it).
const std::filesystem::path kRealFrame =
    std::filesystem::path(PELM_SOURCE_DIR) / "tests" / "data" / "real" / "aspen_eyuma_thumbnail.fit";

struct Save : fitstest::FrameFixture {
  bool loadInto(const std::string& name, int workspace = 1) {
    return image::loadf(console, settings, camera, *ws, name20(name), image::Combine::Replace, 1.0f, 0, 0,
                        workspace);
  }
  void saveAs(const std::string& name) { image::save(console, settings, camera, *ws, name20(name)); }
};

struct Storage {
  int icv;
  std::string bzero;                    // BZERO card value, empty for none
  std::function<uint16_t(int, int)> stored;  // the camera's bytes of pixel (i, j)
};

// Round trips: a camera frame loaded and saved gives the same file; loaded again, the same pixels.
TEST_F(Save, EveryCameraStorageRoundTrips) {
  const std::vector<Storage> storages{
      {0, "", [](int i, int j) { return static_cast<uint16_t>(i * 997 + j * 6151); }},
      {1, "", [](int i, int j) { return static_cast<uint16_t>(((i + j) % 2 ? 0x8000 : 0) | ((i * 389 + j * 71) & 0x7FFF)); }},
      {4, "32768", [](int i, int j) { return static_cast<uint16_t>(i * 997 + j * 6151); }},
      {17, "100", [](int i, int j) { return static_cast<uint16_t>(((i + j) % 2 ? 0x8000 : 0) | ((i * 389 + j * 71) & 0x7FFF)); }},
      {96, "32768", [](int i, int j) { return static_cast<uint16_t>(i * 997 + j * 6151); }},
  };
  for (const Storage& s : storages) {
    useIcv(s.icv);
    auto cards = basicCards(23, 11, s.bzero);
    cards.push_back(valueCard("DATE-OBS", "'2019-01-02T03:04:05'"));
    cards.push_back(card("COMMENT stored by the camera"));
    std::string original = fitstest::header(cards) + fitstest::data(23, 11, s.stored);
    write("cam.fit", original);
    ASSERT_TRUE(loadInto("cam")) << "icv " << s.icv;
    std::vector<int32_t> loaded(ws->w1.begin(), ws->w1.begin() + 23 * 11);
    saveAs("copy");
    EXPECT_TRUE(read("copy.fit") == original) << "icv " << s.icv;
    image::init(console, *ws);
    ASSERT_TRUE(loadInto("copy"));
    EXPECT_TRUE(std::equal(loaded.begin(), loaded.end(), ws->w1.begin())) << "icv " << s.icv;
  }
}

TEST_F(Save, TheRealFrameLoadsWithItsDateAndSavesBackUnchanged) {
  ASSERT_TRUE(std::filesystem::exists(kRealFrame)) << kRealFrame;
  write("aspen.fit", testsupport::readFile(kRealFrame));
  ASSERT_TRUE(loadInto("aspen"));
  EXPECT_EQ(ws->nx, 256);
  EXPECT_EQ(ws->ny, 256);
  EXPECT_EQ(ws->bzero, 32768.0f);
  EXPECT_EQ(ws->frameYear, 2018);
  EXPECT_EQ(ws->frameMonth, 4);
  EXPECT_EQ(ws->frameDay, 17);
  EXPECT_EQ(ws->frameHour, 3);
  // DATE-OBS 03:35:22 is the start of the 90-s exposure: the frame time is its middle.
  EXPECT_EQ(ws->frameMinute, 36);
  EXPECT_EQ(ws->frameSecond, 7);
  EXPECT_NEAR(ws->frameTime, 3.0f + 36.0f / 60.0f + 7.0f / 3600.0f, 1e-6);
  EXPECT_NE(out.str().find("   y m d h m s = 2018  4 17   3 36  7    3.602  [ 256 x 256 ] bzero =  32768.\n"),
            std::string::npos);
  // 298 cards, then END in the ninth block: 324 cards are kept.
  EXPECT_EQ(ws->headerCards[298].substr(0, 8), "END     ");
  EXPECT_EQ(ws->headerCards[323], card(""));
  EXPECT_EQ(ws->headerCards[324], std::string(80, 'x'));
  // A sky near 2773 and the one saturated pixel.
  int saturated = 0;
  int64_t sum = 0;
  for (int j = 1; j <= 256; ++j) {
    for (int i = 1; i <= 256; ++i) {
      int32_t v = pixel(i, j);
      sum += v;
      if (v == 65535) ++saturated;
    }
  }
  EXPECT_EQ(saturated, 1);
  EXPECT_GT(sum / 65536, 2700);
  EXPECT_LT(sum / 65536, 2900);
  saveAs("aspen2");
  EXPECT_TRUE(read("aspen2.fit") == read("aspen.fit"));
}

TEST_F(Save, WithoutALoadedFrameAMinimalHeaderIsWritten) {
  ws->nx = 3;
  ws->ny = 2;
  ws->put(1, 1, 1000);
  ws->put(3, 2, 65535);
  ws->put(2, 2, -20);  // unsigned storage: written as 0
  saveAs("synth");
  std::string bytes = read("synth.fit");
  ASSERT_EQ(bytes.size(), 5760u);
  std::string expectedHeader = fitstest::header({valueCard("SIMPLE", "T"), valueCard("BITPIX", "16"),
                                                 valueCard("NAXIS", "2"), valueCard("NAXIS1", "3"),
                                                 valueCard("NAXIS2", "2"), valueCard("BZERO", "32768")});
  EXPECT_EQ(bytes.substr(0, 2880), expectedHeader);
  EXPECT_EQ(bytes.substr(2880, 12), std::string("\x83\xE8\x80\x00\x80\x00\x80\x00\x80\x00\x7F\xFF", 12));
  EXPECT_EQ(bytes.substr(2892), std::string(2880 - 12, '\0'));
  ASSERT_TRUE(loadInto("synth", 2));
  EXPECT_EQ(pixel(1, 1, 2), 1000);
  EXPECT_EQ(pixel(2, 2, 2), 0);
  EXPECT_EQ(pixel(3, 2, 2), 65535);
  // Sign-and-magnitude storage keeps its sign even before any frame was loaded.
  std::unique_ptr<image::Workspaces> fresh = std::make_unique<image::Workspaces>();
  ws.swap(fresh);
  useIcv(1);
  ws->nx = 2;
  ws->ny = 1;
  ws->put(1, 1, -1000);
  saveAs("signed");
  bytes = read("signed.fit");
  EXPECT_EQ(bytes.substr(2880, 4), std::string("\x83\xE8\x00\x00", 4));
  EXPECT_EQ(bytes.find("BZERO"), std::string::npos);
}

TEST_F(Save, SizeCardsFollowTheSizeSavedAndAnEndCardIsAlwaysWritten) {
  std::vector<std::string> cards = basicCards(4, 4);
  cards.push_back(valueCard("DATE-OBS", "'2019-01-02T03:04:05'"));
  while (cards.size() < 380) cards.push_back(card("HISTORY " + std::to_string(cards.size())));
  write("long.fit", fitstest::header(cards) + fitstest::data(4, 4, [](int i, int) { return 0x8000 + i; }));
  ASSERT_TRUE(loadInto("long"));
  write("wide.fit", fitstest::header(basicCards(6, 3)) + fitstest::data(6, 3, [](int, int) { return 0x8005; }));
  ASSERT_TRUE(loadInto("wide", 2));  // the image size is now 6 x 3
  std::vector<int32_t> before;
  for (int j = 1; j <= 3; ++j)
    for (int i = 1; i <= 6; ++i) before.push_back(pixel(i, j));
  saveAs("out");
  std::string bytes = read("out.fit");
  EXPECT_EQ(bytes.size() % 2880, 0u);
  EXPECT_EQ(bytes.substr(3 * 80, 80), valueCard("NAXIS1", "6"));
  EXPECT_EQ(bytes.substr(4 * 80, 80), valueCard("NAXIS2", "3"));
  EXPECT_EQ(bytes.substr(359 * 80, 80), cards[359]);
  EXPECT_EQ(bytes.substr(360 * 80, 80), card("END"));  // the 360 kept cards, then END
  ASSERT_TRUE(loadInto("out"));
  EXPECT_EQ(ws->nx, 6);
  std::vector<int32_t> after;
  for (int j = 1; j <= 3; ++j)
    for (int i = 1; i <= 6; ++i) after.push_back(pixel(i, j));
  EXPECT_EQ(after, before);
}

TEST_F(Save, RowsOfAnyWidthAreSavedWhole) {
  std::unique_ptr<image::Workspaces> fresh = std::make_unique<image::Workspaces>();
  ws.swap(fresh);
  ws->nx = 4000;
  ws->ny = 3;
  for (int j = 1; j <= 3; ++j)
    for (int i = 1; i <= 4000; ++i) ws->put(i, j, i + 7 * j);
  saveAs("wide");
  ASSERT_TRUE(loadInto("wide", 3));
  EXPECT_EQ(ws->nx, 4000);
  EXPECT_EQ(pixel(3999, 3, 3), 3999 + 21);
  EXPECT_EQ(read("wide.fit").size() % 2880, 0u);
}

TEST_F(Save, RawLookingNamesAskBeforeWriting) {
  ws->nx = 2;
  ws->ny = 2;
  write("img12.fit", "camera frame");
  for (const char* answer : {"n\n", "\n", "N\n"}) {
    out.str("");
    in.clear();
    in.str(answer);
    saveAs("img12");
    EXPECT_EQ(read("img12.fit"), "camera frame");
    EXPECT_EQ(out.str(),
              "   entered routine addtyp; fname = img12               \n"
              "   adding file type... filename = img12.fit           \n"
              "   you may be overwriting a raw image file; proceed? Y/N [N] ");
  }
  in.clear();
  in.str("Y\n");
  saveAs("IMG12");
  EXPECT_EQ(read("IMG12.fit").size(), 5760u);
  // Another current type, or a name not starting with img: no question.
  image::setTypeCode(settings, image::kCurrentType, "dfc");
  saveAs("img12");
  EXPECT_EQ(read("img12.dfc").size(), 5760u);
  image::setTypeCode(settings, image::kCurrentType, "fit");
  saveAs("m31");
  EXPECT_EQ(read("m31.fit").size(), 5760u);
  // The overwrite characters "..." ask for every name.
  image::setTypeCode(settings, image::kOverwriteChars, "...");
  in.clear();
  in.str("n\n");
  saveAs("m32");
  EXPECT_FALSE(std::filesystem::exists(dir / "m32.fit"));
}

}  // namespace
