#pragma once

#include <string>
#include <vector>

// Marks a pattern for the translation tools without Qt; the same definition as Qt's own.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

// A sentence for the user, kept as its English pattern ("%1" and on for the arguments) and its
// arguments, so that the window can show it in the desktop's language.
class CUserMessage
{
public:
    static constexpr const char* kContext = "CUserMessage";

    // pattern: a literal marked with QT_TRANSLATE_NOOP("CUserMessage", ...).
    explicit CUserMessage(const char* pattern, std::vector<std::string> args = {});

    const char* GetPattern() const { return m_pPattern; }
    const std::vector<std::string>& GetArgs() const { return m_args; }
    // The English sentence, the arguments put in.
    std::string Text() const;

private:
    const char* m_pPattern;
    std::vector<std::string> m_args;
};
