// Timing sanity of a batch: one night's headers with each anomaly once, and a clean night
// across midnight that gives no line.
#include "results/timing_checks.h"

#include <gtest/gtest.h>

namespace {

std::string card(const std::string& key, const std::string& value) {
  std::string c = key;
  c.resize(8, ' ');
  c += "= '" + value + "'";
  c.resize(80, ' ');
  return c;
}

std::pair<std::string, results::FrameStamp> frame(const std::string& name, std::vector<std::string> cards) {
  cards.push_back(card("EXPTIME", "60"));
  results::FrameStamp stamp;
  std::string why;
  EXPECT_TRUE(results::frameStamp(cards, stamp, why)) << name << ": " << why;
  return {name, stamp};
}

TEST(TimingChecks, EachAnomalyIsOneLineNamingTheFrame) {
  const std::vector<std::pair<std::string, results::FrameStamp>> night = {
      frame("f1", {card("DATE-OBS", "2026-03-14"), card("TIME-OBS", "23:58:00")}),
      frame("f2", {card("DATE-OBS", "2026-03-14"), card("TIME-OBS", "23:59:30")}),  // midnight, once
      frame("f3", {card("DATE-OBS", "2026-03-15"), card("TIME-OBS", "00:00:10")}),
      frame("f4", {card("DATE-OBS", "2026-03-15"), card("TIME-OBS", "00:00:00")}),
      frame("f5", {card("DATE-OBS", "2026-03-15T00:05:00"), card("TIME-OBS", "00:05:30")}),
      frame("f6", {card("DATE-OBS", "2026-03-15"), card("UT-START", "00:10:00"), card("UT-END", "00:10:50")}),
      frame("f7", {card("DATE-OBS", "2026-03-14"), card("TIME-OBS", "23:59:00")}),
  };
  const std::vector<std::string> want = {
      "   timing - f3: 40.0 s after f2, less than the exposure",
      "   timing - f4: taken 10.0 s before f3, not after it",
      "   timing - f5: the time in DATE-OBS is -30.0 s from TIME-OBS",
      "   timing - f6: UT-START to UT-END is 50.0 s, the exposure 60.0 s",
      "   timing - f7: taken 655.0 s before f6, not after it",
      "   timing - f7: the batch crosses midnight (UTC) a second time",
  };
  EXPECT_EQ(results::timingAnomalies(night), want);
  // Without the faulty frames the night crosses midnight once, each gap longer than 60 s, and
  // a DATE-OBS time that agrees with TIME-OBS passes.
  const auto agreeing = frame("g5", {card("DATE-OBS", "2026-03-15T00:05:00"), card("TIME-OBS", "00:05:01")});
  EXPECT_TRUE(results::timingAnomalies({night[0], night[1], agreeing}).empty());
}

}  // namespace
