// Frames of every FITS image format, side by side with astropy: frames written in each
// format, the real frame beside the tests and the FITS test files of Debian's astropy, ccdproc
// and astroquery load
// with the physical values and the frame time astropy's reading gives, or are refused with
// a message; damaged compressed frames are refused and change nothing; files that are not
// plain files are read only as far as their header says.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "image/fits_load.h"
#include "tests/image/fits_files.h"
#include "tests/image/frame_fixture.h"

namespace {

bool haveAstropy() {
  return std::system("/usr/bin/python3 -c 'import astropy.io.fits, numpy' >/dev/null 2>&1") == 0;
}

struct Formats : fitstest::FrameFixture {
  bool load(const std::string& name, int workspace = 1) {
    out.str("");
    return image::loadf(console, settings, camera, *ws, name20(name), image::Combine::Replace, 1.0f, 0, 0,
                        workspace);
  }
  // The frames and their expected readings (see tests/data/formats/frames_peer.py).
  std::vector<std::string> peerTable() {
    const std::string script = std::string(PELM_SOURCE_DIR) + "/tests/data/formats/frames_peer.py";
    const std::string real = std::string(PELM_SOURCE_DIR) + "/tests/data/real/aspen_eyuma_thumbnail.fit";
    const std::string cmd = "cd '" + dir.string() + "' && /usr/bin/python3 '" + script + "' '" + real +
                            "' /usr/lib/python3/dist-packages/astropy/io/fits/tests/data/*.fits"
                            " $(find /usr/lib/python3/dist-packages/ccdproc /usr/lib/python3/dist-packages/astroquery"
                            " -path '*/tests/data/*' \\( -iname '*.fits' -o -iname '*.fit' \\) 2>/dev/null | sort)"
                            " > py.out 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << read("py.out");
    return testsupport::lines(read("expected.txt"));
  }
};

TEST_F(Formats, EveryFormatLoadsWithAstropysValuesAndTimesOrIsRefused) {
  if (!haveAstropy()) GTEST_SKIP() << "astropy is not installed (Debian package python3-astropy)";
  int loaded = 0, refused = 0;
  for (const std::string& line : peerTable()) {
    std::istringstream fields(line);
    std::string file, what;
    fields >> file >> what;
    const std::string name = file.substr(0, file.find('.'));
    SCOPED_TRACE(line);
    if (what == "refused") {
      EXPECT_FALSE(load(name));
      EXPECT_NE(out.str().find("error"), std::string::npos) << out.str();
      ++refused;
      continue;
    }
    int32_t nx = std::stoi(what), ny = 0, y = 0, m = 0, d = 0, order = 1;
    double hours = 0.0;
    fields >> ny >> y >> m >> d >> hours >> order;
    camera.dateOrder = order;
    ASSERT_TRUE(load(name)) << out.str();
    ++loaded;
    ASSERT_EQ(ws->nx, nx);
    ASSERT_EQ(ws->ny, ny);
    EXPECT_EQ(ws->frameYear, y);
    EXPECT_EQ(ws->frameMonth, m);
    EXPECT_EQ(ws->frameDay, d);
    EXPECT_NEAR(ws->frameTime, hours, 3e-6) << out.str();
    std::istringstream values(read(file + ".values"));
    int differing = 0;
    for (int j = 1; j <= ny; ++j) {
      for (int i = 1; i <= nx; ++i) {
        int64_t v = 0;
        values >> v;
        if (pixel(i, j) != v && ++differing <= 3) {
          ADD_FAILURE() << "pixel " << i << "," << j << ": " << pixel(i, j) << " not " << v;
        }
      }
    }
    EXPECT_EQ(differing, 0);
    // Saved as 16-bit frames of the camera's storage, whatever was read.
    EXPECT_EQ(ws->headerCards[1].substr(0, 30), fitstest::valueCard("BITPIX", "16").substr(0, 30));
  }
  // Eleven frames written here, the real frame and eleven of astropy's files hold an image
  // (and more of ccdproc's and astroquery's where they are installed).
  EXPECT_GE(loaded, 23);
  EXPECT_GE(refused, 15);
  // The blank and clipped pixels are counted in one extra line of the report.
  ASSERT_TRUE(load("f32"));
  EXPECT_NE(out.str().find("   1 blank pixels set to 0, 2 pixels clipped to the 32-bit range\n"), std::string::npos)
      << out.str();
  // Damaged compressed frames are refused and change nothing.
  ASSERT_TRUE(load("rice"));
  const std::vector<std::string> cards = ws->headerCards;
  const int32_t corner = pixel(1, 1);
  const std::string rice = read("rice.fit"), gz = read("gz.fit");
  std::string flipped = rice;
  for (size_t k = 2880 * 2 + 100; k < flipped.size(); k += 7) flipped[k] = static_cast<char>(~flipped[k]);
  write("cut.fit", rice.substr(0, rice.size() / 2 + 1000));
  write("flip.fit", flipped);
  write("gzcut.fit", gz.substr(0, gz.size() / 2));
  // A gzip trailer claiming 4 GB would have the library allocate it before decompressing.
  std::string bomb = gz;
  bomb.replace(bomb.size() - 4, 4, std::string("\x00\x00\x00\xF0", 4));
  write("gzbomb.fit", bomb);
  // A tile size of 0 would have the library divide by it.
  std::string zeroTile = rice;
  const size_t tileCard = zeroTile.find("ZTILE2  = ");
  ASSERT_NE(tileCard, std::string::npos);
  zeroTile.replace(tileCard, 80, fitstest::valueCard("ZTILE2", "0"));
  write("zerotile.fit", zeroTile);
  // A tile whose descriptor claims a gigabyte would have the library allocate it.
  std::string hugeTile = rice;
  const size_t tableEnd = hugeTile.find("END" + std::string(77, ' '), hugeTile.find("XTENSION= 'BINTABLE'"));
  ASSERT_NE(tableEnd, std::string::npos);
  hugeTile.replace((tableEnd / 2880 + 1) * 2880, 4, std::string("\x40\x00\x00\x00", 4));
  write("hugetile.fit", hugeTile);
  for (const char* bad : {"cut", "flip", "gzcut", "gzbomb", "zerotile", "hugetile"}) {
    EXPECT_FALSE(load(bad)) << bad;
    EXPECT_NE(out.str().find("; file not loaded: "), std::string::npos) << out.str();
    const std::string bad_ = bad;
    if (bad_ == "gzbomb") {
      EXPECT_NE(out.str().find("   error - the gzip file says it expands to 4026531840 bytes"), std::string::npos);
    }
    if (bad_ == "zerotile") {
      EXPECT_NE(out.str().find("   error - the compressed image has an unusable size card (ZTILE2 "), std::string::npos);
    }
    if (bad_ == "hugetile") {
      EXPECT_NE(out.str().find("   error - a compressed tile lies outside its table (a damaged file); file not loaded"),
                std::string::npos);
    }
    EXPECT_EQ(ws->headerCards, cards) << bad;
    EXPECT_EQ(pixel(1, 1), corner) << bad;
  }
}

TEST_F(Formats, FilesThatAreNotPlainFilesAreReadOnlyAsFarAsTheHeaderSays) {
  const std::string good = fitstest::header([] {
                             auto c = fitstest::basicCards(4, 3);
                             c.push_back(fitstest::valueCard("DATE-OBS", "'2020-01-02T03:04:05'"));
                             return c;
                           }()) +
                           fitstest::data(4, 3, [](int i, int j) { return static_cast<uint16_t>(0x8000 + i * 10 + j); });
  std::filesystem::create_symlink("/dev/zero", dir / "zero.fit");
  std::filesystem::create_directory(dir / "folder.fit");
  ASSERT_EQ(::mkfifo((dir / "pipe.fit").c_str(), 0600), 0);
  // The pipe holds a frame and then more than its header says (within the pipe's buffer, so
  // the writer is done before the load stops reading).
  // The load may close the pipe before the writer has written its surplus: that write then
  // fails instead of ending the test process.
  std::signal(SIGPIPE, SIG_IGN);
  std::thread writer([&] {
    std::ofstream pipe(dir / "pipe.fit", std::ios::binary);
    pipe << good << std::string(20000, 'x');
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(load("pipe")) << out.str();
  writer.join();
  EXPECT_EQ(pixel(4, 3), 43);
  EXPECT_FALSE(load("zero"));
  EXPECT_NE(out.str().find("   error - no END card in the header; file not loaded: "), std::string::npos) << out.str();
  EXPECT_FALSE(load("folder"));
  EXPECT_NE(out.str().find("   ERROR: cannot open file "), std::string::npos) << out.str();
  EXPECT_EQ(pixel(4, 3), 43);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

}  // namespace
