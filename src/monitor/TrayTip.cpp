#include "TrayTip.h"

#include <vector>

namespace {

// The byte offset where each character starts, plus the end.
std::vector<std::size_t> CharacterStarts(const std::string& text)
{
    std::vector<std::size_t> starts;
    std::size_t i = 0;
    while (i < text.size()) {
        starts.push_back(i);
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (!valid) {
            // Not UTF-8: every byte is a character of its own.
            starts.resize(text.size());
            for (std::size_t b = 0; b < text.size(); ++b)
                starts[b] = b;
            break;
        }
        i += length;
    }
    starts.push_back(text.size());
    return starts;
}

} // namespace

std::string CutCharacters(const std::string& text, std::size_t maxChars)
{
    const std::vector<std::size_t> starts = CharacterStarts(text);
    if (starts.size() - 1 <= maxChars)
        return text;
    return text.substr(0, starts[maxChars]);
}

std::string RunningTip(const std::string& name, const std::string& time)
{
    const std::size_t timeChars = CharacterStarts(time).size() - 1;
    const std::size_t nameChars = CharacterStarts(name).size() - 1;
    if (timeChars + nameChars <= kTrayTipChars)
        return name + time;
    static const std::string mark = "...";
    if (timeChars + mark.size() >= kTrayTipChars)
        return CutCharacters(time, kTrayTipChars);
    return CutCharacters(name, kTrayTipChars - timeChars - mark.size()) + mark + time;
}
