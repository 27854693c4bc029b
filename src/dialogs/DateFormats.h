#pragma once

// The date patterns the History page offers, for strftime. The day list offers every row; the
// connection list offers "None" (stored as the empty pattern) and then the first
// kConnectionDateFormatCount rows only.
constexpr int kDateFormatCount = 13;
constexpr int kConnectionDateFormatCount = 9;

extern const char* const DateFormats[kDateFormatCount];
