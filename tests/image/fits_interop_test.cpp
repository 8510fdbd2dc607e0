// Side-by-side checks with peer FITS software: a frame written by astropy as unsigned 16-bit
// data loads with its pixel values and date; frames this system saves pass fitsverify and read
// back in astropy with the same pixel values.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "image/fits_load.h"
#include "image/fits_save.h"
#include "tests/image/frame_fixture.h"

namespace {

bool succeeds(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

bool haveAstropy() { return succeeds("/usr/bin/python3 -c 'import astropy.io.fits, numpy'"); }
bool haveFitsverify() { return succeeds("command -v fitsverify"); }

// The pixel values astropy is asked to write (row j, column i, both from 1), 0 and 65535 included.
int32_t astropyValue(int i, int j, int nx) {
  if (j == 1 && i <= 2) return i == 1 ? 0 : 65535;
  return static_cast<int32_t>((static_cast<int64_t>((j - 1) * nx + (i - 1)) * 37) % 65536);
}

struct Interop : fitstest::FrameFixture {
  // Runs a Python script in the working folder; its output is returned, the status checked.
  std::string python(const std::string& script, int* status) {
    write("check.py", script);
    std::string cmd = "cd '" + dir.string() + "' && /usr/bin/python3 check.py > py.out 2>&1";
    *status = std::system(cmd.c_str());
    return read("py.out");
  }
  std::string fitsverify(const std::string& file) {
    std::string cmd = "cd '" + dir.string() + "' && fitsverify " + file + " > fv.out 2>&1";
    (void)std::system(cmd.c_str());
    return read("fv.out");
  }
  // Workspace 1 as text, one value per line, rows in order.
  void writeExpected(const std::string& name) {
    std::string s;
    for (int j = 1; j <= ws->ny; ++j)
      for (int i = 1; i <= ws->nx; ++i) s += std::to_string(pixel(i, j)) + "\n";
    write(name, s);
  }
  // A script that compares frames read by astropy with the expected values (file, values).
  static std::string compareScript(const std::vector<std::pair<std::string, std::string>>& pairs) {
    std::string s = "import numpy as np\nfrom astropy.io import fits\nok = True\n";
    for (const auto& [file, expected] : pairs) {
      s += "d = fits.getdata('" + file + "').astype(np.int64).ravel()\n"
           "e = np.loadtxt('" + expected + "', dtype=np.int64)\n"
           "bad = np.flatnonzero(d != e) if d.size == e.size else np.arange(1)\n"
           "print('" + file + "', d.size, 'values,', bad.size, 'differing', bad[:5])\n"
           "ok = ok and bad.size == 0\n";
    }
    return s + "raise SystemExit(0 if ok else 1)\n";
  }
};

TEST_F(Interop, AstropyFrameLoadsAndSavedFramesReadBackInAstropy) {
  if (!haveAstropy()) GTEST_SKIP() << "astropy is not installed (Debian package python3-astropy)";
  const int nx = 61, ny = 37;
  int status = 0;
  std::string log = python(
      "import numpy as np\nfrom astropy.io import fits\n"
      "nx, ny = 61, 37\n"
      "d = ((np.arange(nx * ny, dtype=np.int64) * 37) % 65536).reshape(ny, nx)\n"
      "d[0, 0] = 0\nd[0, 1] = 65535\n"
      "h = fits.PrimaryHDU(d.astype(np.uint16))\n"
      "h.header['DATE-OBS'] = '2021-03-04T05:06:07.25'\n"
      "h.writeto('astro.fit', overwrite=True)\n",
      &status);
  ASSERT_EQ(status, 0) << log;
  useIcv(4);
  ASSERT_TRUE(
      image::loadf(console, settings, camera, *ws, name20("astro"), image::Combine::Replace, 1.0f, 0, 0, 1))
      << out.str();
  ASSERT_EQ(ws->nx, nx);
  ASSERT_EQ(ws->ny, ny);
  EXPECT_EQ(ws->bzero, 32768.0f);
  int wrong = 0;
  for (int j = 1; j <= ny; ++j)
    for (int i = 1; i <= nx; ++i) wrong += pixel(i, j) != astropyValue(i, j, nx);
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(ws->frameYear, 2021);
  EXPECT_EQ(ws->frameMonth, 3);
  EXPECT_EQ(ws->frameDay, 4);
  EXPECT_EQ(ws->frameHour, 5);
  EXPECT_EQ(ws->frameMinute, 6);
  EXPECT_EQ(ws->frameSecond, 7);

  // Saved unchanged, and saved after changes (a negative pixel is stored as 0).
  image::save(console, settings, camera, *ws, name20("same"));
  ws->put(3, 2, 12345);
  ws->put(4, 2, -40);
  ws->put(5, 2, 80000);
  image::save(console, settings, camera, *ws, name20("changed"));
  ws->put(4, 2, 0);
  ws->put(5, 2, 65534);
  writeExpected("changed.txt");
  ws->put(3, 2, astropyValue(3, 2, nx));
  ws->put(4, 2, astropyValue(4, 2, nx));
  ws->put(5, 2, astropyValue(5, 2, nx));
  writeExpected("same.txt");

  // A frame saved when no frame had been loaded into workspace 1 (a header written from nothing).
  ws = std::make_unique<image::Workspaces>();
  ws->nx = 45;
  ws->ny = 30;
  for (int j = 1; j <= 30; ++j)
    for (int i = 1; i <= 45; ++i) ws->put(i, j, (i * 1409 + j * 7919) % 65536);
  image::save(console, settings, camera, *ws, name20("synth"));
  writeExpected("synth.txt");
  log = python(compareScript({{"same.fit", "same.txt"}, {"changed.fit", "changed.txt"}, {"synth.fit", "synth.txt"}}),
               &status);
  EXPECT_EQ(status, 0) << log;
}

TEST_F(Interop, SavedFramesPassFitsverify) {
  if (!haveFitsverify()) GTEST_SKIP() << "fitsverify is not installed (Debian package fitsverify)";
  useIcv(4);
  ws->nx = 3001;  // wider than any fixed row buffer
  ws->ny = 4;
  for (int j = 1; j <= 4; ++j)
    for (int i = 1; i <= 3001; ++i) ws->put(i, j, i * j);
  image::save(console, settings, camera, *ws, name20("minimal"));
  std::string report = fitsverify("minimal.fit");
  EXPECT_NE(report.find("Verification found 0 warning(s) and 0 error(s)."), std::string::npos) << report;
  // A frame loaded with the camera's own header and saved again.
  std::string header;
  for (std::string c : {"SIMPLE  =                    T", "BITPIX  =                   16",
                        "NAXIS   =                    2", "NAXIS1  =                   20",
                        "NAXIS2  =                   10", "BZERO   =                32768",
                        "DATE-OBS= '2005-09-12T21:30:15'", "END"}) {
    header += textio::fixed(c, 80);
  }
  header.resize(2880, ' ');
  write("cam.fit", header + std::string(400, '\x80'));  // data shorter than a block: no padding
  ASSERT_TRUE(
      image::loadf(console, settings, camera, *ws, name20("cam"), image::Combine::Replace, 1.0f, 0, 0, 1))
      << out.str();
  image::save(console, settings, camera, *ws, name20("camcopy"));
  report = fitsverify("camcopy.fit");
  EXPECT_NE(report.find("Verification found 0 warning(s) and 0 error(s)."), std::string::npos) << report;
}

}  // namespace
