#pragma once

#include <functional>
#include <string>

class QWidget;

// The program's message boxes. Tests replace the answers with SetScript and read what was
// asked from the journal they pass.
class CPrompt
{
public:
    enum class Kind
    {
        Information, // an OK button
        Question,    // Yes and No, No the default
        Stop,        // an OK button and the stop icon
    };
    // The answer to a Question: true for Yes. Information and Stop ignore it.
    using Script = std::function<bool(Kind kind, const std::string& text)>;

    // Shows the box modally over parent (may be null); true when the user answered Yes.
    static bool Show(QWidget* parent, Kind kind, const std::string& text, const std::string& title = "Zelmorin");
    static bool Ask(QWidget* parent, const std::string& text) { return Show(parent, Kind::Question, text); }
    static void Tell(QWidget* parent, const std::string& text) { Show(parent, Kind::Information, text); }

    // Answers every box with the script instead of showing it; nullptr shows boxes again.
    static void SetScript(Script script);
};
