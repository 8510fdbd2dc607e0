// An independent reader of the astrometric reports pelm writes, from the formats' own
// rules: ADES 2022 PSV (header blocks, the column line, records, and the types of the submit
// schema for every header element and column written) and the 80-column observation format.
#pragma once

#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace adesreader {

struct Psv {
  std::string problem;                                          // empty when the file follows the rules
  std::map<std::string, std::vector<std::string>> blocks;       // "# name" -> its "! key value" lines
  std::vector<std::string> columns;
  std::vector<std::map<std::string, std::string>> records;
};

inline std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// The submit schema's patterns of the optical fields pelm writes.
inline const std::map<std::string, std::regex>& fieldRules() {
  static const std::map<std::string, std::regex> rules = {
      {"permID", std::regex(R"(\d+)")},
      {"provID", std::regex(R"(\d{4} [A-HJ-Y][A-HJ-Z]\d*)")},
      {"trkSub", std::regex(R"([-A-Za-z0-9_]{1,8})")},
      {"mode", std::regex(R"([A-Za-z0-9_]{1,3})")},
      {"stn", std::regex(R"([A-Za-z0-9_]{3,4})")},
      {"obsTime", std::regex(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(\.\d{1,6})?Z)")},
      {"ra", std::regex(R"(([1-3][0-9]{2}|[1-9]?[0-9])?(\.[0-9]{0,9})?)")},
      {"dec", std::regex(R"([+\-]?([1-9]?[0-9])?(\.[0-9]{0,9})?)")},
      {"rmsRA", std::regex(R"((?=[0-9.]{1,7}$)(0|[1-9][0-9]*)(\.[0-9]*)?)")},
      {"rmsDec", std::regex(R"((?=[0-9.]{1,7}$)(0|[1-9][0-9]*)(\.[0-9]*)?)")},
      {"astCat", std::regex(R"([.A-Za-z0-9_]{1,8})")},
  };
  return rules;
}

// The submit schema's types of the header elements pelm writes, by "block element": station
// codes, names of 100 characters, telescope design and detector of 25, and an aperture that
// is a plain positive decimal of at most 6 characters.
inline const std::map<std::string, std::regex>& headerRules() {
  static const std::regex name(R"((?=.{1,100}$)[^|]*[^|\s][^|]*)"), short25(R"((?=.{1,25}$)[^|]*[^|\s][^|]*)");
  static const std::map<std::string, std::regex> rules = {
      {"observatory mpcCode", std::regex(R"([A-Za-z0-9_]{3,4})")},
      {"submitter name", name},
      {"observers name", name},
      {"measurers name", name},
      {"telescope design", short25},
      {"telescope aperture", std::regex(R"((?=[0-9.]{1,6}$)(0|[1-9][0-9]*)(\.[0-9]*)?)")},
      {"telescope detector", short25},
      {"software astrometry", name},
  };
  return rules;
}

inline Psv readPsv(const std::string& text) {
  Psv p;
  std::istringstream in(text);
  std::string line, block;
  int n = 0;
  while (std::getline(in, line)) {
    ++n;
    std::string t = trim(line);
    if (t.empty()) continue;
    if (t[0] == '#') {
      if (!p.columns.empty()) return p.problem = "header line after the records", p;
      block = trim(t.substr(1));
      p.blocks[block];
      continue;
    }
    if (t[0] == '!') {
      if (block.empty() || !p.columns.empty()) return p.problem = "! line outside a header block", p;
      p.blocks[block].push_back(trim(t.substr(1)));
      continue;
    }
    std::vector<std::string> fields;
    std::stringstream f(t);
    for (std::string x; std::getline(f, x, '|');) fields.push_back(trim(x));
    if (p.columns.empty()) {
      p.columns = fields;
      for (const std::string& c : fields) {
        if (!fieldRules().count(c)) return p.problem = "column " + c + " is not one pelm may write", p;
      }
      continue;
    }
    if (fields.size() != p.columns.size()) return p.problem = "line " + std::to_string(n) + ": wrong field count", p;
    std::map<std::string, std::string> r;
    for (size_t k = 0; k < fields.size(); ++k) {
      if (!std::regex_match(fields[k], fieldRules().at(p.columns[k]))) {
        return p.problem = "line " + std::to_string(n) + ": " + p.columns[k] + " '" + fields[k] + "'", p;
      }
      r[p.columns[k]] = fields[k];
    }
    double ra = std::stod(r["ra"]), dec = std::stod(r["dec"]);
    if (!(ra >= 0.0 && ra < 360.0) || !(dec >= -90.0 && dec <= 90.0)) return p.problem = "ra or dec out of range", p;
    if (!(std::stod(r["rmsRA"]) > 0.0) || !(std::stod(r["rmsDec"]) > 0.0)) return p.problem = "rms not positive", p;
    p.records.push_back(r);
  }
  // Required: version 2022 first, then observatory with mpcCode, submitter name, measurers,
  // telescope design, aperture and detector; an identifier column and every required column.
  if (text.rfind("# version=2022\n", 0) != 0) return p.problem = "no # version=2022 first", p;
  auto has = [&](const std::string& b, const std::string& key) {
    for (const std::string& l : p.blocks[b]) {
      if (l.rfind(key + " ", 0) == 0 && !trim(l.substr(key.size())).empty()) return true;
    }
    return false;
  };
  for (const auto& [b, lines] : p.blocks) {
    for (const std::string& l : lines) {
      std::string key = l.substr(0, l.find(' ')), value = l.size() > key.size() ? trim(l.substr(key.size())) : "";
      auto rule = headerRules().find(b + " " + key);
      if (rule == headerRules().end()) return p.problem = "header element " + b + " " + key + " is not one pelm may write", p;
      if (!std::regex_match(value, rule->second) || (key == "aperture" && !(std::stod(value) > 0.0))) {
        return p.problem = "header " + b + " " + key + " '" + value + "'", p;
      }
    }
  }
  if (!has("observatory", "mpcCode")) return p.problem = "no observatory mpcCode", p;
  if (!has("submitter", "name")) return p.problem = "no submitter name", p;
  if (!has("measurers", "name")) return p.problem = "no measurers", p;
  if (!has("telescope", "design") || !has("telescope", "aperture") || !has("telescope", "detector")) {
    return p.problem = "telescope incomplete", p;
  }
  int ids = 0;
  for (const char* id : {"permID", "provID", "trkSub"}) {
    for (const std::string& c : p.columns) ids += c == id;
  }
  if (ids == 0) return p.problem = "no identifier column", p;
  for (const char* c : {"mode", "stn", "obsTime", "ra", "dec", "astCat"}) {
    bool found = false;
    for (const std::string& col : p.columns) found = found || col == c;
    if (!found) return p.problem = std::string("no column ") + c, p;
  }
  if (p.records.empty()) p.problem = "no records";
  return p;
}

/// One 80-column observation, split at the format's columns.
struct Obs80 {
  std::string problem;
  std::string number, designation, note2, date, ra, dec, code;
  int year = 0, month = 0;
  double day = 0.0, raDeg = 0.0, decDeg = 0.0;
};

inline Obs80 readObs80(const std::string& line) {
  Obs80 o;
  if (line.size() != 80) return o.problem = "line of " + std::to_string(line.size()) + " characters", o;
  o.number = line.substr(0, 5), o.designation = line.substr(5, 7), o.note2 = line.substr(14, 1);
  o.date = line.substr(15, 17), o.ra = line.substr(32, 12), o.dec = line.substr(44, 12), o.code = line.substr(77, 3);
  static const std::regex date(R"(\d{4} \d{2} \d{2}\.\d{6})"), ra(R"(\d{2} \d{2} \d{2}\.\d{3})"),
      dec(R"([+-]\d{2} \d{2} \d{2}\.\d{2})");
  if (!std::regex_match(o.date, date) || !std::regex_match(o.ra, ra) || !std::regex_match(o.dec, dec)) {
    return o.problem = "a field is out of its columns", o;
  }
  if (line.substr(12, 2) != "  " || line.substr(56, 21) != std::string(21, ' ')) return o.problem = "blank columns used", o;
  o.year = std::stoi(o.date.substr(0, 4)), o.month = std::stoi(o.date.substr(5, 2)), o.day = std::stod(o.date.substr(8));
  o.raDeg = 15.0 * (std::stoi(o.ra.substr(0, 2)) + std::stoi(o.ra.substr(3, 2)) / 60.0 + std::stod(o.ra.substr(6)) / 3600.0);
  double d = std::stoi(o.dec.substr(1, 2)) + std::stoi(o.dec.substr(4, 2)) / 60.0 + std::stod(o.dec.substr(7)) / 3600.0;
  o.decDeg = o.dec[0] == '-' ? -d : d;
  return o;
}

}  // namespace adesreader
