#pragma once

#include <string>
#include <vector>

class CHistoryDoc;
class QMenu;
class QWidget;

// What the tree and the list share: the "History" popup menu, adding a connection by hand,
// and writing the log with the user told of any failure.
class CHistoryCommands
{
public:
    enum Command
    {
        ID_HISTORY_DELETE = 32786,
        ID_HISTORY_EDIT = 32787,
        ID_HISTORY_ADD = 32788,
    };

    // "Delete...", "Edit...", "Add..."; each action's data is its command number.
    static QMenu* BuildMenu(QWidget* parent, bool deleteEnabled, bool editEnabled);

    // Rewrites the log from memory and reads it back. On failure the user is told which file
    // and why, the changes stay in memory, and false is returned (the caller then does not
    // refresh its views).
    static bool Save(CHistoryDoc& doc, QWidget* parent);
    // A connection typed into the editor, appended and saved; true when the log was read again
    // and the views must be refreshed. While a change is kept from a failed save, the new one
    // is added in memory and saved with it.
    static bool AddManualConnection(CHistoryDoc& doc, const std::vector<std::string>& entries, QWidget* parent);
};
