// Saving workspace 1 as a FITS frame: header, pixels encoded in the camera's storage,
// zero padding to whole 2880-byte blocks, the file replaced in one step.
#include "image/fits_save.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "image/file_names.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"

namespace image {

namespace {

constexpr size_t kCardBytes = 80;
constexpr size_t kBlockBytes = 2880;
constexpr int kCardsPerBlock = 36;

int64_t floorToInt64(float x) {
  if (!(x == x)) return 0;
  double f = std::floor(static_cast<double>(x));
  if (f >= 9.0e18) return std::numeric_limits<int64_t>::max();
  if (f <= -9.0e18) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(f);
}

// A fixed-format card: keyword in columns 1-8, "= ", the value right-justified to column 30.
std::string valueCard(std::string_view keyword, std::string_view value) {
  return textio::fixed(textio::Line().a(textio::fixed(keyword, 8)).a("= ").a(value, 20).str(), kCardBytes);
}

std::string integerText(int64_t v) { return std::to_string(v); }

// BZERO as a card value: an integer when it is whole, otherwise a real.
std::string realText(float v) {
  if (std::floor(v) == v && std::fabs(v) < 1.0e9f) return std::to_string(static_cast<int64_t>(v));
  return textio::Line().free(v).str().substr(1);
}

bool noFrameLoaded(const Workspaces& ws) {
  const std::string& first = ws.headerCards.empty() ? std::string() : ws.headerCards[0];
  return first.empty() || first[0] == 'x' || textio::isBlank(first);
}

// The BZERO a header written from nothing uses: the one in force when the rules read BZERO;
// for the usual offset storage (top bit inverted) 32768 when none is in force; else none.
float minimalBzero(const PixelRules& rules, float bzero) {
  bool usesBzero = rules.signIfBzero || rules.invertIfBzero || rules.addBzero || rules.subtractBzero;
  if (!usesBzero) return 0.0f;
  if (bzeroCounts(bzero)) return bzero;
  return rules.invertIfBzero && !rules.signBit ? 32768.0f : 0.0f;
}

std::vector<std::string> minimalHeader(const Workspaces& ws, float bzero) {
  std::vector<std::string> cards{
      valueCard("SIMPLE", "T"), valueCard("BITPIX", "16"), valueCard("NAXIS", "2"),
      valueCard("NAXIS1", integerText(ws.nx)), valueCard("NAXIS2", integerText(ws.ny))};
  if (bzeroCounts(bzero)) cards.push_back(valueCard("BZERO", realText(bzero)));
  return cards;
}

// The stored header, its size cards made to agree with the frame being saved.
std::vector<std::string> storedHeader(const Workspaces& ws) {
  std::vector<std::string> cards;
  for (const std::string& stored : ws.headerCards) {
    if (cards.size() >= static_cast<size_t>(kHeaderSlots) || stored.empty() || stored[0] == 'x') break;
    std::string card = textio::fixed(stored, kCardBytes);
    std::string_view key = std::string_view(card).substr(0, 8);
    if (key == "NAXIS1  " || key == "NAXIS2  ") {
      int32_t size = key == "NAXIS1  " ? ws.nx : ws.ny;
      std::string digits = card;
      for (char& c : digits) {
        if (c < '0' || c > '9') c = ' ';
      }
      int32_t stated = 0;
      if (!textio::FreeItems(std::string_view(digits).substr(10)).integer(stated) || stated != size) {
        card = valueCard(key, integerText(size));
      }
    }
    cards.push_back(card);
  }
  return cards;
}

// Header bytes: the cards, an END card when they hold none, blank cards to a whole block.
std::string headerBytes(std::vector<std::string> cards) {
  bool hasEnd = false;
  for (const std::string& c : cards) {
    if (c.compare(0, 3, "END") == 0 && textio::isBlank(std::string_view(c).substr(3, 5))) hasEnd = true;
  }
  if (!hasEnd) cards.push_back(textio::fixed("END", kCardBytes));
  while (cards.size() % kCardsPerBlock != 0) cards.push_back(std::string(kCardBytes, ' '));
  std::string out;
  out.reserve(cards.size() * kCardBytes);
  for (const std::string& c : cards) out += c;
  return out;
}

}  // namespace

Storage storageOf(const PixelRules& rules, float bzero) {
  return rules.signBit || (rules.signIfBzero && bzeroCounts(bzero)) ? Storage::SignMagnitude : Storage::Unsigned;
}

void encodePixel(int32_t value, const PixelRules& rules, float bzero, bool signStripped, uint8_t& hi,
                 uint8_t& lo) {
  int64_t v = value;
  // Above the 16-bit range a value is written as 65534; 65535 itself (a saturated pixel of a
  // loaded frame) is kept, so a frame loaded and saved unchanged keeps every pixel.
  if (v > 65535) v = 65534;
  if (rules.negate) v = -v;
  if (rules.subtractBzero) v = floorToInt64(static_cast<float>(v) + bzero + 0.1f);
  if (rules.addBzero) v = floorToInt64(static_cast<float>(v) - bzero + 0.1f);
  // Held to what the 16 stored bits can give back.
  if (storageOf(rules, bzero) == Storage::SignMagnitude) {
    v = std::clamp<int64_t>(v, -32767, 32767);
  } else {
    v = std::clamp<int64_t>(v, 0, 65535);
  }
  bool negative = v < 0;
  int64_t m = negative ? -v : v;
  int64_t high = m / 256;
  bool counts = bzeroCounts(bzero);
  int flag = ((rules.signBit || (rules.signIfBzero && counts)) && negative) ? 1 : 0;
  bool inverted = rules.invertIfBzero && counts;
  if (inverted) flag = 1 - flag;
  if (flag == 1 && (signStripped || inverted)) high += 128;
  hi = static_cast<uint8_t>(high & 0xFF);
  lo = static_cast<uint8_t>(m % 256);
}

std::string frameBytes(const Camera& camera, const Workspaces& ws) {
  PixelRules rules = PixelRules::fromCamera(camera);
  float bzero = ws.bzero;
  std::string out;
  if (noFrameLoaded(ws)) {
    bzero = minimalBzero(rules, ws.bzero);
    out = headerBytes(minimalHeader(ws, bzero));
  } else {
    out = headerBytes(storedHeader(ws));
  }
  // Sign-and-magnitude storage always keeps its sign bit, also before any frame was loaded.
  bool signStripped = camera.lastSignStripped() == 1 || storageOf(rules, bzero) == Storage::SignMagnitude;
  size_t start = out.size();
  out.resize(start + static_cast<size_t>(std::max(ws.nx, 0)) * static_cast<size_t>(std::max(ws.ny, 0)) * 2);
  size_t p = start;
  for (int32_t j = 1; j <= ws.ny; ++j) {
    for (int32_t i = 1; i <= ws.nx; ++i) {
      int32_t v = 0;
      (void)ws.get(i, j, v);
      uint8_t hi = 0, lo = 0;
      encodePixel(v, rules, bzero, signStripped, hi, lo);
      out[p++] = static_cast<char>(hi);
      out[p++] = static_cast<char>(lo);
    }
  }
  out.resize((out.size() + kBlockBytes - 1) / kBlockBytes * kBlockBytes, '\0');
  return out;
}

void save(textio::Console& console, const app::Settings& settings, Camera& camera, Workspaces& ws,
          std::string_view name20) {
  std::string name(name20);
  if (!baseNameFits(console, name)) return;
  addtyp(console, settings, name);
  std::string current = typeCode(settings, kCurrentType);
  bool rawType = current == typeCode(settings, kSuppliedType) || current == typeCode(settings, kRawType);
  bool rawName = name.rfind("img", 0) == 0 || name.rfind("IMG", 0) == 0 ||
                 typeCode(settings, kOverwriteChars) == "...";
  if (rawType && rawName) {
    console.prompt("   you may be overwriting a raw image file; proceed? Y/N [N] ");
    char answer = console.answerChar();
    if (answer != 'y' && answer != 'Y') return;
  }
  std::string full;
  if (!textio::adpath(console, settings.workingPath, name, full)) return;
  if (!textio::replaceFileAtomically(textio::hostPath(full), frameBytes(camera, ws))) {
    console.line("   error - cannot write file " + std::string(textio::trimRight(full)));
  }
}

}  // namespace image
