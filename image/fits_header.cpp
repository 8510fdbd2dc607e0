// Header values of a FITS frame: the keyword cards, their character filters, and the
// size, scaling, date and time read from them.
#include "image/fits_header.h"

#include <cmath>
#include <cstdlib>

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

// One run of digits of a card's value field (columns 11 to 80): where it starts (0 = column
// 11) and how many digits it has.
struct DigitRun {
  size_t begin = 0, length = 0;
};

std::vector<DigitRun> digitRuns(const std::string& card) {
  std::vector<DigitRun> runs;
  const std::string field = valueField(ustrip(card));
  for (size_t k = 0; k < field.size();) {
    if (field[k] == ' ') {
      ++k;
      continue;
    }
    DigitRun r{k, 0};
    while (k < field.size() && field[k] != ' ') ++k, ++r.length;
    runs.push_back(r);
  }
  return runs;
}

// True when the first number of the card's value has a minus sign just before it.
bool firstNumberNegative(const std::string& card) {
  std::vector<DigitRun> runs = digitRuns(card);
  if (runs.empty() || runs[0].begin == 0) return false;
  return textio::fixed(card, 80)[10 + runs[0].begin - 1] == '-';
}

// The fraction of a second written after the run `which` ("22.25" gives 0.25), 0 when none.
double fractionAfter(const std::string& card, size_t which) {
  std::vector<DigitRun> runs = digitRuns(card);
  if (which + 1 >= runs.size()) return 0.0;
  const std::string text = textio::fixed(card, 80);
  const size_t end = 10 + runs[which].begin + runs[which].length;
  if (end >= text.size() || text[end] != '.' || runs[which + 1].begin + 10 != end + 1) return 0.0;
  const DigitRun& f = runs[which + 1];
  return std::strtod(("0." + text.substr(10 + f.begin, std::min<size_t>(f.length, 9))).c_str(), nullptr);
}

// The value text of a card: columns 11 to 80 up to a comment, trimmed, quotes removed.
std::string valueText(const std::string& card) {
  std::string field = textio::fixed(card, 80).substr(10);
  std::string out;
  bool quoted = false;
  for (char c : field) {
    if (c == '\'') {
      quoted = !quoted;
      continue;
    }
    if (c == '/' && !quoted) break;
    out += c;
  }
  return std::string(textio::trimRight(out.substr(std::min(out.find_first_not_of(' '), out.size()))));
}

bool cardPresent(const std::string& card) { return !textio::isBlank(card); }

float decimalHours(int32_t h, int32_t m, int32_t s) {
  return static_cast<float>(h) + static_cast<float>(m) / 60.0f + static_cast<float>(s) / 3600.0f;
}

// A time read with its fraction of a second: whole-second times keep the single-precision
// sum they have always had.
float decimalHours(int32_t h, int32_t m, int32_t s, double fraction) {
  if (fraction == 0.0) return decimalHours(h, m, s);
  return static_cast<float>(static_cast<double>(h) + static_cast<double>(m) / 60.0 +
                            (static_cast<double>(s) + fraction) / 3600.0);
}

std::string dateTimeLine(const FrameHeader& h, int32_t hour, int32_t minute, int32_t second) {
  return textio::Line("  ")
      .i(h.day, 4).x(1).i(h.month, 4).x(1).i(h.year, 4).x(1)
      .x(2).i(hour, 3).i(minute, 3).i(second, 3)
      .str();
}

// Hour, minute and rounded second of a decimal time.
void splitTime(FrameHeader& h) {
  h.hour = static_cast<int32_t>(h.frameTime);
  float minutes = (h.frameTime - static_cast<float>(h.hour)) * 60.0f;
  h.minute = static_cast<int32_t>(minutes);
  h.second = static_cast<int32_t>((minutes - static_cast<float>(h.minute)) * 60.0f + 0.5f);
}

// The frame time of a start plus half the exposure, with its hour, minute and second to the
// nearest whole second.
void setShiftedTime(FrameHeader& h, double hours) {
  h.frameTime = static_cast<float>(hours);
  const auto total = static_cast<int64_t>(std::llround(hours * 3600.0));
  h.hour = static_cast<int32_t>(total / 3600);
  h.minute = static_cast<int32_t>(total / 60 % 60);
  h.second = static_cast<int32_t>(total % 60);
}

bool leapYear(int32_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool validDate(int32_t y, int32_t m, int32_t d) {
  static const int32_t days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12 || d < 1) return false;
  return d <= days[m - 1] + (m == 2 && leapYear(y) ? 1 : 0);
}

// Hours below 24, minutes below 60, seconds below 61 (a leap second).
bool validTime(int32_t h, int32_t m, int32_t s, double fraction) {
  return h >= 0 && h < 24 && m >= 0 && m < 60 && s >= 0 && static_cast<double>(s) + fraction < 61.0;
}

void refuseTime(textio::Console& console, const char* keyword, const int32_t* hms) {
  console.line(std::string("   error - impossible time in ") + keyword + ": " + std::to_string(hms[0]) + " h " +
               std::to_string(hms[1]) + " m " + std::to_string(hms[2]) + " s; file not loaded");
}

