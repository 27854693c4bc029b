#pragma once

#include <string>

// The separator of an exported history file: a tab when the file name's extension is exactly
// "txt" (lower case), a comma for every other extension, an empty one included.
std::string ExportSeparatorFor(const std::string& path);
