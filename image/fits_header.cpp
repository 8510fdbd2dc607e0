// Header values of a FITS frame: the nine keyword cards, their character filters, and the
// size, BZERO, date and time read from them.
#include "image/fits_header.h"

#include <cmath>

#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"

namespace image {

namespace {

constexpr const char* kConvhError = "    error in convh - are you trying to read a non-existent file?";

// Every character other than a digit becomes a blank (keyword included).
std::string ustrip(std::string_view card) {
  std::string s = textio::fixed(card, 80);
  for (char& c : s) {
    if (c < '0' || c > '9') c = ' ';
  }
  return s;
}

// Every character other than a digit, a sign, a point or an exponent letter becomes a blank.
std::string vstrip(std::string_view card) {
  std::string s = textio::fixed(card, 80);
  for (char& c : s) {
    bool keep = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e';
    if (!keep) c = ' ';
  }
  return s;
}

// Columns 11 to 80 of a filtered card: where the value is read from.
std::string valueField(const std::string& filtered) { return filtered.substr(10, 70); }

bool readInts(std::string_view field, int n, int32_t* out) {
  textio::FreeItems items(field);
  for (int k = 0; k < n; ++k) {
    if (!items.integer(out[k])) return false;
  }
  return true;
}

float decimalHours(int32_t h, int32_t m, int32_t s) {
  return static_cast<float>(h) + static_cast<float>(m) / 60.0f + static_cast<float>(s) / 3600.0f;
}

std::string dateTimeLine(const FrameHeader& h, int32_t hour, int32_t minute, int32_t second) {
  return textio::Line("  ")
      .i(h.day, 4).x(1).i(h.month, 4).x(1).i(h.year, 4).x(1)
      .x(2).i(hour, 3).i(minute, 3).i(second, 3)
      .str();
}

// The start and end times from UT-START / UT-END, or TIME-OBS twice when both are blank.
bool separateTimes(textio::Console& console, const KeywordCards& cards, FrameHeader& h,
                   std::vector<std::string>* junk) {
  std::vector<std::string> candidates;
  std::string start = ustrip(cards.utStart), end = ustrip(cards.utEnd);
  if (!textio::isBlank(start.substr(10, 3))) candidates.push_back(valueField(start));
  if (!textio::isBlank(end.substr(10, 3))) candidates.push_back(valueField(end));
  if (candidates.empty()) {
    std::string obs = valueField(ustrip(cards.timeObs));
    candidates = {obs, obs};
  }
  if (junk) junk->insert(junk->end(), candidates.begin(), candidates.end());
  if (candidates.size() < 2) return false;
  float t[2];
  for (int k = 0; k < 2; ++k) {
    int32_t hms[3];
    if (!readInts(candidates[static_cast<size_t>(k)], 3, hms)) return false;
    console.line(dateTimeLine(h, hms[0], hms[1], hms[2]));
    t[k] = decimalHours(hms[0], hms[1], hms[2]);
  }
  if (t[1] < t[0]) t[1] = t[1] + 24.0f;
  h.frameTime = (t[0] + t[1]) * 0.5f;
  h.hour = static_cast<int32_t>(h.frameTime);
  float minutes = (h.frameTime - static_cast<float>(h.hour)) * 60.0f;
  h.minute = static_cast<int32_t>(minutes);
  h.second = static_cast<int32_t>((minutes - static_cast<float>(h.minute)) * 60.0f + 0.5f);
  console.line(dateTimeLine(h, h.hour, h.minute, h.second) +
               textio::Line("   decimal hours = ").f(h.frameTime, 7, 3).str());
  return true;
}

bool dateAndTime(textio::Console& console, const KeywordCards& cards, int32_t dateOrder,
                 FrameHeader& h, std::vector<std::string>* junk) {
  bool timeCardsBlank = textio::isBlank(ustrip(cards.timeObs)) && textio::isBlank(ustrip(cards.utStart)) &&
                        textio::isBlank(ustrip(cards.utEnd));
  std::string date = valueField(ustrip(cards.dateObs));
  if (junk) junk->push_back(date);
  int32_t v[6];
  if (!readInts(date, timeCardsBlank ? 6 : 3, v)) return false;
  if (dateOrder == 0) {
    h.day = v[0], h.month = v[1], h.year = v[2];
  } else {
    h.year = v[0], h.month = v[1], h.day = v[2];
  }
  if (h.year < 1000) h.year += 2000;
  if (!timeCardsBlank) return separateTimes(console, cards, h, junk);
  h.hour = v[3], h.minute = v[4], h.second = v[5];
  h.frameTime = decimalHours(h.hour, h.minute, h.second);
  return true;
}

bool sizeAndScale(const KeywordCards& cards, FrameHeader& h, std::vector<std::string>* junk) {
  const std::string* intCards[] = {&cards.bitpix, &cards.naxis, &cards.naxis1, &cards.naxis2};
  int32_t* targets[] = {&h.bitpix, &h.naxis, &h.nx, &h.ny};
  for (int k = 0; k < 4; ++k) {
    std::string field = valueField(ustrip(*intCards[k]));
    if (junk) junk->push_back(field);
    if (!readInts(field, 1, targets[k])) return false;
  }
  std::string bz = vstrip(cards.bzero);
  if (junk) junk->push_back(valueField(bz));
  h.bzero = 0.0f;
  if (textio::isBlank(bz.substr(0, 5))) return true;
  float value = 0.0f;
  if (!textio::FreeItems(valueField(bz)).real(value) || !std::isfinite(value)) return false;
  h.bzero = value;
  return true;
}

}  // namespace

KeywordCards::KeywordCards()
    : bitpix(80, ' '), naxis(80, ' '), naxis1(80, ' '), naxis2(80, ' '), dateObs(80, ' '),
      timeObs(80, ' '), utStart(80, ' '), utEnd(80, ' '), bzero(80, ' ') {}

void KeywordCards::take(std::string_view card80) {
  std::string card = textio::fixed(card80, 80);
  std::string_view key = std::string_view(card).substr(0, 8);
  std::string* slot = key == "BITPIX  "   ? &bitpix
                      : key == "NAXIS   " ? &naxis
                      : key == "NAXIS1  " ? &naxis1
                      : key == "NAXIS2  " ? &naxis2
                      : key == "DATE-OBS" ? &dateObs
                      : key == "TIME-OBS" ? &timeObs
                      : key == "UT-START" ? &utStart
                      : key == "UT-END  " ? &utEnd
                      : key == "BZERO   " ? &bzero
                                          : nullptr;
  if (slot) *slot = card;
}

bool convh(textio::Console& console, const KeywordCards& cards, bool withDate, int32_t dateOrder,
           FrameHeader& header, std::vector<std::string>* junkLines) {
  FrameHeader h;
  bool ok = sizeAndScale(cards, h, junkLines) && (!withDate || dateAndTime(console, cards, dateOrder, h, junkLines));
  if (!ok) {
    console.line(kConvhError);
    return false;
  }
  header = h;
  return true;
}

}  // namespace image
