// Saving workspace 1 as a FITS frame: header, pixels encoded in the camera's storage,
// zero padding to whole 2880-byte blocks, the file replaced in one step.
#include "image/fits_save.h"


#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "core/threads.h"
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

// A character-string card: the value in quotes, padded to at least 8 characters.
std::string textCard(std::string_view keyword, std::string_view value) {
  std::string v(value);
  if (v.size() < 8) v.resize(8, ' ');
  return textio::fixed(textio::fixed(keyword, 8) + "= '" + v + "'", kCardBytes);
}

std::string exposureText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

bool isEndCard(const std::string& c) { return c.compare(0, 3, "END") == 0 && textio::isBlank(std::string_view(c).substr(3, 5)); }

// The time cards of a single frame, which a combined frame does not keep.
bool singleFrameTime(std::string_view key) {
  static const char* const kKeys[] = {"DATE-OBS", "TIME-OBS", "UT      ", "UT-START", "UT-END  ", "DATE-END",
                                      "TIME-END", "DATE-AVG", "EXPTIME ", "EXPOSURE", "NCOMBINE", "MJD-OBS ",
                                      "MJD-AVG ", "JD      ", "JD-OBS  ", "TIME-BEG", "DATE-BEG"};
  for (const char* k : kKeys) {
    if (key == k) return true;
  }
  return false;
}

