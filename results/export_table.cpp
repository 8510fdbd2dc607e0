// ECSV and CSV text of a table.
#include "results/export_table.h"

#include <cmath>
#include <cstdio>

namespace results {

namespace {

const char* typeName(ColumnType t) {
  switch (t) {
    case ColumnType::Float64: return "float64";
    case ColumnType::Int64: return "int64";
    case ColumnType::String: return "string";
    case ColumnType::Bool: return "bool";
  }
  return "string";
}

// A YAML scalar in single quotes (a quote inside is doubled).
std::string yamlQuoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string quotedIf(const std::string& s, const std::string& specials) {
  if (!s.empty() && s.find_first_of(specials) == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

size_t rowCount(const Table& t) { return t.columns.empty() ? 0 : t.columns.front().size(); }

}  // namespace

std::string columnName(const std::string& label) {
  std::string out;
  for (char c : label) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    out += ok ? c : '_';
  }
  return out.empty() ? "x" : out;
}

std::string valueText(const Column& c, size_t row) {
  if (c.type == ColumnType::String) return c.texts[row];
  double v = c.numbers[row];
  if (std::isnan(v)) return "nan";
  char text[64];
  switch (c.type) {
    case ColumnType::Bool: return v != 0.0 ? "True" : "False";
    case ColumnType::Int64: std::snprintf(text, sizeof text, "%lld", static_cast<long long>(v)); break;
    default: std::snprintf(text, sizeof text, "%.*f", c.decimals, v); break;
  }
  return text;
}

std::string ecsvText(const Table& t) {
  std::string out = "# %ECSV 1.0\n# ---\n# datatype:\n";
  for (const Column& c : t.columns) {
    out += "# - {name: " + c.name;
    if (!c.unit.empty()) out += ", unit: " + yamlQuoted(c.unit);
    out += std::string(", datatype: ") + typeName(c.type);
    if (!c.description.empty()) out += ", description: " + yamlQuoted(c.description);
    out += "}\n";
  }
  if (!t.meta.empty()) {
    out += "# meta: !!omap\n";
    for (const auto& [key, value] : t.meta) out += "# - {" + key + ": " + yamlQuoted(value) + "}\n";
  }
  out += "# schema: astropy-2.0\n";
  for (size_t k = 0; k < t.columns.size(); ++k) out += (k ? " " : "") + t.columns[k].name;
  out += "\n";
  for (size_t r = 0; r < rowCount(t); ++r) {
    for (size_t k = 0; k < t.columns.size(); ++k) {
      const Column& c = t.columns[k];
      std::string v = valueText(c, r);
      out += (k ? " " : "") + (c.type == ColumnType::String ? quotedIf(v, " \"\t") : v);
    }
    out += "\n";
  }
  return out;
}

std::string csvText(const Table& t) {
  std::string out;
  for (size_t k = 0; k < t.columns.size(); ++k) {
    out += (k ? "," : "") + t.columns[k].name;
  }
  out += "\n";
  for (size_t r = 0; r < rowCount(t); ++r) {
    for (size_t k = 0; k < t.columns.size(); ++k) {
      std::string v = valueText(t.columns[k], r);
      out += (k ? "," : "") + (t.columns[k].type == ColumnType::String ? quotedIf(v, ",\"") : v);
    }
    out += "\n";
  }
  return out;
}

}  // namespace results
