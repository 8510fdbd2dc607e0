// Camera definition files and the input control variable bits.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "image/camera.h"
#include "textio/console.h"
#include "tests/support/run_pelm.h"

namespace {

image::CameraRead readCamera(const std::string& content, image::Camera& cam, std::string* warnings = nullptr) {
  auto dir = testsupport::freshFolder("camera");
  testsupport::writeFile(dir / "c.ccd", content);
  std::string problem;
  auto r = image::readCameraFile((dir / "c.ccd").string(), cam, problem, warnings);
  std::filesystem::remove_all(dir);
  return r;
}

TEST(CameraFile, ReadsSixFreeFormatLinesWithTrailingText) {
  image::Camera cam;
  ASSERT_EQ(readCamera("ST-7 camera with a long name\r\n765, 510  ! size\n9 9\n2.3\n84\n0\n", cam),
            image::CameraRead::Ok);
  EXPECT_EQ(cam.name, "ST-7 camera with a l");
  EXPECT_EQ(cam.nx, 765);
  EXPECT_EQ(cam.ny, 510);
  EXPECT_FLOAT_EQ(cam.gain, 2.3f);
  EXPECT_EQ(cam.icv, 84);
  EXPECT_EQ(cam.dateOrder, 0);
}

TEST(CameraFile, CapacityIsCheckedInSixtyFourBits) {
  image::Camera cam;
  // Workspaces grow with the camera up to 2^28 pixels.
  EXPECT_EQ(readCamera("big\n4144 2822\n9 9\n1\n0\n1\n", cam), image::CameraRead::Ok);
  EXPECT_EQ(readCamera("edge\n16384 16384\n9 9\n1\n0\n1\n", cam), image::CameraRead::Ok);
  EXPECT_EQ(readCamera("over\n16384 16385\n9 9\n1\n0\n1\n", cam), image::CameraRead::TooLarge);
  EXPECT_EQ(readCamera("ok\n1200 1200\n9 9\n1\n0\n1\n", cam), image::CameraRead::Ok);
  EXPECT_EQ(readCamera("huge\n100000 100000\n9 9\n1\n0\n1\n", cam), image::CameraRead::TooLarge);
  EXPECT_EQ(readCamera("neg\n-1392 -1040\n9 9\n1\n0\n1\n", cam), image::CameraRead::Malformed);
  EXPECT_EQ(readCamera("short\n100 100\n9 9\n", cam), image::CameraRead::Malformed);
  EXPECT_EQ(readCamera("bad\n100 x\n9 9\n1\n0\n1\n", cam), image::CameraRead::Malformed);
}

TEST(CameraFile, ZeroGainAndPixelSizesAreReplacedByOneWithAWarning) {
  image::Camera cam;
  std::string warnings;
  ASSERT_EQ(readCamera("c\n100 100\n0 9\n-2\n0\n1\n", cam, &warnings), image::CameraRead::Ok);
  EXPECT_EQ(cam.pixelSizeX, 1.0f);
  EXPECT_EQ(cam.gain, 1.0f);
  EXPECT_EQ(cam.pixelSizeY, 9.0f);
  EXPECT_NE(warnings.find("gain"), std::string::npos);
}

TEST(Decode, SlotKHoldsBitKMinusOne) {
  std::istringstream in;
  std::ostringstream out;
  textio::Console console(in, out);
  image::Camera cam;
  cam.icv = 84;
  image::decode(console, cam, image::DecodeListing::Quiet);
  EXPECT_EQ(out.str(), "");
  int expected[16] = {0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int k = 1; k <= 16; ++k) EXPECT_EQ(cam.icvBits[k], expected[k - 1]) << "slot " << k;
  EXPECT_EQ(cam.icv, 84);
}

}  // namespace
