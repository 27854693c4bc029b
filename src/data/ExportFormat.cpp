#include "ExportFormat.h"

std::string ExportSeparatorFor(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string::size_type dot = name.rfind('.');
    bool tab = dot != std::string::npos && name.compare(dot + 1, std::string::npos, "txt") == 0;
    return tab ? "\t" : ",";
}
