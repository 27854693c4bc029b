#include "EntryList.h"

#include <algorithm>

#include <QComboBox>
#include <QCoreApplication>

#include "TextBytes.h"

void CEntryList::Fill(QComboBox* list, const std::vector<std::string>& entries)
{
    std::vector<std::string> names;
    for (const std::string& entry : entries) {
        // An empty name would read back as "all connections".
        if (!entry.empty() && std::find(names.begin(), names.end(), entry) == names.end())
            names.push_back(entry);
    }
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const QString textA = QStringFromBytes(a), textB = QStringFromBytes(b);
        const int order = QString::compare(textA, textB, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : QString::compare(textA, textB, Qt::CaseSensitive) < 0;
    });

    list->clear();
    // The first row stands for every entry by its place, not by its text, so that a phone-book
    // name sorting before it, or beginning with a space, is still an entry of its own.
    list->addItem(QCoreApplication::translate("CPropPageGeneral", " All connections"));
    // The bytes ride along so that a name that is not UTF-8 is stored back unchanged.
    for (const std::string& name : names)
        list->addItem(QStringFromBytes(name), QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}

void CEntryList::Exchange(bool save, QComboBox* list, std::string& entry)
{
    if (save) {
        const int row = list->currentIndex();
        const QByteArray name = row > 0 ? list->itemData(row).toByteArray() : QByteArray();
        entry.assign(name.constData(), static_cast<std::size_t>(name.size()));
        return;
    }
    // From the last row up, as the first row is not a name; an entry that has left the phone
    // book is not offered, and "all connections" takes its place.
    const QByteArray wanted(entry.data(), static_cast<qsizetype>(entry.size()));
    int row = list->count() - 1;
    while (row > 0 && list->itemData(row).toByteArray() != wanted)
        --row;
    list->setCurrentIndex(row);
}
