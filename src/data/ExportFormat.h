#pragma once

#include <string>

// The separator of an exported history file: a tab when the file name's extension is exactly
// "txt" (lower case), a comma for every other extension, an empty one included.
std::string ExportSeparatorFor(const std::string& path);

// A field as written between separators. With a comma, a field that holds a comma, a double
// quote or a line break is put between double quotes with its own quotes doubled; with a tab,
// the same for a field that holds a tab or a line break. So a reader splits the line where it
// was joined. A field that starts with "=", "+", "-", "@", a tab or a carriage return gets a
// leading "'" first, so that a spreadsheet never takes it for a formula. Every other field, and
// every field of the log's own two-blank form, is written as it is.
std::string ExportField(const std::string& field, const std::string& separator);
