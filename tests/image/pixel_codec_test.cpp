// Decoding and encoding of stored pixels under the input control variable's rules.
#include <gtest/gtest.h>

#include "image/fits_load.h"
#include "image/fits_save.h"

namespace {

using image::PixelRules;

int32_t decode(int icv, uint8_t hi, uint8_t lo, float bzero) {
  bool stripped = false;
  return image::decodePixel(hi, lo, PixelRules::fromIcv(icv), bzero, stripped);
}

std::pair<int, int> encode(int icv, int32_t v, float bzero, bool signStripped = true) {
  uint8_t hi = 0, lo = 0;
  image::encodePixel(v, PixelRules::fromIcv(icv), bzero, signStripped, hi, lo);
  return {hi, lo};
}

TEST(PixelDecoding, WorkedExamples) {
  EXPECT_EQ(decode(4, 0x83, 0xE8, 32768.0f), 1000);   // signed storage with BZERO 32768
  EXPECT_EQ(decode(4, 0x83, 0xE8, 0.0f), 33768);      // the same bytes without BZERO
  EXPECT_EQ(decode(4, 0x03, 0xE8, 32768.0f), 33768);
  EXPECT_EQ(decode(1, 0x83, 0xE8, 0.0f), -1000);      // sign and magnitude, not two's complement
  EXPECT_EQ(decode(1, 0x03, 0xE8, 0.0f), 1000);
  EXPECT_EQ(decode(0, 0xFF, 0xFF, 0.0f), 65535);      // icv 0: unsigned big-endian
  EXPECT_EQ(decode(0, 0x83, 0xE8, 32768.0f), 33768);
  EXPECT_EQ(decode(2, 0x83, 0xE8, 32768.0f), -1000);  // +2: sign only with BZERO
  EXPECT_EQ(decode(2, 0x83, 0xE8, 0.0f), 33768);
  EXPECT_EQ(decode(2, 0x83, 0xE8, 0.05f), 33768);     // BZERO within 0.1 counts as zero
  EXPECT_EQ(decode(64, 0x03, 0xE8, 0.0f), -1000);     // +64 changes the sign last
  EXPECT_EQ(decode(16, 0x03, 0xE8, 100.0f), 1100);    // +16 adds BZERO
  EXPECT_EQ(decode(32, 0x03, 0xE8, 100.0f), 900);     // +32 subtracts it
}

TEST(PixelDecoding, SignTestsSeeTheByteBeforeInversion) {
  // +1 and +4 together: the sign is read from the byte as stored, then the top bit inverted.
  EXPECT_EQ(decode(5, 0x83, 0xE8, 32768.0f), -1000);
  EXPECT_EQ(decode(5, 0x03, 0xE8, 32768.0f), 1000);
  bool stripped = true;
  image::decodePixel(0x83, 0xE8, PixelRules::fromIcv(4), 32768.0f, stripped);
  EXPECT_FALSE(stripped);
  image::decodePixel(0x03, 0xE8, PixelRules::fromIcv(2), 32768.0f, stripped);
  EXPECT_TRUE(stripped);
}

TEST(PixelDecoding, BzeroResultsBelowZeroAreNotMovedUp) {
  // stored 50 with BZERO -100 is -50 (truncation of -49.9 would give -49)
  EXPECT_EQ(decode(16, 0x00, 50, -100.0f), -50);
  EXPECT_EQ(decode(32, 0x00, 50, 100.0f), -50);
}

TEST(PixelEncoding, WorkedExamples) {
  EXPECT_EQ(encode(0, 70000, 0.0f), std::make_pair(0xFF, 0xFE));
  EXPECT_EQ(encode(4, 1000, 32768.0f), std::make_pair(0x83, 0xE8));
  EXPECT_EQ(encode(1, -1000, 0.0f), std::make_pair(0x83, 0xE8));
  EXPECT_EQ(encode(1, 1000, 0.0f), std::make_pair(0x03, 0xE8));
  EXPECT_EQ(encode(0, 65535, 0.0f), std::make_pair(0xFF, 0xFF));  // a saturated pixel is kept
}

TEST(PixelEncoding, ValuesAreClippedToTheStorage) {
  // Unsigned storage: a negative value is written as 0, not as its absolute value.
  EXPECT_EQ(encode(4, -1000, 32768.0f), std::make_pair(0x80, 0x00));
  EXPECT_EQ(decode(4, 0x80, 0x00, 32768.0f), 0);
  EXPECT_EQ(encode(0, -5, 0.0f), std::make_pair(0x00, 0x00));
  // Sign-and-magnitude storage: -32767 .. 32767.
  EXPECT_EQ(encode(1, 40000, 0.0f), std::make_pair(0x7F, 0xFF));
  EXPECT_EQ(encode(1, -40000, 0.0f), std::make_pair(0xFF, 0xFF));
  EXPECT_EQ(image::storageOf(PixelRules::fromIcv(2), 32768.0f), image::Storage::SignMagnitude);
  EXPECT_EQ(image::storageOf(PixelRules::fromIcv(2), 0.0f), image::Storage::Unsigned);
  EXPECT_EQ(image::storageOf(PixelRules::fromIcv(4), 32768.0f), image::Storage::Unsigned);
}

// Every value the storage holds comes back from its two bytes.
struct RoundTrip {
  int icv;
  float bzero;
  int32_t lo, hi;  // the values the storage holds
};

class EveryValue : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(EveryValue, DecodesToWhatWasEncoded) {
  const RoundTrip& c = GetParam();
  int wrong = 0;
  int32_t firstWrong = 0;
  for (int32_t v = c.lo; v <= c.hi; ++v) {
    auto [hi, lo] = encode(c.icv, v, c.bzero);
    if (decode(c.icv, static_cast<uint8_t>(hi), static_cast<uint8_t>(lo), c.bzero) != v) {
      if (wrong++ == 0) firstWrong = v;
    }
  }
  EXPECT_EQ(wrong, 0) << "first value not reproduced: " << firstWrong;
  // Just outside the storage the value is clipped to its nearest end.
  auto [h1, l1] = encode(c.icv, c.hi + 7, c.bzero);
  auto [h2, l2] = encode(c.icv, c.lo - 7, c.bzero);
  EXPECT_EQ(decode(c.icv, static_cast<uint8_t>(h2), static_cast<uint8_t>(l2), c.bzero), c.lo);
  if (c.hi + 7 > 65535) {
    EXPECT_EQ(decode(c.icv, static_cast<uint8_t>(h1), static_cast<uint8_t>(l1), c.bzero), 65534);
  } else {
    EXPECT_EQ(decode(c.icv, static_cast<uint8_t>(h1), static_cast<uint8_t>(l1), c.bzero), c.hi);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cameras, EveryValue,
    ::testing::Values(RoundTrip{0, 0.0f, 0, 65535},            // unsigned, no BZERO
                      RoundTrip{0, 32768.0f, 0, 65535},        // unsigned, BZERO ignored
                      RoundTrip{1, 0.0f, -32767, 32767},       // sign and magnitude
                      RoundTrip{4, 32768.0f, 0, 65535},        // signed storage with BZERO 32768
                      RoundTrip{4, 0.0f, 0, 65535},            // the same camera, file without BZERO
                      RoundTrip{2, 32768.0f, -32767, 32767},   // sign only with BZERO
                      RoundTrip{16, -1000.0f, -1000, 64535},   // +16: BZERO added on reading
                      RoundTrip{17, 100.0f, -32667, 32867},    // +1 +16
                      RoundTrip{96, 32768.0f, -32767, 32768},  // +32 +64
                      RoundTrip{84, 32768.0f, -98303, -32768}),  // +4 +16 +64
    [](const ::testing::TestParamInfo<RoundTrip>& info) {
      int bzero = static_cast<int>(info.param.bzero);
      return "icv" + std::to_string(info.param.icv) + "_bzero" + (bzero < 0 ? "minus" : "") +
             std::to_string(bzero < 0 ? -bzero : bzero);
    });

}  // namespace
