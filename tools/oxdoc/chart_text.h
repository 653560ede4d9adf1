// Colour charts as text: a table for people, CSV and JSON that load back exactly.
//
// CSV: a header row "index,red,green,blue,name", then one row per entry; the name is quoted (a quote inside
// it doubled) and holds its bytes as they are. JSON: {"header": 100, "entries": [{"index": 0, "red": 255,
// "green": 255, "blue": 255, "name": ""}, ...]}; name bytes outside printable ASCII are written as \u00XX
// and read back as that byte (any other \u escape becomes UTF-8).
//
// Reading starts from a cleared chart (every entry white, no name, header 100): entries left out stay so.
// Channels must be 0..255, indexes 0..1279 and each given once, names at most 15 bytes.
#pragma once

#include <cstdio>
#include <string>

#include "ox.h"

namespace oxdoc::chart {

void write_table(FILE *out, const OxColorChart &chart);
void write_csv(FILE *out, const OxColorChart &chart);
void write_json(FILE *out, const OxColorChart &chart);

// Fill `chart` from text; false with a message naming the line (CSV) or entry (JSON) on any error.
bool read_csv(const std::string &text, OxColorChart &chart, std::string &error);
bool read_json(const std::string &text, OxColorChart &chart, std::string &error);

// The chart's name of entry `e` as bytes: up to its first zero, at most 15.
std::string name_of(const OxColorChartEntry &e);

}  // namespace oxdoc::chart
