#pragma once

#include <QString>
#include <string>

// Entry names and log texts are 8-bit bytes; windows show Unicode. Valid UTF-8 is taken as
// such, anything else as Latin-1, so that no byte is lost or shown as garbage.
QString QStringFromBytes(const std::string& bytes);
std::string BytesFromQString(const QString& text);

// The longest start of text that fits in maxBytes without cutting a UTF-8 sequence.
std::string CutUtf8(const std::string& text, std::size_t maxBytes);

// A tip that shows text exactly as it is. A tip that looks like markup is shown as rich text
// (Qt guesses), so a name such as "<img src=...>" would load a file; this one is markup that
// holds the text escaped, its line breaks kept.
QString PlainTip(const QString& text);