// A time card's hour, minute, second and fraction; false when three numbers cannot be read.
bool readTime(const std::string& card, const std::string& field, int32_t* hms, double& fraction) {
  if (!readInts(field, 3, hms)) return false;
  fraction = fractionAfter(card, 2);
  return true;
}

// Half the exposure in hours (EXPTIME, else EXPOSURE), 0 after a warning when it is not usable.
double halfExposureHours(textio::Console& console, const KeywordCards& cards) {
  const std::string* card = cardPresent(cards.exptime) ? &cards.exptime : cardPresent(cards.exposure) ? &cards.exposure : nullptr;
  if (card == nullptr) return 0.0;
  const std::string text = valueText(*card);
  double seconds = 0.0;
  if (!textio::parseReal(text, seconds) || !(seconds >= 0.0 && seconds <= 86400.0)) {
    console.line("   warning - " + std::string(textio::trimRight(card->substr(0, 8))) + " = " + text +
                 " is not an exposure time; the frame time is the start time");
    return 0.0;
  }
  return seconds / 7200.0;
}

// The start and end times from UT-START / UT-END, or one start time (UT-START alone,
// TIME-OBS or UT) shown twice; the frame time is their middle, or the start plus half the
// exposure. False when the times cannot be read; `refused` when one is impossible.
bool separateTimes(textio::Console& console, const KeywordCards& cards, FrameHeader& h,
                   std::vector<std::string>* junk, bool midExposure, bool& refused) {
  std::vector<std::string> candidates;
  std::vector<const std::string*> sources;
  std::vector<const char*> names;
  std::string start = ustrip(cards.utStart), end = ustrip(cards.utEnd);
  const bool hasStart = !textio::isBlank(start.substr(10, 3)), hasEnd = !textio::isBlank(end.substr(10, 3));
  if (hasStart && hasEnd) {
    candidates = {valueField(start), valueField(end)};
    sources = {&cards.utStart, &cards.utEnd};
    names = {"UT-START", "UT-END"};
  } else {
    const std::string* one = hasStart ? &cards.utStart
                             : !textio::isBlank(ustrip(cards.timeObs)) || textio::isBlank(ustrip(cards.ut)) ? &cards.timeObs
                                                                                                           : &cards.ut;
    const char* name = one == &cards.utStart ? "UT-START" : one == &cards.timeObs ? "TIME-OBS" : "UT";
    std::string obs = valueField(ustrip(*one));
    candidates = {obs, obs};
    sources = {one, one};
    names = {name, name};
  }
  if (junk) junk->insert(junk->end(), candidates.begin(), candidates.end());
  float t[2];
  double fractions[2];
  for (int k = 0; k < 2; ++k) {
    int32_t hms[3];
    const size_t u = static_cast<size_t>(k);
    if (!readTime(*sources[u], candidates[u], hms, fractions[u])) return false;
    if (!validTime(hms[0], hms[1], hms[2], fractions[u])) {
      refuseTime(console, names[u], hms);
      refused = true;
      return false;
    }
    console.line(dateTimeLine(h, hms[0], hms[1], hms[2]));
    t[k] = decimalHours(hms[0], hms[1], hms[2], fractions[u]);
  }
  bool shifted = false;
  if (sources[0] != sources[1]) {
    if (t[1] < t[0]) t[1] = t[1] + 24.0f;
    h.frameTime = (t[0] + t[1]) * 0.5f;
  } else {
    const double half = midExposure ? halfExposureHours(console, cards) : 0.0;
    h.frameTime = (t[0] + t[1]) * 0.5f;
    if (half != 0.0) {
      setShiftedTime(h, static_cast<double>(t[0]) + half);
      shifted = true;
    }
  }
  if (!shifted) splitTime(h);
  console.line(dateTimeLine(h, h.hour, h.minute, h.second) +
               textio::Line("   decimal hours = ").f(h.frameTime, 7, 3).str());
  return true;
}