// The stored header with what made the frame: IMAGETYP, the combined frames' times and
// exposure, and HISTORY cards, before the END card.
std::vector<std::string> withDerived(const std::vector<std::string>& stored, const DerivedHeader& d) {
  std::vector<std::string> cards;
  bool hadType = false;
  for (const std::string& c : stored) {
    std::string_view key = std::string_view(c).substr(0, 8);
    if (isEndCard(c)) break;
    if (key == "IMAGETYP") {
      if (!d.imageType.empty()) continue;
      hadType = true;
    }
    if (d.combined && singleFrameTime(key)) continue;
    cards.push_back(c);
  }
  if (!d.imageType.empty()) {
    cards.push_back(textCard("IMAGETYP", d.imageType));
  } else if (!hadType) {
    cards.push_back(textCard("IMAGETYP", "LIGHT"));
  }
  if (d.combined) {
    if (!d.dateObs.empty()) cards.push_back(textCard("DATE-OBS", d.dateObs));
    if (!d.dateAvg.empty()) cards.push_back(textCard("DATE-AVG", d.dateAvg));
    cards.push_back(valueCard("EXPTIME", exposureText(d.exposure)));
    cards.push_back(valueCard("NCOMBINE", integerText(d.ncombine)));
  }
  for (const std::string& h : d.history) {
    for (size_t at = 0; at < h.size() || at == 0; at += 72) {
      cards.push_back(textio::fixed("HISTORY " + h.substr(at, 72), kCardBytes));
      if (h.empty()) break;
    }
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

// The two stored bytes of every value from kEncodeLow to 65535, first byte high, computed
// by encodePixel itself and kept as this machine reads two bytes as one 16-bit number, so a
// pixel is stored by one copy; values below the table are encoded one by one. Kept for the
// next save with the same rules, BZERO and sign-strip flag.
constexpr int32_t kEncodeLow = -65536;
constexpr uint32_t kEncodeSlots = 65536 - kEncodeLow;
static_assert((kEncodeSlots & (kEncodeSlots - 1)) == 0, "a power of two: slots are masked and tested together");
constexpr uint32_t kLowSlot = static_cast<uint32_t>(kEncodeLow);
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

struct EncodeTable {
  PixelRules rules;
  float bzero = 0.0f;
  bool signStripped = false;
  bool built = false;
  std::vector<uint16_t> pairs;  // one per value, from kEncodeLow up

  // The stored pair of `v`: above 65535 a value is stored as 65534 (see encodePixel).
  uint16_t pairOf(int32_t v) const {
    const uint32_t slot = static_cast<uint32_t>(v) - kLowSlot;
    if (slot < kEncodeSlots) return pairs[slot];
    if (v > 65535) return pairs[static_cast<uint32_t>(65534 - kEncodeLow)];
    uint8_t bytes[2];
    encodePixel(v, rules, bzero, signStripped, bytes[0], bytes[1]);
    uint16_t pair;
    std::memcpy(&pair, bytes, sizeof pair);
    return pair;
  }
};

bool sameRules(const PixelRules& a, const PixelRules& b) {
  return a.signBit == b.signBit && a.signIfBzero == b.signIfBzero && a.invertIfBzero == b.invertIfBzero &&
         a.addBzero == b.addBzero && a.subtractBzero == b.subtractBzero && a.negate == b.negate;
}

const EncodeTable& encodeTable(const PixelRules& rules, float bzero, bool signStripped) {
  static EncodeTable t;
  if (t.built && sameRules(t.rules, rules) && std::memcmp(&t.bzero, &bzero, sizeof bzero) == 0 &&
      t.signStripped == signStripped) {
    return t;
  }
  t.pairs.resize(kEncodeSlots);
  for (int32_t v = kEncodeLow; v <= 65535; ++v) {
    uint8_t bytes[2];
    encodePixel(v, rules, bzero, signStripped, bytes[0], bytes[1]);
    std::memcpy(&t.pairs[static_cast<size_t>(v - kEncodeLow)], bytes, 2);
  }
  t.rules = rules;
  t.bzero = bzero;
  t.signStripped = signStripped;
  t.built = true;
  return t;
}

// The four stored bytes of two neighbouring pixels, as this machine reads them as one number.
inline uint32_t joined(uint32_t first, uint32_t second) {
  return kLittleEndian ? (first | second << 16) : (first << 16 | second);
}

// Two neighbouring columns of `rows` values stored through the table, one row apart. The
// loop only looks up (a slot out of the table is masked into it, so nothing is read outside
// it); false when a value was out of the table, so the caller stores these columns again
// value by value.
bool storeTwoColumns(const int32_t* column, const int32_t* next, int64_t rows, const uint16_t* pairs,
                     uint8_t* stored, size_t rowBytes) {
  uint32_t seen = 0;
  for (int64_t k = 0; k < rows; ++k, stored += rowBytes) {
    const uint32_t a = static_cast<uint32_t>(column[k]) - kLowSlot;
    const uint32_t b = static_cast<uint32_t>(next[k]) - kLowSlot;
    seen |= a | b;
    const uint32_t both = joined(pairs[a & (kEncodeSlots - 1)], pairs[b & (kEncodeSlots - 1)]);
    std::memcpy(stored, &both, sizeof both);
  }
  // The table holds 2^17 slots: every slot was in it when their union is.
  return seen < kEncodeSlots;
}

// Rows j0 .. j0 + rows - 1 of workspace 1 as stored rows (nx pixels, two bytes each) at
// `band`. A workspace holds columns, so the rows are moved over in tiles of 64 x 64 pixels: a
// tile's column pieces are read along and its row pieces written, all within a few memory
// pages; two neighbouring columns go together, so each row gets their four bytes in one copy.
void storeBand(const Workspaces& ws, const EncodeTable& table, int64_t j0, int64_t rows, uint8_t* band) {
  const int64_t nx = ws.nx;
  const size_t rowBytes = static_cast<size_t>(nx) * 2;
  const uint16_t* pairs = table.pairs.data();
  constexpr int64_t kTile = 64;
  for (int64_t i0 = 1; i0 <= nx; i0 += kTile) {
    const int64_t iEnd = std::min(nx, i0 + kTile - 1);
    for (int64_t i = i0; i <= iEnd; ++i) {
      const int32_t* column = &ws.w1[ws.index(static_cast<int32_t>(i), static_cast<int32_t>(j0))];
      uint8_t* stored = band + static_cast<size_t>(i - 1) * 2;
      if (i < iEnd) {
        const int32_t* next = &ws.w1[ws.index(static_cast<int32_t>(i + 1), static_cast<int32_t>(j0))];
        if (!storeTwoColumns(column, next, rows, pairs, stored, rowBytes)) {
          for (int64_t k = 0; k < rows; ++k, stored += rowBytes) {
            const uint32_t both = joined(table.pairOf(column[k]), table.pairOf(next[k]));
            std::memcpy(stored, &both, sizeof both);
          }
        }
        ++i;
        continue;
      }
      for (int64_t k = 0; k < rows; ++k, stored += rowBytes) {
        const uint16_t pair = table.pairOf(column[k]);
        std::memcpy(stored, &pair, sizeof pair);
      }
    }
  }
}

constexpr int64_t kBandRows = 64;

// Workspace 1 as stored rows (ny rows of nx pixels) at `out`, bands of 64 rows side by side
// (each writes its own rows).
void storeRows(const Workspaces& ws, const EncodeTable& table, uint8_t* out) {
  if (ws.nx <= 0 || ws.ny <= 0) return;
  const int64_t ny = ws.ny;
  const size_t rowBytes = static_cast<size_t>(ws.nx) * 2;
  core::forEachPiece((ny + kBandRows - 1) / kBandRows, 2, [&](int64_t firstBand, int64_t endBand) {
    for (int64_t b = firstBand; b < endBand; ++b) {
      const int64_t j0 = 1 + b * kBandRows;
      storeBand(ws, table, j0, std::min(kBandRows, ny - j0 + 1), out + static_cast<size_t>(j0 - 1) * rowBytes);
    }
  });
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

namespace {

// Memory for a saved file's bytes; growing it does not clear it first.
using FileBytes = std::vector<char, ZeroedAllocator<char>>;

// The file content for workspace 1 into `out`, whose memory is reused when it already holds
// a frame of this size: every byte is written, none is cleared first.
// The header bytes of workspace 1's file and the table its pixels are stored through.
std::string headerAndTable(const Camera& camera, const Workspaces& ws, const EncodeTable*& table) {
  // Every pixel of a frame whose tiles are decoded as they are read, in place first.
  ws.deferred.settle();
  PixelRules rules = PixelRules::fromCamera(camera);
  float bzero = ws.bzero;
  std::string header;
  if (noFrameLoaded(ws)) {
    bzero = minimalBzero(rules, ws.bzero);
    header = headerBytes(minimalHeader(ws, bzero));
  } else {
    std::vector<std::string> cards = storedHeader(ws);
    bool derived = !ws.derived.basis.empty() && ws.derived.basis == ws.headerCards;
    header = headerBytes(derived ? withDerived(cards, ws.derived) : cards);
  }
  // Sign-and-magnitude storage always keeps its sign bit, also before any frame was loaded.
  bool signStripped = camera.lastSignStripped() == 1 || storageOf(rules, bzero) == Storage::SignMagnitude;
  table = &encodeTable(rules, bzero, signStripped);
  return header;
}

size_t pixelBytesOf(const Workspaces& ws) {
  return static_cast<size_t>(std::max(ws.nx, 0)) * static_cast<size_t>(std::max(ws.ny, 0)) * 2;
}

// The file content for workspace 1 into `out`, whose memory is reused when it already holds
// a frame of this size: every byte is written, none is cleared first.
void fillFrameBytes(const Camera& camera, const Workspaces& ws, FileBytes& out) {
  const EncodeTable* table = nullptr;
  const std::string header = headerAndTable(camera, ws, table);
  const size_t start = header.size();
  const size_t pixelBytes = pixelBytesOf(ws);
  const size_t total = (start + pixelBytes + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
  out.resize(total);
  std::copy(header.begin(), header.end(), out.begin());
  storeRows(ws, *table, reinterpret_cast<uint8_t*>(out.data() + start));
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(start + pixelBytes), out.end(), '\0');
}

}  // namespace

void FrameStream::prepare(const Camera& camera, const Workspaces& ws) {
  const EncodeTable* table = nullptr;
  header_ = headerAndTable(camera, ws, table);
  table_ = table;
}

bool FrameStream::write(const Workspaces& ws, const std::string& host) const {
  if (table_ == nullptr) return false;
  const auto& table = *static_cast<const EncodeTable*>(table_);
  const std::string temp = host + ".new";
  std::ofstream out(temp, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(header_.data(), static_cast<std::streamsize>(header_.size()));
  const size_t pixelBytes = pixelBytesOf(ws);
  if (pixelBytes > 0) {
    // Bands of 16 x 64 rows through one small buffer.
    const size_t rowBytes = static_cast<size_t>(ws.nx) * 2;
    const int64_t step = 16 * kBandRows;
    std::vector<uint8_t> band(static_cast<size_t>(std::min<int64_t>(step, ws.ny)) * rowBytes);
    for (int64_t j0 = 1; j0 <= ws.ny && out; j0 += step) {
      const int64_t rows = std::min<int64_t>(step, ws.ny - j0 + 1);
      for (int64_t k = 0; k < rows; k += kBandRows) {
        storeBand(ws, table, j0 + k, std::min(kBandRows, rows - k), band.data() + static_cast<size_t>(k) * rowBytes);
      }
      out.write(reinterpret_cast<const char*>(band.data()), static_cast<std::streamsize>(static_cast<size_t>(rows) * rowBytes));
    }
  }
  const size_t used = header_.size() + pixelBytes;
  const std::string padding((used + kBlockBytes - 1) / kBlockBytes * kBlockBytes - used, '\0');
  out.write(padding.data(), static_cast<std::streamsize>(padding.size()));
  out.flush();
  const bool written = static_cast<bool>(out);
  out.close();
  if (!written || std::rename(temp.c_str(), host.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

std::string frameBytes(const Camera& camera, const Workspaces& ws) {
  FileBytes out;
  fillFrameBytes(camera, ws, out);
  return std::string(out.begin(), out.end());
}

SaveTarget saveTarget(textio::Console& console, const core::Settings& settings, std::string_view name20,
                      const SaveOptions& options, Questions questions) {
  std::string name(name20);
  if (!baseNameFits(console, name)) return {};
  addtyp(console, settings, name);
  std::string current = typeCode(settings, kCurrentType);
  bool rawType = current == typeCode(settings, kSuppliedType) || current == typeCode(settings, kRawType);
  bool rawName = name.rfind("img", 0) == 0 || name.rfind("IMG", 0) == 0 ||
                 typeCode(settings, kOverwriteChars) == "...";
  bool refused = false;
  auto confirmed = [&console, &refused, questions] {
    if (questions == Questions::Refuse) {
      refused = true;
      return false;
    }
    console.prompt("   you may be overwriting a raw image file; proceed? Y/N [N] ");
    char answer = console.answerChar();
    return answer == 'y' || answer == 'Y';
  };
  const bool askedAlready = rawType && rawName;
  if (askedAlready && !confirmed()) return {{}, {}, refused};
  std::string full;
  if (!textio::adpath(console, settings.workingPath, name, full)) return {};
  const std::string host = textio::hostPath(full);
  if (options.askBeforeReplacing && !askedAlready) {
    std::error_code error;
    const bool ours = options.saved != nullptr && options.saved->contains(host);
    if (!ours && std::filesystem::exists(host, error) && !confirmed()) return {{}, {}, refused};
  }
  return {full, host, false};
}

std::string_view savedBytes(const Camera& camera, const Workspaces& ws) {
  // One buffer serves every save, so a batch of frames does not fault in fresh memory per frame.
  static FileBytes content;
  fillFrameBytes(camera, ws, content);
  return std::string_view(content.data(), content.size());
}

void reportSave(textio::Console& console, const SaveTarget& target, bool written, SavedFrames* saved) {
  if (!written) {
    console.line("   error - cannot write file " + std::string(textio::trimRight(target.full)));
    return;
  }
  if (saved != nullptr) saved->add(target.host);
}

void save(textio::Console& console, const core::Settings& settings, Camera& camera, Workspaces& ws,
          std::string_view name20, SaveOptions options) {
  const SaveTarget target = saveTarget(console, settings, name20, options);
  if (target.host.empty()) return;
  reportSave(console, target, textio::replaceFileAtomically(target.host, savedBytes(camera, ws)), options.saved);
}

}  // namespace image
