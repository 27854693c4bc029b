#include "UserMessage.h"

#include <utility>

CUserMessage::CUserMessage(const char* pattern, std::vector<std::string> args)
    : m_pPattern(pattern), m_args(std::move(args))
{
}

std::string CUserMessage::Text() const
{
    // As QString::arg reads them: "%" and one or two digits; a number with no argument stays.
    const std::string pattern = m_pPattern;
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            std::size_t number = std::size_t(pattern[i + 1] - '0');
            std::size_t digits = 1;
            if (i + 2 < pattern.size() && pattern[i + 2] >= '0' && pattern[i + 2] <= '9' &&
                number * 10 + std::size_t(pattern[i + 2] - '0') <= m_args.size()) {
                number = number * 10 + std::size_t(pattern[i + 2] - '0');
                digits = 2;
            }
            if (number <= m_args.size()) {
                text += m_args[number - 1];
                i += digits;
                continue;
            }
        }
        text += pattern[i];
    }
    return text;
}