// The date (and time) of the header. False when the date or time cannot be read or is
// impossible (`refused` then tells that a message was printed).
bool dateAndTime(textio::Console& console, const KeywordCards& cards, DateOrder dateOrder, FrameHeader& h,
                 std::vector<std::string>* junk, bool midExposure, bool& refused) {
  bool timeCardsBlank = textio::isBlank(ustrip(cards.timeObs)) && textio::isBlank(ustrip(cards.utStart)) &&
                        textio::isBlank(ustrip(cards.utEnd));
  std::string date = valueField(ustrip(cards.dateObs));
  if (junk) junk->push_back(date);
  if (textio::isBlank(date)) {
    console.line("   warning - the header gives no date (DATE-OBS); the frame has no date or time");
    return true;
  }
  const bool utTime = timeCardsBlank && !textio::isBlank(ustrip(cards.ut));
  int32_t v[6];
  bool dateTime = timeCardsBlank && readInts(date, 6, v);
  if (!dateTime && !readInts(date, 3, v)) return false;
  const std::vector<DigitRun> runs = digitRuns(cards.dateObs);
  const bool isoDate = !runs.empty() && runs[0].length >= 4;
  const bool dayFirst = dateOrder == DateOrder::DayMonthYear && !isoDate;
  const size_t yearRun = dayFirst ? 2 : 0;
  if (dayFirst) {
    h.day = v[0], h.month = v[1], h.year = v[2];
  } else {
    h.year = v[0], h.month = v[1], h.day = v[2];
  }
  if (h.year >= 50 && h.year <= 99 && runs.size() > yearRun && runs[yearRun].length == 2) {
    h.year += 1900;
  } else if (h.year < 1000) {
    h.year += 2000;
  }
  if (!validDate(h.year, h.month, h.day)) {
    console.line("   error - impossible date in DATE-OBS: year " + std::to_string(h.year) + " month " +
                 std::to_string(h.month) + " day " + std::to_string(h.day) + "; file not loaded");
    refused = true;
    return false;
  }
  h.dated = true;
  if (!timeCardsBlank || (utTime && !dateTime)) return separateTimes(console, cards, h, junk, midExposure, refused);
  if (!dateTime) {
    console.line("   warning - the header gives no time of observation; the frame time is 0");
    return true;
  }
  const double fraction = fractionAfter(cards.dateObs, 5);
  if (!validTime(v[3], v[4], v[5], fraction)) {
    refuseTime(console, "DATE-OBS", v + 3);
    refused = true;
    return false;
  }
  h.hour = v[3], h.minute = v[4], h.second = v[5];
  h.frameTime = decimalHours(h.hour, h.minute, h.second, fraction);
  const double half = midExposure ? halfExposureHours(console, cards) : 0.0;
  if (half != 0.0) setShiftedTime(h, static_cast<double>(h.frameTime) + half);
  return true;
}

// An integer size card, with the sign of its number.
bool readSize(const std::string& card, int32_t& value, std::vector<std::string>* junk) {
  std::string field = valueField(ustrip(card));
  if (junk) junk->push_back(field);
  if (!readInts(field, 1, &value)) return false;
  if (firstNumberNegative(card)) value = -value;
  return true;
}

bool sizeAndScale(textio::Console& console, const KeywordCards& cards, FrameHeader& h,
                  std::vector<std::string>* junk, bool& refused) {
  const std::string* intCards[] = {&cards.bitpix, &cards.naxis, &cards.naxis1, &cards.naxis2};
  int32_t* targets[] = {&h.bitpix, &h.naxis, &h.nx, &h.ny};
  for (int k = 0; k < 4; ++k) {
    if (!readSize(*intCards[k], *targets[k], junk)) return false;
  }
  if (!textio::isBlank(ustrip(cards.naxis3)) && !readSize(cards.naxis3, h.naxis3, nullptr)) return false;
  std::string bz = vstrip(cards.bzero);
  if (junk) junk->push_back(valueField(bz));
  h.bzero = 0.0f;
  h.hasBlank = cardPresent(cards.blank);
  if (cardPresent(cards.bscale)) {
    const std::string text = valueText(cards.bscale);
    if (!textio::parseReal(text, h.bscale) || h.bscale == 0.0 || !std::isfinite(static_cast<float>(h.bscale))) {
      console.line("   error - BSCALE = " + text + " is not a usable scale; file not loaded");
      refused = true;
      return false;
    }
  }
  if (textio::isBlank(bz.substr(0, 5))) return true;
  float value = 0.0f;
  if (!textio::FreeItems(valueField(bz)).real(value) || !std::isfinite(value)) return false;
  h.bzero = value;
  return true;
}

}  // namespace

KeywordCards::KeywordCards()
    : bitpix(80, ' '), naxis(80, ' '), naxis1(80, ' '), naxis2(80, ' '), dateObs(80, ' '),
      timeObs(80, ' '), utStart(80, ' '), utEnd(80, ' '), bzero(80, ' '), naxis3(80, ' '),
      bscale(80, ' '), blank(80, ' '), exptime(80, ' '), exposure(80, ' '), ut(80, ' ') {}

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
                      : key == "NAXIS3  " ? &naxis3
                      : key == "BSCALE  " ? &bscale
                      : key == "BLANK   " ? &blank
                      : key == "EXPTIME " ? &exptime
                      : key == "EXPOSURE" ? &exposure
                      : key == "UT      " ? &ut
                                          : nullptr;
  if (slot) *slot = card;
}

bool convh(textio::Console& console, const KeywordCards& cards, bool withDate, DateOrder dateOrder,
           FrameHeader& header, std::vector<std::string>* junkLines, bool midExposure) {
  FrameHeader h;
  bool refused = false;
  bool ok = sizeAndScale(console, cards, h, junkLines, refused) &&
            (!withDate || dateAndTime(console, cards, dateOrder, h, junkLines, midExposure, refused));
  if (!ok) {
    if (!refused) console.line(kConvhError);
    return false;
  }
  header = h;
  return true;
}

}  // namespace image
