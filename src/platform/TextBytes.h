#pragma once

#include <QString>
#include <string>

// Entry names and log texts are 8-bit bytes; windows show Unicode. Valid UTF-8 is taken as
// such, anything else as Latin-1, so that no byte is lost or shown as garbage.
QString QStringFromBytes(const std::string& bytes);
std::string BytesFromQString(const QString& text);

// The longest start of text that fits in maxBytes without cutting a UTF-8 sequence.
std::string CutUtf8(const std::string& text, std::size_t maxBytes);
