// Loading a FITS frame: header cards read to END, header values checked, the file's length
// checked to hold every pixel row, and only then the size, header values and workspace
// changed, the rows read a band at a time (or, for photometry, decoded tile by tile as read).
#include "image/fits_load.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <sys/stat.h>

#include "core/threads.h"
#include "image/fits_formats.h"

#include "image/file_names.h"
#include "image/fits_header.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace image {

namespace {

constexpr int kCardsPerBlock = 36;
constexpr size_t kCardBytes = 80;
// A header is searched for its END card this far (1000 blocks) and no further, so an endless
// or enormous file is never read to its end.
constexpr int64_t kMaxHeaderCards = 1000 * kCardsPerBlock;

// Memory for a frame's stored bytes; growing it does not clear it first.
using LoadBytes = std::vector<uint8_t, ZeroedAllocator<uint8_t>>;

// floor(x) as a 32-bit integer, held to the integer range (NaN gives 0).
int32_t floorToInt(float x) {
  if (!(x == x)) return 0;
  double f = std::floor(static_cast<double>(x));
  if (f >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (f <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(f);
}

// "END" followed by blanks to column 8.
bool isEndCard(std::string_view card) {
  return card.substr(0, 3) == "END" && textio::isBlank(card.substr(3, 5));
}

// What the header part of a file gave.
struct HeaderRead {
  std::vector<std::string> cards;  // the first 360 cards, through the END card's block
  KeywordCards keywords;
  bool endFound = false;
  bool blockComplete = false;      // the END card's block was read whole
};

HeaderRead readHeader(textio::Console& console, std::istream& in, int32_t verbosity) {
  HeaderRead h;
  char buffer[kCardBytes];
  for (int64_t number = 1; number <= kMaxHeaderCards; ++number) {
    if (!in.read(buffer, kCardBytes)) break;
    std::string card(buffer, kCardBytes);
    if (h.cards.size() < static_cast<size_t>(kHeaderSlots)) h.cards.push_back(card);
    if (verbosity == -1) {
      console.line(textio::Line().i(number, 3).a(":").a(card.substr(0, 70)).str());
      console.keyboardLine();
    }
    if (!h.endFound) {
      h.keywords.take(card);
      h.endFound = isEndCard(card);
    }
    if (h.endFound && number % kCardsPerBlock == 0) {
      h.blockComplete = true;
      break;
    }
  }
  return h;
}

bool knownBitpix(int32_t bitpix) {
  return bitpix == 8 || bitpix == 16 || bitpix == 32 || bitpix == 64 || bitpix == -32 || bitpix == -64;
}

// Every header check the data depends on; false after its message.
bool usable(textio::Console& console, const FrameHeader& h, const std::string& where, int64_t capacity) {
  if (!knownBitpix(h.bitpix)) {
    console.line("   error - BITPIX = " + std::to_string(h.bitpix) + " is not a FITS pixel format; file not loaded: " +
                 where);
    return false;
  }
  if (!(h.naxis == 2 || (h.naxis == 3 && h.naxis3 == 1))) {
    console.line("   error - NAXIS = " + std::to_string(h.naxis) +
                 (h.naxis == 3 ? " with NAXIS3 = " + std::to_string(h.naxis3) : std::string()) +
                 ": a frame has two axes; file not loaded: " + where);
    return false;
  }
  if (h.nx <= 0 || h.ny <= 0) {
    console.line("   error - frame size " + std::to_string(h.nx) + " x " + std::to_string(h.ny) +
                 " is not usable; file not loaded");
    return false;
  }
  if (static_cast<int64_t>(h.nx) * static_cast<int64_t>(h.ny) > capacity) {
    console.line("   error - frame of " + std::to_string(h.nx) + " x " + std::to_string(h.ny) +
                 " pixels is larger than a workspace (" + std::to_string(capacity) +
                 " pixels); file not loaded");
    return false;
  }
  return true;
}

// True when the file holds exactly `content` (a missing or unreadable file does not).
bool fileHolds(const std::string& host, const std::string& content) {
  std::ifstream in(host, std::ios::binary);
  if (!in) return false;
  std::string held(content.size() + 1, '\0');
  in.read(held.data(), static_cast<std::streamsize>(held.size()));
  return static_cast<size_t>(in.gcount()) == content.size() && held.compare(0, content.size(), content) == 0;
}

// junk.dat is replaced only when its lines differ from the ones it holds: a batch of frames
// with the same header writes it once, not once per frame.
void writeJunk(const core::Settings& settings, const std::vector<std::string>& lines) {
  std::string path(textio::trimRight(settings.workingPath));
  if (path.size() + 8 > textio::kPathWidth) return;
  std::string content;
  for (const std::string& l : lines) content += l + "\n";
  std::string host = textio::hostPath(path + "junk.dat");
  if (fileHolds(host, content)) return;
  (void)textio::replaceFileAtomically(host, content);  // a diagnostic file: best effort
}

void printReport(textio::Console& console, const FrameHeader& h) {
  console.line(textio::Line("   y m d h m s = ")
                   .i(h.year, 4).x(1).i(h.month, 2).x(1).i(h.day, 2).x(2)
                   .i(h.hour, 2).x(1).i(h.minute, 2).x(1).i(h.second, 2).x(1)
                   .x(2).f(h.frameTime, 6, 3).x(2)
                   .a("[").i(h.nx, 4).a(" x").i(h.ny, 4).a(" ] bzero = ").f(h.bzero, 7, 0)
                   .str());
}

Pixels* workspacePixels(Workspaces& ws, int workspace) {
  switch (workspace) {
    case 1: return &ws.w1;
    case 2: return &ws.w2;
    case 3: return &ws.w3;
    default: return nullptr;
  }
}

// Every 16-bit stored code decoded once for a load: the value a pixel takes when it
// replaces a workspace pixel of 0, and the decoded value times the factor, for adding to a
// pixel that is not 0. Both are computed with exactly the arithmetic of a single pixel, so a
// pixel read through the table is the one the rules give. The table of the last load is
// kept for the next one with the same rules, BZERO and factor (a batch of frames).
struct DecodeTable {
  PixelRules rules;
  float bzero = 0.0f;
  float factor = 0.0f;
  bool built = false;
  bool stripped = false;            // the sign-strip decision, the same for every code
  bool wholeValues = false;         // every value * factor is whole and below 2^22 in size
  std::vector<int32_t> replacing;   // floor(0 + value * factor + 0.5), by slot
  std::vector<float> scaled;        // value * factor, by slot
};

// A stored pixel's two bytes as this machine reads them as one 16-bit number: the tables are
// kept in that order, so the loops look a pixel up without putting its bytes in order first.
inline uint16_t storedPair(const uint8_t* stored) {
  uint16_t pair;
  std::memcpy(&pair, stored, sizeof pair);
  return pair;
}

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// The table slot of the code (first byte high): where storedPair of its two bytes points.
size_t slotOf(int32_t code) {
  const uint8_t bytes[2] = {static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF)};
  return storedPair(bytes);
}

// Below this size an integer pixel and a whole scaled value add exactly in a float, and so
// does the 0.5 after them: floor(old + value + 0.5) is old + value.
constexpr int32_t kExactlyAdded = 1 << 22;

bool sameRules(const PixelRules& a, const PixelRules& b) {
  return a.signBit == b.signBit && a.signIfBzero == b.signIfBzero && a.invertIfBzero == b.invertIfBzero &&
         a.addBzero == b.addBzero && a.subtractBzero == b.subtractBzero && a.negate == b.negate;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

const DecodeTable& decodeTable(const PixelRules& rules, float bzero, float factor) {
  static DecodeTable t;
  if (t.built && sameRules(t.rules, rules) && sameBits(t.bzero, bzero) && sameBits(t.factor, factor)) return t;
  t.replacing.resize(65536);
  t.scaled.resize(65536);
  t.wholeValues = true;
  for (int32_t code = 0; code < 65536; ++code) {
    bool stripped = false;
    int32_t value = decodePixel(static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF), rules, bzero,
                                stripped);
    float scaled = static_cast<float>(value) * factor;
    const size_t slot = slotOf(code);
    t.scaled[slot] = scaled;
    t.replacing[slot] = floorToInt(static_cast<float>(0) + scaled + 0.5f);
    t.stripped = stripped;
    if (!(std::floor(scaled) == scaled && std::fabs(scaled) < static_cast<float>(kExactlyAdded))) t.wholeValues = false;
  }
  t.rules = rules;
  t.bzero = bzero;
  t.factor = factor;
  t.built = true;
  return t;
}

// Stores a replacing pixel past the processor's caches: a frame is written whole and most of
// it is read much later if at all, so the memory lines need not be fetched first, which
// halves the memory traffic of a load.
inline void putStreaming(int32_t* at, int32_t value) {
#if defined(__SSE2__)
  _mm_stream_si32(at, value);
#else
  *at = value;
#endif
}

// Orders the streamed stores before whatever follows.
inline void streamingDone() {
#if defined(__SSE2__)
  _mm_sfence();
#endif
}

// The pixel rows of a frame whose header has been read, fetched a band at a time into one
// small buffer that serves every load, so the bytes are still in the processor's cache when
// they are decoded.
class PixelRows {
 public:
  PixelRows(std::istream& in, std::streamoff start, size_t rowBytes) : in_(&in), start_(start), rowBytes_(rowBytes) {}
  // Rows already in memory.
  PixelRows(const uint8_t* rows, size_t rowBytes) : memory_(rows), rowBytes_(rowBytes) {}
  bool inMemory() const { return memory_ != nullptr; }
  // Rows first .. first + count - 1 (from 0), or nullptr when they cannot be read.
  const uint8_t* fetch(int64_t first, int64_t count) {
    if (memory_ != nullptr) return memory_ + static_cast<size_t>(first) * rowBytes_;
    static LoadBytes band;
    const size_t bytes = static_cast<size_t>(count) * rowBytes_;
    if (band.size() < bytes) band.resize(bytes);
    in_->seekg(start_ + static_cast<std::streamoff>(static_cast<size_t>(first) * rowBytes_));
    if (!in_->read(reinterpret_cast<char*>(band.data()), static_cast<std::streamsize>(bytes))) return nullptr;
    return band.data();
  }

 private:
  std::istream* in_ = nullptr;
  std::streamoff start_ = 0;
  const uint8_t* memory_ = nullptr;
  size_t rowBytes_;
};

// Workspace positions that are inside the image, inside the frame window and fed by a stored
// pixel of a frame shifted by iShift, jShift (inclusive bounds; empty when low > high).
struct StoredRange {
  int64_t iLow, iHigh, jLow, jHigh;
};

StoredRange storedRange(const FrameHeader& h, const core::Settings& settings, const Workspaces& ws, int32_t iShift,
                        int32_t jShift) {
  const auto& fw = settings.frameWindow;
  const int64_t imax = fw[1] < 0 ? h.nx : fw[1], jmax = fw[3] < 0 ? h.ny : fw[3];
  return {std::max<int64_t>({1, fw[0], int64_t{1} - iShift}), std::min<int64_t>({ws.nx, imax, int64_t{h.nx} - iShift}),
          std::max<int64_t>({1, fw[2], int64_t{1} - jShift}), std::min<int64_t>({ws.ny, jmax, int64_t{h.ny} - jShift})};
}

// Decodes the data into the workspace: shifted, scaled, added or replacing, inside the
// frame window resolved against this frame. The file holds rows and a workspace holds
// columns, so the frame is moved over in bands of 64 rows and, within a band, tiles of 64
// columns: a tile's row pieces are read along and its column pieces written, all within a
// few memory pages. False when a band cannot be read (the rows before it are stored).
bool storePixels(PixelRows& source, const FrameHeader& h, const PixelRules& rules,
                 const core::Settings& settings, Workspaces& ws, Pixels& w, Combine combine, float factor,
                 int32_t iShift, int32_t jShift, size_t pending, bool& lastStripped) {
  const DecodeTable& table = decodeTable(rules, h.bzero, factor);
  lastStripped = table.stripped;
  // Named, not bound, so that the band lambda below may capture them.
  const StoredRange range = storedRange(h, settings, ws, iShift, jShift);
  const int64_t iLow = range.iLow, iHigh = range.iHigh, jLow = range.jLow, jHigh = range.jHigh;
  if (pending > 0) {
    // The first `pending` places count as cleared. A frame that replaces every one of them
    // (nothing cut off by the window or a shift, and no larger than what was cleared) gives
    // by replacing what adding onto 0 gives, so only the places after it need clearing.
    const size_t used = static_cast<size_t>(ws.nx) * static_cast<size_t>(ws.ny);
    const bool replacesAll = iLow == 1 && iHigh == ws.nx && jLow == 1 && jHigh == ws.ny && used <= pending;
    const size_t from = replacesAll ? used : 0;
    std::fill(w.begin() + static_cast<std::ptrdiff_t>(from), w.begin() + static_cast<std::ptrdiff_t>(pending), 0);
    if (replacesAll && combine == Combine::Add) combine = Combine::Replace;
  }
  if (iLow > iHigh || jLow > jHigh) return true;
  const int32_t* replacing = table.replacing.data();
  const float* scaled = table.scaled.data();
  const bool whole = table.wholeValues;
  const size_t rowBytes = static_cast<size_t>(h.nx) * 2;
  constexpr int64_t kTile = 64;
  // Bands of 64 rows; bands already in memory are stored side by side (each band writes
  // its own places), bands read from the file one after another.
  auto storeBands = [&](int64_t firstBand, int64_t endBand) {
    for (int64_t j0 = jLow + firstBand * kTile; j0 <= jHigh && j0 < jLow + endBand * kTile; j0 += kTile) {
      const int64_t rows = std::min(kTile, jHigh - j0 + 1);
      const uint8_t* band = source.fetch(j0 + jShift - 1, rows);
      if (band == nullptr) {
        streamingDone();
        return false;
      }
      for (int64_t i0 = iLow; i0 <= iHigh; i0 += kTile) {
        const int64_t iEnd = std::min(iHigh, i0 + kTile - 1);
        for (int64_t i = i0; i <= iEnd; ++i) {
          const uint8_t* stored = band + static_cast<size_t>(i + iShift - 1) * 2;
          int32_t* column = &w[ws.index(static_cast<int32_t>(i), static_cast<int32_t>(j0))];
          if (combine != Combine::Add) {
            if (i < iEnd) {
              // Two neighbouring columns at once: one read gives a pixel of each.
              int32_t* next = &w[ws.index(static_cast<int32_t>(i + 1), static_cast<int32_t>(j0))];
              for (int64_t k = 0; k < rows; ++k, stored += rowBytes) {
                uint32_t both;
                std::memcpy(&both, stored, sizeof both);
                const uint32_t low = both & 0xFFFFu, high = both >> 16;
                putStreaming(&column[k], replacing[kLittleEndian ? low : high]);
                putStreaming(&next[k], replacing[kLittleEndian ? high : low]);
              }
              ++i;
              continue;
            }
            for (int64_t k = 0; k < rows; ++k, stored += rowBytes) {
              putStreaming(&column[k], replacing[storedPair(stored)]);
            }
            continue;
          }
          for (int64_t k = 0; k < rows; ++k, stored += rowBytes) {
            const size_t code = storedPair(stored);
            const int32_t old = column[k];
            if (old == 0) {
              column[k] = replacing[code];
            } else if (whole && old > -kExactlyAdded && old < kExactlyAdded) {
              column[k] = old + replacing[code];
            } else {
              column[k] = floorToInt(static_cast<float>(old) + scaled[code] + 0.5f);
            }
          }
        }
      }
    }
    streamingDone();
    return true;
  };
  const int64_t bands = (jHigh - jLow) / kTile + 1;
  if (source.inMemory()) {
    core::forEachPiece(bands, 2, [&](int64_t a, int64_t b) { (void)storeBands(a, b); });
    return true;
  }
  return storeBands(0, bands);
}

}  // namespace

PixelRules PixelRules::fromIcv(int32_t icv) {
  PixelRules r;
  r.signBit = (icv & 1) != 0;
  r.signIfBzero = (icv & 2) != 0;
  r.invertIfBzero = (icv & 4) != 0;
  r.addBzero = (icv & 16) != 0;
  r.subtractBzero = (icv & 32) != 0;
  r.negate = (icv & 64) != 0;
  return r;
}

PixelRules PixelRules::fromCamera(const Camera& camera) {
  PixelRules r;
  r.signBit = camera.icvBits[1] == 1;
  r.signIfBzero = camera.icvBits[2] == 1;
  r.invertIfBzero = camera.icvBits[3] == 1;
  r.addBzero = camera.icvBits[5] == 1;
  r.subtractBzero = camera.icvBits[6] == 1;
  r.negate = camera.icvBits[7] == 1;
  return r;
}

int32_t decodePixel(uint8_t hiByte, uint8_t lo, const PixelRules& rules, float bzero, bool& stripped) {
  int32_t hi = hiByte;
  int32_t sign = 1;
  bool strip = false;
  bool counts = bzeroCounts(bzero);
  if (rules.signBit || (rules.signIfBzero && counts)) {
    strip = true;
    if (hi >= 128) sign = -1;
  }
  if (rules.invertIfBzero && counts) hi = hi >= 128 ? hi - 128 : hi + 128;
  if (strip && hi >= 128) hi -= 128;
  int32_t value = (hi * 256 + lo) * sign;
  // floor rather than truncation, so that a negative result is not moved up by one.
  if (rules.addBzero) value = floorToInt(static_cast<float>(value) + bzero + 0.1f);
  if (rules.subtractBzero) value = floorToInt(static_cast<float>(value) - bzero + 0.1f);
  if (rules.negate) value = -value;
  stripped = strip;
  return value;
}

namespace {

// A frame whose header is read and checked and whose data is known to be all there, not yet
// stored anywhere.
struct CheckedFrame {
  HeaderRead read;
  FrameHeader header;
  std::streamoff dataStart = 0;  // where its ny rows of nx stored pixels (two bytes each) begin
  bool inMemory = false;         // the stored rows were read into `memory` (a file that is not a plain file)
  LoadBytes memory;
  bool converted = false;        // read by the FITS library: the physical values are in `values`
  std::vector<int32_t> values;   // row after row
  int64_t blank = 0, clipped = 0;
  float storageBzero = 0.0f;     // BZERO of the frame's 16-bit storage when it is saved
  bool stripped = false;         // the sign-strip decision of the camera's rules
  bool probe = false;            // only finding out whether the frame loads: junk.dat is left alone
  bool plainOnly = false;        // read ahead on another thread: the FITS library is not called
  bool needsLibrary = false;     // (plainOnly) the frame is one only the FITS library reads
  bool junkHeld = false;         // (plainOnly) junk.dat's lines are kept in `junk`, not written
  std::vector<std::string> junk;
  int64_t capacity = kCapacity;  // pixels the receiving workspace holds
};

// The first card is SIMPLE = T.
bool simpleCard(const std::vector<std::string>& cards) {
  if (cards.empty() || cards[0].compare(0, 8, "SIMPLE  ") != 0) return false;
  std::string value = cards[0].substr(10);
  value = value.substr(0, value.find('/'));
  return textio::trimRight(value.substr(std::min(value.find_first_not_of(' '), value.size()))) == "T";
}

// A card's integer value with its sign, false when there is none.
bool cardInteger(const std::string& card, int32_t& value) {
  std::string digits = card;
  for (char& c : digits) {
    if (c < '0' || c > '9') c = ' ';
  }
  if (!textio::FreeItems(std::string_view(digits).substr(10)).integer(value)) return false;
  const size_t first = digits.find_first_not_of(' ', 10);
  if (first != std::string::npos && first > 10 && card[first - 1] == '-') value = -value;
  return true;
}

// True when the header describes what the plain 16-bit reader reads: BITPIX 16, data in the
// primary image, no BSCALE other than 1 and no BLANK.
bool plainFrame(const KeywordCards& k) {
  int32_t bitpix = 0, naxis = 0;
  // A BITPIX that cannot be read or is no pixel format gets the plain reader's message.
  if (!cardInteger(k.bitpix, bitpix)) return true;
  if (bitpix != 16) return !knownBitpix(bitpix);
  if (cardInteger(k.naxis, naxis) && naxis == 0) return false;
  if (!textio::isBlank(k.blank)) return false;
  if (textio::isBlank(k.bscale)) return true;
  std::string value = k.bscale.substr(10);
  value = std::string(textio::trimRight(value.substr(0, value.find('/'))));
  double scale = 0.0;
  return textio::parseReal(value.substr(std::min(value.find_first_not_of(' '), value.size())), scale) && scale == 1.0;
}

// True when the file starts as a gzip stream does.
bool gzipped(const std::string& host) {
  std::ifstream in(host, std::ios::binary);
  char magic[2] = {0, 0};
  return in.read(magic, 2) && static_cast<uint8_t>(magic[0]) == 0x1F && static_cast<uint8_t>(magic[1]) == 0x8B;
}

// A fixed-format card: keyword in columns 1-8, "= ", the value right-justified to column 30.
std::string valueCard(std::string_view keyword, const std::string& value) {
  return textio::fixed(textio::Line().a(textio::fixed(keyword, 8)).a("= ").a(value, 20).str(), kCardBytes);
}

// The cards a frame read by the FITS library keeps for saving: those of a 16-bit primary
// image of its size, then every card that does not describe the file's own storage.
std::vector<std::string> storedCards(const std::vector<std::string>& cards, const FrameHeader& h, float bzero) {
  std::vector<std::string> out{valueCard("SIMPLE", "T"), valueCard("BITPIX", "16"), valueCard("NAXIS", "2"),
                               valueCard("NAXIS1", std::to_string(h.nx)), valueCard("NAXIS2", std::to_string(h.ny))};
  if (bzeroCounts(bzero)) {
    const bool whole = std::floor(bzero) == bzero && std::fabs(bzero) < 1.0e9f;
    out.push_back(valueCard("BZERO", whole ? std::to_string(static_cast<int64_t>(bzero))
                                           : textio::Line().free(bzero).str().substr(1)));
  }
  static const char* const kStorage[] = {"SIMPLE", "XTENSION", "BITPIX", "NAXIS", "NAXIS1", "NAXIS2", "NAXIS3",
                                         "BZERO", "BSCALE", "BLANK", "EXTEND", "PCOUNT", "GCOUNT", "CHECKSUM",
                                         "DATASUM", "END"};
  for (const std::string& card : cards) {
    if (out.size() >= static_cast<size_t>(kHeaderSlots)) break;
    const std::string key(textio::trimRight(std::string_view(card).substr(0, 8)));
    if (std::find(std::begin(kStorage), std::end(kStorage), key) != std::end(kStorage)) continue;
    out.push_back(textio::fixed(card, kCardBytes));
  }
  return out;
}

// The BZERO a frame of another format is stored with by the camera's rules: 32768 for the
// usual offset storage (top bit inverted), else none.
float storageBzero(const PixelRules& rules) {
  const bool usesBzero = rules.signIfBzero || rules.invertIfBzero || rules.addBzero || rules.subtractBzero;
  return usesBzero && rules.invertIfBzero && !rules.signBit ? 32768.0f : 0.0f;
}

// The size a gzip file says it expands to (its last four bytes, modulo 2^32), or -1 when the
// file is not gzip-compressed. The FITS library allocates that much before it decompresses.
int64_t gzipExpandedSize(const std::string& host) {
  std::ifstream in(host, std::ios::binary);
  unsigned char magic[2] = {0, 0};
  if (!in.read(reinterpret_cast<char*>(magic), 2) || magic[0] != 0x1f || magic[1] != 0x8b) return -1;
  unsigned char tail[4] = {0, 0, 0, 0};
  if (!in.seekg(-4, std::ios::end) || !in.read(reinterpret_cast<char*>(tail), 4)) return -1;
  return int64_t{tail[0]} | int64_t{tail[1]} << 8 | int64_t{tail[2]} << 16 | int64_t{tail[3]} << 24;
}

// The first ZTILEn or ZNAXISn card of a tile-compressed image that is not a positive integer,
// or empty when there is none. The FITS library divides by these sizes when it opens such an
// image, so a damaged one is refused before it gets there. Cards start at multiples of 80
// bytes, so every 80-byte record of the file is looked at.
std::string unusableTileCard(const std::string& host) {
  std::ifstream in(host, std::ios::binary);
  char card[80];
  while (in.read(card, sizeof card)) {
    const std::string_view c(card, sizeof card);
    const bool tile = c.compare(0, 5, "ZTILE") == 0, axis = c.compare(0, 6, "ZNAXIS") == 0 && c[6] != ' ';
    if ((!tile && !axis) || c.compare(8, 2, "= ") != 0) continue;
    const std::string value(textio::trim(c.substr(10, c.find('/', 10) == std::string_view::npos ? 70 : c.find('/', 10) - 10)));
    long long n = 0;
    size_t used = 0;
    try {
      n = std::stoll(value, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used == 0 || used != value.size() || n <= 0) return std::string(textio::trimRight(c.substr(0, 30)));
  }
  return {};
}

// Reads a frame the plain reader does not handle through the FITS library: header cards,
// header values (parsed as for every frame), checks and every physical value.
bool readConverted(textio::Console& console, const core::Settings& settings, const Camera& camera,
                   const std::string& host, const std::string& where, int workspace, CheckedFrame& f) {
  // A gzip frame may expand to a frame of 8-byte values of the workspace size plus headers and
  // extensions, never more: a damaged or hostile file cannot make the library take gigabytes.
  const int64_t expandedLimit = 8 * f.capacity + (int64_t{16} << 20);
  if (const int64_t expanded = gzipExpandedSize(host); expanded > expandedLimit) {
    console.line("   error - the gzip file says it expands to " + std::to_string(expanded) +
                 " bytes, more than a frame of a workspace needs; file not loaded: " + where);
    return false;
  }
  if (const std::string card = gzipExpandedSize(host) < 0 ? unusableTileCard(host) : std::string();
      !card.empty()) {
    console.line("   error - the compressed image has an unusable size card (" + card + "); file not loaded: " + where);
    return false;
  }
  FitsImageFile file;
  std::string reason;
  if (!file.open(host, reason)) {
    console.line("   error - " + reason + "; file not loaded: " + where);
    return false;
  }
  // An extension inherits the primary header's date, time and exposure, never its storage.
  KeywordCards keywords;
  for (size_t k = 0; k < file.cards().size(); ++k) {
    if (k == file.primaryCards() && k > 0) {
      const KeywordCards none;
      keywords.bitpix = none.bitpix, keywords.naxis = none.naxis, keywords.naxis1 = none.naxis1;
      keywords.naxis2 = none.naxis2, keywords.naxis3 = none.naxis3, keywords.bzero = none.bzero;
      keywords.bscale = none.bscale, keywords.blank = none.blank;
    }
    keywords.take(file.cards()[k]);
  }
  std::vector<std::string> junk;
  bool parsed = convh(console, keywords, workspace == 1, core::dateOrderOf(camera.dateOrder), f.header, &junk,
                      settings.frameTimeRule != 2);
  if (!f.probe) writeJunk(settings, junk);
  if (!parsed) return false;
  // The library's reading of the storage wins over the cards (a compressed image's).
  auto size = [](int64_t n) { return static_cast<int32_t>(std::clamp<int64_t>(n, -1, 2147483647)); };
  f.header.bitpix = file.bitpix();
  f.header.naxis = file.naxis();
  f.header.nx = size(file.axis(0));
  f.header.ny = size(file.axis(1));
  f.header.naxis3 = size(file.axis(2));
  if (!usable(console, f.header, where, f.capacity)) return false;
  const PixelRules rules = PixelRules::fromCamera(camera);
  if (!file.read(f.header, rules, f.values, f.blank, f.clipped, f.stripped, reason)) {
    console.line("   error - " + reason + "; file not loaded: " + where);
    return false;
  }
  f.storageBzero = f.header.bitpix == 16 ? f.header.bzero : storageBzero(rules);
  if (f.header.bitpix != 16) (void)decodePixel(0, 0, rules, f.storageBzero, f.stripped);
  f.read.cards = storedCards(file.cards(), f.header, f.storageBzero);
  f.converted = true;
  return true;
}

// Reads the header to its END, parses and checks it, and makes sure the file holds every
// pixel row; false after a message when anything is missing or does not fit. A frame the
// plain 16-bit reader does not read goes to the FITS library. A file that is not a plain file
// (a pipe, a device) is read only as far as its header says.
bool readFrame(textio::Console& console, const core::Settings& settings, const Camera& camera,
               std::istream& in, const std::string& full, const std::string& host, bool regular, int workspace,
               CheckedFrame& f) {
  std::string where(textio::trimRight(full));
  // A FITS file starts with "SIMPLE"; only another first byte can start a gzip stream.
  if (regular && in.peek() == 0x1F && gzipped(host)) {
    if (f.plainOnly) return (f.needsLibrary = true, false);
    return readConverted(console, settings, camera, host, where, workspace, f);
  }
  f.read = readHeader(console, in, settings.verbosity);
  if (!f.read.endFound) {
    console.line("   error - no END card in the header; file not loaded: " + where);
    return false;
  }
  if (!simpleCard(f.read.cards)) {
    console.line("   error - the header does not start with SIMPLE = T; file not loaded: " + where);
    return false;
  }
  if (!plainFrame(f.read.keywords)) {
    if (regular && f.plainOnly) return (f.needsLibrary = true, false);
    if (regular) return readConverted(console, settings, camera, host, where, workspace, f);
    console.line("   error - not a plain file: only a 16-bit primary image is read from it; file not loaded: " + where);
    return false;
  }
  std::vector<std::string> junk;
  bool parsed = convh(console, f.read.keywords, workspace == 1, core::dateOrderOf(camera.dateOrder), f.header,
                      &junk, settings.frameTimeRule != 2);
  if (f.plainOnly) {
    f.junk = std::move(junk);
    f.junkHeld = true;
  } else if (!f.probe) {
    writeJunk(settings, junk);
  }
  if (!parsed || !usable(console, f.header, where, f.capacity)) return false;
  const auto needed = static_cast<std::streamoff>(static_cast<size_t>(f.header.nx) * static_cast<size_t>(f.header.ny) * 2);
  std::streamoff available = -1;
  if (f.read.blockComplete && !regular) {
    f.memory.resize(static_cast<size_t>(needed));
    in.read(reinterpret_cast<char*>(f.memory.data()), needed);
    if (in.gcount() == needed) available = needed;
    f.inMemory = true;
  } else if (f.read.blockComplete) {
    f.dataStart = in.tellg();
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    if (f.dataStart >= 0 && end >= f.dataStart) available = end - f.dataStart;
    in.seekg(f.dataStart);
  }
  if (available < needed || !in) {
    console.line("   error - file ends before its last pixel row; file not loaded: " + where);
    return false;
  }
  return true;
}

// Takes a checked frame's header values: size, BZERO, the search box, for workspace 1 the
// date, time, report and header cards.
void commitHeader(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
                  CheckedFrame& f, int workspace) {
  const FrameHeader& h = f.header;
  auto& box = settings.searchBox;
  if (box[1] < 0) box[1] = h.nx + box[1];
  if (box[3] < 0) box[3] = h.ny + box[3];
  ws.nx = camera.nx = h.nx;
  ws.ny = camera.ny = h.ny;
  ws.bzero = f.converted ? f.storageBzero : h.bzero;
  if (workspace == 1) {
    ws.frameYear = h.year, ws.frameMonth = h.month, ws.frameDay = h.day;
    ws.frameHour = h.hour, ws.frameMinute = h.minute, ws.frameSecond = h.second;
    ws.frameTime = h.frameTime;
    printReport(console, h);
    f.read.cards.resize(static_cast<size_t>(kHeaderSlots), std::string(kCardBytes, 'x'));
    ws.headerCards = std::move(f.read.cards);
  }
  if (f.blank > 0 || f.clipped > 0) {
    console.line("   " + std::to_string(f.blank) + " blank pixels set to 0, " + std::to_string(f.clipped) +
                 " pixels clipped to the 32-bit range");
  }
  console.line("");
}

// Stores a frame's physical values (read by the FITS library) as storePixels stores decoded
// ones: the frame window, shifts, add mode and factor; with a factor of 1 a replacing value is
// stored exactly.
void storeValues(const CheckedFrame& f, const core::Settings& settings, Workspaces& ws, Pixels& w,
                 Combine combine, float factor, int32_t iShift, int32_t jShift, size_t pending) {
  const FrameHeader& h = f.header;
  if (pending > 0) std::fill(w.begin(), w.begin() + static_cast<std::ptrdiff_t>(pending), 0);
  const auto [iLow, iHigh, jLow, jHigh] = storedRange(h, settings, ws, iShift, jShift);
  for (int64_t i = iLow; i <= iHigh; ++i) {
    for (int64_t j = jLow; j <= jHigh; ++j) {
      const int32_t v = f.values[static_cast<size_t>(j + jShift - 1) * static_cast<size_t>(h.nx) +
                                 static_cast<size_t>(i + iShift - 1)];
      int32_t& out = w[ws.index(static_cast<int32_t>(i), static_cast<int32_t>(j))];
      const float scaled = static_cast<float>(v) * factor;
      if (combine != Combine::Add || out == 0) {
        out = factor == 1.0f ? v : floorToInt(static_cast<float>(0) + scaled + 0.5f);
      } else {
        out = floorToInt(static_cast<float>(out) + scaled + 0.5f);
      }
    }
  }
}

// Stores a checked frame's pixels from `rows`; false after a message when they cannot be read.
bool commitPixels(textio::Console& console, const core::Settings& settings, Camera& camera, Workspaces& ws,
                  Pixels& pixels, PixelRows& rows, const std::string& where, const FrameHeader& h,
                  Combine combine, float factor, int32_t iShift, int32_t jShift, size_t pending) {
  bool lastStripped = false;
  const bool stored = storePixels(rows, h, PixelRules::fromCamera(camera), settings, ws, pixels, combine,
                                  factor, iShift, jShift, pending, lastStripped);
  camera.lastSignStripped() = lastStripped ? 1 : 0;
  // Only a read error after the length was checked (a failing disk, the file cut short while
  // being read) gets here: the rows before the failure are stored.
  if (!stored) console.line("   error - reading the pixel rows failed part way: " + where);
  return stored;
}

// Opens the frame `name20` of the working path and reads its header and checks it, printing
// what a load prints up to there; false (after the message) when it cannot be loaded.
bool openFrame(textio::Console& console, const core::Settings& settings, const Camera& camera, std::string_view name20,
               int workspace, int64_t capacity, std::ifstream& in, std::string& where, CheckedFrame& frame) {
  std::string name(name20);
  if (!baseNameFits(console, name)) return false;
  addtyp(console, settings, name);
  console.line("   file to load : " + name);
  std::string full;
  if (!textio::adpath(console, settings.workingPath, name, full)) return false;
  const std::string host = textio::hostPath(full);
  struct stat info {};
  const bool exists = ::stat(host.c_str(), &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) {
    console.line("   ERROR: cannot open file " + full);
    return false;
  }
  in.open(host, std::ios::binary);
  if (!in) {
    console.line("   ERROR: cannot open file " + full);
    return false;
  }
  where = std::string(textio::trimRight(full));
  frame.capacity = capacity;
  return readFrame(console, settings, camera, in, full, host, exists && S_ISREG(info.st_mode), workspace, frame);
}

// The line every load into workspace 1 by name starts with.
void announceLoad(textio::Console& console, std::string_view name20) {
  console.line("   entered load; fname = " + std::string(name20));
}

// The load's parameters, at verbosity 2.
void traceLoad(textio::Console& console, const core::Settings& settings, Combine combine, float factor,
               int32_t iShift, int32_t jShift) {
  if (settings.verbosity != 2) return;
  console.line(textio::Line("   entered routine LOAD; iadd,factor,ioff,joff =")
                   .x(1)
                   .i(combine == Combine::Add ? 1 : 0, 1)
                   .x(1)
                   .f(factor, 4, 2)
                   .x(1)
                   .i(iShift, 2)
                   .i(jShift, 2)
                   .str());
}

// Stores a checked frame (header values and pixels) into a workspace.
bool commitFrame(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
                 Pixels& pixels, std::ifstream& in, const std::string& where, CheckedFrame& frame,
                 Combine combine, float factor, int32_t iShift, int32_t jShift, int workspace,
                 size_t pending) {
  commitHeader(console, settings, camera, ws, frame, workspace);
  if (frame.converted) {
    storeValues(frame, settings, ws, pixels, combine, factor, iShift, jShift, pending);
    camera.lastSignStripped() = frame.stripped ? 1 : 0;
    return true;
  }
  const size_t rowBytes = static_cast<size_t>(frame.header.nx) * 2;
  if (frame.inMemory) {
    PixelRows rows(frame.memory.data(), rowBytes);
    return commitPixels(console, settings, camera, ws, pixels, rows, where, frame.header, combine, factor,
                        iShift, jShift, pending);
  }
  PixelRows rows(in, frame.dataStart, rowBytes);
  return commitPixels(console, settings, camera, ws, pixels, rows, where, frame.header, combine, factor,
                      iShift, jShift, pending);
}

// loadf, with the first `pending` places of the workspace counting as cleared (see loadCleared).
bool loadInto(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
              std::string_view name20, Combine combine, float factor, int32_t iShift, int32_t jShift,
              int workspace, size_t pending) {
  traceLoad(console, settings, combine, factor, iShift, jShift);
  Pixels* pixels = workspacePixels(ws, workspace);
  if (!pixels) {
    console.line(textio::Line("   error - there is no workspace").i(workspace, 4).str());
    return false;
  }
  // Every pixel of a deferred frame in place before anything else changes workspace 1.
  ws.deferred.settle();
  std::ifstream in;
  std::string where;
  CheckedFrame frame;
  if (!openFrame(console, settings, camera, name20, workspace, ws.capacity(), in, where, frame)) return false;
  return commitFrame(console, settings, camera, ws, *pixels, in, where, frame, combine, factor, iShift,
                     jShift, workspace, pending);
}

}  // namespace

bool loadf(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
           std::string_view name20, Combine combine, float factor, int32_t iShift, int32_t jShift,
           int workspace) {
  return loadInto(console, settings, camera, ws, name20, combine, factor, iShift, jShift, workspace, 0);
}

bool load(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
          std::string_view name20, Combine combine, float factor, int32_t iShift, int32_t jShift) {
  announceLoad(console, name20);
  return loadf(console, settings, camera, ws, name20, combine, factor, iShift, jShift, 1);
}

bool loadable(const core::Settings& settings, const Camera& camera, std::string_view name20, int64_t capacity) {
  // A pipe cannot be read twice: it is taken as loadable and the load itself tells.
  std::string name(name20), full;
  std::istringstream keyboard;
  std::ostringstream screen;
  textio::Console quiet(keyboard, screen);
  if (baseNameFits(quiet, name)) {
    addtyp(quiet, settings, name);
    struct stat info {};
    if (textio::adpath(quiet, settings.workingPath, name, full) && ::stat(textio::hostPath(full).c_str(), &info) == 0 &&
        (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))) {
      return true;
    }
  }
  core::Settings probeSettings = settings;
  probeSettings.verbosity = 0;
  std::ifstream in;
  std::string where;
  CheckedFrame frame;
  frame.probe = true;
  return openFrame(quiet, probeSettings, camera, name20, 1, capacity, in, where, frame);
}

bool loadCleared(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
                 std::string_view name20, size_t pending) {
  pending = std::min(pending, ws.w1.size());
  announceLoad(console, name20);
  if (loadInto(console, settings, camera, ws, name20, Combine::Add, 1.0f, 0, 0, 1, pending)) return true;
  std::fill_n(ws.w1.begin(), pending, 0);
  return false;
}

struct FrameAhead::Data {
  core::Settings settings;  // the copies it was read with
  Camera camera;
  int64_t capacity = 0;
  int workspace = 1;
  std::string name20;
  std::string host;
  bool leftForLoad = true;  // nothing usable read: the load reads the file itself
  bool opened = false;      // header read and checked, every pixel row in memory
  std::string text;         // what the load printed up to its checks
  std::string where;
  CheckedFrame frame;
};

FrameAhead::FrameAhead() = default;
FrameAhead::~FrameAhead() = default;
FrameAhead::FrameAhead(FrameAhead&&) noexcept = default;
FrameAhead& FrameAhead::operator=(FrameAhead&&) noexcept = default;

const std::string& FrameAhead::host() const {
  static const std::string none;
  return data ? data->host : none;
}

namespace {

bool sameCopies(const core::Settings& a, const core::Settings& b) {
  return a.workingPath == b.workingPath && a.fileTypeCodes == b.fileTypeCodes && a.verbosity == b.verbosity &&
         a.frameTimeRule == b.frameTimeRule && a.frameWindow == b.frameWindow;
}

bool sameCopies(const Camera& a, const Camera& b) {
  return sameRules(PixelRules::fromCamera(a), PixelRules::fromCamera(b)) && a.dateOrder == b.dateOrder;
}

}  // namespace

FrameAhead readAhead(const core::Settings& settings, const Camera& camera, std::string_view name20,
                     int64_t capacity, int workspace, FrameAhead spent) {
  FrameAhead ahead;
  ahead.data = spent.data ? std::move(spent.data) : std::make_unique<FrameAhead::Data>();
  FrameAhead::Data& d = *ahead.data;
  LoadBytes memory = std::move(d.frame.memory);
  d.frame = CheckedFrame{};
  d.frame.memory = std::move(memory);
  d.frame.plainOnly = true;
  d.settings = settings;
  d.camera = camera;
  d.capacity = capacity;
  d.workspace = workspace;
  d.name20 = std::string(name20);
  d.host.clear();
  d.text.clear();
  d.where.clear();
  d.leftForLoad = true;
  d.opened = false;
  std::istringstream keyboard;
  std::ostringstream screen;
  textio::Console quiet(keyboard, screen);
  {
    // A name that does not make a path, or a file that is not a plain file (a pipe waits for
    // its writer when opened), is left for the load.
    std::ostringstream unused;
    textio::Console silent(keyboard, unused);
    std::string name(name20), full;
    if (!baseNameFits(silent, name)) return ahead;
    addtyp(silent, settings, name);
    if (!textio::adpath(silent, settings.workingPath, name, full)) return ahead;
    d.host = textio::hostPath(full);
    struct stat info {};
    if (::stat(d.host.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return ahead;
  }
  std::ifstream in;
  d.opened = openFrame(quiet, d.settings, d.camera, name20, workspace, capacity, in, d.where, d.frame);
  if (d.frame.needsLibrary) return ahead;
  if (d.opened) {
    const size_t bytes = static_cast<size_t>(d.frame.header.nx) * static_cast<size_t>(d.frame.header.ny) * 2;
    d.frame.memory.resize(bytes);
    in.seekg(d.frame.dataStart);
    // A file cut short since its length was checked: the load tells.
    if (!in.read(reinterpret_cast<char*>(d.frame.memory.data()), static_cast<std::streamsize>(bytes))) return ahead;
    d.frame.inMemory = true;
  }
  d.text = screen.str();
  d.leftForLoad = false;
  return ahead;
}

bool loadfAhead(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
                std::string_view name20, Combine combine, float factor, int32_t iShift, int32_t jShift, int workspace,
                size_t pending, FrameAhead& ahead) {
  FrameAhead::Data* d = ahead.data.get();
  Pixels* pixels = workspacePixels(ws, workspace);
  if (d == nullptr || d->leftForLoad || pixels == nullptr || d->name20 != name20 || d->workspace != workspace ||
      d->capacity != ws.capacity() || !sameCopies(d->settings, settings) || !sameCopies(d->camera, camera)) {
    return loadInto(console, settings, camera, ws, name20, combine, factor, iShift, jShift, workspace, pending);
  }
  traceLoad(console, settings, combine, factor, iShift, jShift);
  ws.deferred.settle();
  textio::replay(console, d->text);
  if (d->frame.junkHeld) writeJunk(settings, d->frame.junk);
  std::ifstream none;
  return d->opened && commitFrame(console, settings, camera, ws, *pixels, none, d->where, d->frame, combine, factor,
                                  iShift, jShift, workspace, pending);
}

bool loadClearedAhead(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
                      std::string_view name20, size_t pending, FrameAhead& ahead) {
  pending = std::min(pending, ws.w1.size());
  announceLoad(console, name20);
  if (loadfAhead(console, settings, camera, ws, name20, Combine::Add, 1.0f, 0, 0, 1, pending, ahead)) return true;
  std::fill_n(ws.w1.begin(), pending, 0);
  return false;
}

bool loadAhead(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
               std::string_view name20, Combine combine, float factor, int32_t iShift, int32_t jShift, int workspace,
               FrameAhead& ahead) {
  if (workspace == 1) announceLoad(console, name20);
  return loadfAhead(console, settings, camera, ws, name20, combine, factor, iShift, jShift, workspace, 0, ahead);
}

bool loadDeferred(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
                  std::string_view name20) {
  announceLoad(console, name20);
  traceLoad(console, settings, Combine::Replace, 1.0f, 0, 0);
  std::ifstream in;
  std::string where;
  CheckedFrame frame;
  if (!openFrame(console, settings, camera, name20, 1, ws.capacity(), in, where, frame)) return false;
  if (frame.converted) {
    ws.deferred.settle();
    return commitFrame(console, settings, camera, ws, ws.w1, in, where, frame, Combine::Replace, 1.0f, 0, 0,
                       1, 0);
  }
  const FrameHeader& h = frame.header;
  const size_t rowBytes = static_cast<size_t>(h.nx) * 2;
  std::unique_ptr<DeferredTiles> next = ws.deferred.fresh();
  DeferredTiles::Rows& rows = next->rows();
  rows.resize(rowBytes * static_cast<size_t>(h.ny));
  if (frame.inMemory) {
    std::copy(frame.memory.begin(), frame.memory.end(), rows.begin());
  } else if (!in.read(reinterpret_cast<char*>(rows.data()), static_cast<std::streamsize>(rows.size()))) {
    ws.deferred.giveBack(std::move(next));
    console.line("   error - file ends before its last pixel row; file not loaded: " + where);
    return false;
  }
  // The frame replaces every pixel unless the frame window cuts it. A deferred frame not
  // replaced whole, or of another size, has its own pixels put in place first.
  const auto& fw = settings.frameWindow;
  const bool whole = fw[0] <= 1 && (fw[1] < 0 || fw[1] >= h.nx) && fw[2] <= 1 && (fw[3] < 0 || fw[3] >= h.ny);
  const DeferredTiles* before = ws.deferred.current();
  if (before != nullptr && (!whole || before->nx() != h.nx || before->ny() != h.ny)) ws.deferred.settle();
  commitHeader(console, settings, camera, ws, frame, 1);
  if (!whole) {
    PixelRows memory(rows.data(), rowBytes);
    const bool stored =
        commitPixels(console, settings, camera, ws, ws.w1, memory, where, h, Combine::Replace, 1.0f, 0, 0, 0);
    ws.deferred.giveBack(std::move(next));
    return stored;
  }
  const DecodeTable& table = decodeTable(PixelRules::fromCamera(camera), h.bzero, 1.0f);
  camera.lastSignStripped() = table.stripped ? 1 : 0;
  next->start(ws.w1.data(), h.nx, h.ny, table.replacing);
  ws.deferred.adopt(std::move(next));
  return true;
}

bool load2(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
           std::string_view name20, Combine combine, float factor, int32_t iShift, int32_t jShift) {
  return loadf(console, settings, camera, ws, name20, combine, factor, iShift, jShift, 2);
}

bool load3(textio::Console& console, core::Settings& settings, Camera& camera, Workspaces& ws,
           std::string_view name20, Combine combine, float factor, int32_t iShift, int32_t jShift) {
  return loadf(console, settings, camera, ws, name20, combine, factor, iShift, jShift, 3);
}

}  // namespace image
