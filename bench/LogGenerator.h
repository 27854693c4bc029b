#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Writes a synthetic connection log of the given number of lines: starts ascending from 1999 to
// the end of 2037, durations from seconds to a few hours, a handful of entry names (one with two
// blanks inside) and an occasional deleted record. The same count always gives the same file
// for the same time zone. Returns false if the file cannot be written.
//
// Instants whose local time occurs twice (the hour after daylight saving ends) are moved past
// that hour: their text reads back as either instant, so no reader can be expected to agree
// with the writer on them.
bool GenerateLog(const std::string& path, std::size_t lines);

// The last start GenerateLog can write, for appending records after all generated ones.
std::int64_t GeneratedLastStart();
