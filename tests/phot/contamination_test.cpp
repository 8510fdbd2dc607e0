// Contamination flags: the zones of one measurement (aperture plus 2 fwhm, sky patch, sky
// box) at their edges, the night's star field seeing a star that the moving object covers,
// and photflags.txt read back as written.
#include "phot/contamination.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "phot/phot_flags.h"
#include "tests/align/star_list_text.h"
#include "textio/fixed_text.h"

namespace {

phot::MeasureGeometry geometry() {
  phot::MeasureGeometry g;
  g.u = 100.0f;
  g.v = 100.0f;
  g.apertureRadius = 4.0f;
  g.fwhm = 3.0f;
  g.objectPeak = 1000.0f;
  g.skyBox = 50;
  return g;
}

TEST(Contamination, ZonesOfOneMeasurementAtTheirEdges) {
  phot::MeasureGeometry g = geometry();
  // Aperture plus 2 fwhm = 10 pixels: a star at 9.9 is in, at 10.1 only in the sky box.
  auto in = phot::checkContamination(g, {{109.9f, 100.0f, 500.0f}});
  EXPECT_EQ(in.flag, phot::Contamination::Aperture);
  EXPECT_NEAR(in.distance, 9.9f, 1e-4f);
  EXPECT_NEAR(in.ratio, 0.5f, 1e-6f);
  EXPECT_EQ(phot::checkContamination(g, {{110.1f, 100.0f, 500.0f}}).flag, phot::Contamination::SkyBox);
  // The box of side 50 around pixel (100, 100) ends 25 pixels out, along each axis.
  EXPECT_EQ(phot::checkContamination(g, {{125.0f, 75.0f, 500.0f}}).flag, phot::Contamination::SkyBox);
  auto outside = phot::checkContamination(g, {{125.5f, 100.0f, 500.0f}});
  EXPECT_EQ(outside.flag, phot::Contamination::Clean);
  EXPECT_NEAR(outside.distance, 25.5f, 1e-4f);
  EXPECT_EQ(phot::checkContamination(g, {}).flag, phot::Contamination::Clean);
  // The worst flag wins over a nearer-ranked star; among equals the nearest.
  auto worst = phot::checkContamination(g, {{120.0f, 100.0f, 100.0f}, {106.0f, 100.0f, 3000.0f}, {103.0f, 100.0f, 200.0f}});
  EXPECT_EQ(worst.flag, phot::Contamination::Aperture);
  EXPECT_NEAR(worst.distance, 3.0f, 1e-4f);
  EXPECT_NEAR(worst.ratio, 0.2f, 1e-6f);
  // A field star beside a fixed object is steady; beside the moving object it contaminates.
  EXPECT_EQ(phot::checkContamination(g, {{105.0f, 100.0f, 500.0f, true}}).flag, phot::Contamination::Steady);
  EXPECT_FALSE(phot::isContaminated(phot::Contamination::Steady));
  g.motion = phot::ObjectMotion::Moving;
  EXPECT_EQ(phot::checkContamination(g, {{105.0f, 100.0f, 500.0f, true}}).flag, phot::Contamination::Aperture);
  // Sky patches: a star within patch radius plus 1 fwhm of a centre.
  g.skyBox = 0;
  g.patches = {{130.0f, 100.0f, 0.0f}};
  g.patchRadius = 5.0f;
  EXPECT_EQ(phot::checkContamination(g, {{137.9f, 100.0f, 50.0f}}).flag, phot::Contamination::Sky);
  EXPECT_EQ(phot::checkContamination(g, {{138.1f, 100.0f, 50.0f}}).flag, phot::Contamination::Clean);
  EXPECT_TRUE(phot::isContaminated(phot::Contamination::Sky));
  EXPECT_FALSE(phot::isContaminated(phot::Contamination::SkyBox));
}

// Six frames drifting by (2, -1) pixels each; a field star at fiducial (200, 150) and a
// comparison star at (300, 250); the asteroid moves 4 pixels a frame along u and covers the
// field star in the fourth frame, where the star finder lists one star for the two.
struct CrossingNight {
  std::unique_ptr<align::AlignmentTable> table = std::make_unique<align::AlignmentTable>();
  std::string list;
  CrossingNight() {
    for (int k = 1; k <= 6; ++k) {
      const float du = 2.0f * static_cast<float>(k - 1), dv = -1.0f * static_cast<float>(k - 1);
      const std::string name = "f" + std::to_string(k);
      table->entries[k].name = textio::fixed(name, 20);
      table->entries[k].du = du;
      table->entries[k].dv = dv;
      const double astU = 188.0 + 4.0 * (k - 1) + du, astV = 150.0 + dv;
      std::vector<aligntest::Star> stars = {{300.0 + du, 250.0 + dv}};
      if (k == 4) {
        stars.push_back({200.3 + du, 150.0 + dv});  // the blend, nearer the star
      } else {
        stars.push_back({200.0 + du, 150.0 + dv});
        stars.push_back({astU, astV});
      }
      list += aligntest::block(name + ".fts", 700.0, 20.0 + 0.1 * k, stars);
    }
  }
  float astU(int k) const { return 188.0f + 4.0f * static_cast<float>(k - 1) + 2.0f * static_cast<float>(k - 1); }
  float astV(int k) const { return 150.0f - 1.0f * static_cast<float>(k - 1); }
};

TEST(Contamination, TheStarFieldKnowsTheStarTheMovingObjectCovers) {
  CrossingNight night;
  std::istringstream in(night.list);
  phot::StarField field;
  field.read(in, *night.table, {});
  EXPECT_EQ(field.blockCount(), 6u);
  EXPECT_EQ(field.fieldStarCount(), 2u);  // the asteroid is at no place in 40 % of the frames
  std::vector<phot::NearStar> near;
  phot::MeasureGeometry g = geometry();
  g.motion = phot::ObjectMotion::Moving;
  // Frame 4: the asteroid is on the star (at 0.0 px); the frame's own list holds the blend only.
  ASSERT_TRUE(field.neighbours("f4.fts", 6.0f, -3.0f, 0.0f, night.astU(4), night.astV(4), 3.0f, phot::ObjectMotion::Moving, near));
  g.u = night.astU(4);
  g.v = night.astV(4);
  auto onStar = phot::checkContamination(g, near);
  EXPECT_EQ(onStar.flag, phot::Contamination::Aperture);
  EXPECT_LT(onStar.distance, 0.1f);  // the star where the other frames place it
  // Frame 1: 12 pixels apart, the asteroid's own detection left out: the star is in the box.
  ASSERT_TRUE(field.neighbours("f1", 0.0f, 0.0f, 0.0f, night.astU(1), night.astV(1), 3.0f, phot::ObjectMotion::Moving, near));
  g.u = night.astU(1);
  g.v = night.astV(1);
  auto apart = phot::checkContamination(g, near);
  EXPECT_EQ(apart.flag, phot::Contamination::SkyBox);
  EXPECT_NEAR(apart.distance, 12.0f, 0.1f);  // from the mean place of the star
  // The comparison star is its own field star, left out: nothing near it.
  ASSERT_TRUE(field.neighbours("f2", 2.0f, -1.0f, 0.0f, 302.0f, 249.0f, 3.0f, phot::ObjectMotion::Fixed, near));
  g.u = 302.0f;
  g.v = 249.0f;
  g.motion = phot::ObjectMotion::Fixed;
  EXPECT_EQ(phot::checkContamination(g, near).flag, phot::Contamination::Clean);
  EXPECT_FALSE(field.neighbours("f7", 0.0f, 0.0f, 0.0f, 302.0f, 249.0f, 3.0f, phot::ObjectMotion::Fixed, near));
}

TEST(Contamination, PhotflagsLinesReadBackAsWritten) {
  std::ostringstream out;
  out << phot::photFlagsTitle() << '\n'
      << phot::photFlagsLine("fmg001", "ast  ", {phot::Contamination::Aperture, 2.41f, 0.95f}) << '\n'
      << phot::photFlagsLine("fmg001", "s1   ", {phot::Contamination::SkyBox, 20.0f, 0.1f}) << '\n'
      << phot::photFlagsLine("fmg002.fts", "ast", {phot::Contamination::Clean, 999.99f, 0.0f}) << '\n';
  EXPECT_EQ(phot::photFlagsLine("fmg001", "ast", {phot::Contamination::Aperture, 2.41f, 0.95f}),
            " fmg001               ast    aperture    2.41    0.95");
  std::istringstream in(out.str());
  const phot::PhotFlags flags = phot::readPhotFlags(in);
  ASSERT_EQ(flags.size(), 2u);
  EXPECT_EQ(flags.at("fmg001").at("ast"), phot::Contamination::Aperture);
  EXPECT_EQ(flags.at("fmg001").at("s1"), phot::Contamination::SkyBox);
  EXPECT_EQ(flags.at("fmg002").at("ast"), phot::Contamination::Clean);
}

}  // namespace
