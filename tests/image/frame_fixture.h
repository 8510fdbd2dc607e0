// A working folder, console, settings, camera and workspaces for the loading and saving tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "core/settings.h"
#include "image/camera.h"
#include "image/file_names.h"
#include "image/workspaces.h"
#include "tests/support/run_pelm.h"
#include "textio/console.h"
#include "textio/fixed_text.h"

namespace fitstest {

struct FrameFixture : ::testing::Test {
  std::filesystem::path dir = testsupport::freshFolder("frames");
  std::istringstream in;
  std::ostringstream out;
  textio::Console console{in, out};
  core::Settings settings;
  image::Camera camera;
  std::unique_ptr<image::Workspaces> ws = std::make_unique<image::Workspaces>();

  void SetUp() override {
    settings.workingPath = textio::fixed(dir.string() + "/", 80);
    for (int place : {image::kCurrentType, image::kRawType}) image::setTypeCode(settings, place, "fit");
    useIcv(4);
    ws->nx = 50;
    ws->ny = 40;
  }
  void TearDown() override {
    if (!HasFailure()) std::filesystem::remove_all(dir);
  }
  void useIcv(int icv) {
    camera.icv = icv;
    image::decode(console, camera, image::DecodeListing::Quiet);
  }
  void write(const std::string& name, const std::string& bytes) { testsupport::writeFile(dir / name, bytes); }
  std::string read(const std::string& name) { return testsupport::readFile(dir / name); }
  static std::string name20(const std::string& n) { return textio::fixed(n, 20); }
  int32_t pixel(int i, int j, int workspace = 1) {
    int32_t v = -999999;
    const bool inside = workspace == 1   ? ws->get(i, j, v)
                        : workspace == 2 ? ws->get2(i, j, v)
                                         : ws->get3(i, j, v);
    EXPECT_TRUE(inside) << "pixel " << i << "," << j << " outside the image";
    return v;
  }
};

}  // namespace fitstest
