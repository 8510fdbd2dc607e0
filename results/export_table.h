// A table of named, typed columns with units and descriptions, and its text as ECSV
// (astropy's self-describing format, version 1.0) or as CSV with one header row.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace results {

enum class ColumnType { Float64, Int64, String, Bool };

struct Column {
  std::string name;         // letters, digits and '_' only
  std::string unit;         // astropy unit string ("d", "mag", "adu", "pix", "deg"), empty for none
  ColumnType type = ColumnType::Float64;
  std::string description;  // one line
  int decimals = 6;         // for Float64: digits after the point
  std::vector<double> numbers;     // Float64, Int64 and Bool values (NaN: missing, written nan)
  std::vector<std::string> texts;  // String values
  size_t size() const { return type == ColumnType::String ? texts.size() : numbers.size(); }
};

struct Table {
  std::vector<Column> columns;
  std::vector<std::pair<std::string, std::string>> meta;  // key, value (written in the ECSV header)
};

/// A column name made of letters, digits and '_' from a label ("s1", "ast", "comp 2" -> "comp_2").
std::string columnName(const std::string& label);

/// "# %ECSV 1.0", "# ---", the YAML header (datatype list with name, unit, datatype,
/// description; meta), then the blank-separated names row and one row per record. Strings
/// holding blanks or quotes are put in double quotes.
std::string ecsvText(const Table& table);

/// One header row of the column names and one row per record, comma-separated; a field
/// holding a comma or a quote is put in double quotes. The units are those of the ECSV.
std::string csvText(const Table& table);

/// The text of one value as both formats write it.
std::string valueText(const Column& column, size_t row);

}  // namespace results
