#include "ExportFormat.h"

std::string ExportSeparatorFor(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string::size_type dot = name.rfind('.');
    bool tab = dot != std::string::npos && name.compare(dot + 1, std::string::npos, "txt") == 0;
    return tab ? "\t" : ",";
}

std::string ExportField(const std::string& field, const std::string& separator)
{
    // Tab-separated readers take a quote as text, so only a tab or a line break needs quoting
    // there; comma-separated ones follow RFC 4180.
    const char* special = separator == "," ? ",\"\r\n" : separator == "\t" ? "\t\r\n" : nullptr;
    if (!special)
        return field;
    // A spreadsheet takes a field that starts so for a formula: a name from a stranger (a
    // network's name) must stay text, so it gets the quote that marks text.
    const bool formula = !field.empty() && std::string("=+-@\t\r").find(field[0]) != std::string::npos;
    const std::string text = formula ? "'" + field : field;
    if (text.find_first_of(special) == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}
