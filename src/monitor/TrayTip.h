#pragma once

#include <cstddef>
#include <string>

// The tray tip holds at most 63 characters. Text is bytes: UTF-8 when it decodes as UTF-8, else
// one character a byte (how the windows show it), so a cut never splits a character.
constexpr std::size_t kTrayTipChars = 63;

// The text cut after `maxChars` characters.
std::string CutCharacters(const std::string& text, std::size_t maxChars);

// The running connection's tip, name and time " HH:MM:SS": when both do not fit, the name is
// shortened and marked "...", so the time is always shown whole.
std::string RunningTip(const std::string& name, const std::string& time);
