#pragma once

#include <string>
#include <vector>

class QComboBox;

// The list of entries a total or an allowance counts: " All connections" first, then the phone
// book's names sorted without regard to case. Shared by the pages that offer it.
class CEntryList
{
public:
    static void Fill(QComboBox* list, const std::vector<std::string>& entries);
    // save: the chosen entry into `entry` ("" for all). Otherwise the row of `entry`, or the
    // first row when the phone book no longer has it.
    static void Exchange(bool save, QComboBox* list, std::string& entry);
};
