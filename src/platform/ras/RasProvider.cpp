#include "RasProvider.h"

namespace {

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string ClampEntryName(std::string name)
{
    if (name.size() <= kMaxEntryNameBytes)
        return name;
    std::size_t end = kMaxEntryNameBytes;
    if (IsContinuationByte(name[end])) {
        // The cut splits a character whose lead byte is at most three bytes back; drop it whole.
        // Text that is not UTF-8 has no such lead byte and is cut at the limit.
        std::size_t lead = end - 1;
        while (lead > end - 3 && IsContinuationByte(name[lead]))
            --lead;
        if ((static_cast<unsigned char>(name[lead]) & 0xC0) == 0xC0)
            end = lead;
    }
    name.resize(end);
    return name;
}
