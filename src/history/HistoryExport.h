#pragma once

#include <functional>
#include <string>

class CHistoryDoc;
class QFileDialog;
class QWidget;

// The History window's Export command: every connection that is not deleted, of every entry
// and every day, as comma- or tab-separated lines in a file the user picks.
class CHistoryExport
{
public:
    // Shows the dialog and returns its result (QDialog::Accepted or Rejected).
    using DialogRunner = std::function<int(QFileDialog& dialog)>;

    // Asks for the file, then writes it. A file error is shown to the user; the document is
    // never changed.
    static void ExportHistory(CHistoryDoc& doc, QWidget* parent);

    // Writes the export to path: tabs for the extension "txt", commas otherwise. The target is
    // replaced as a whole or not at all; on failure the user is told which file and why, and
    // false is returned.
    static bool ExportHistoryTo(CHistoryDoc& doc, const std::string& path, QWidget* parent);

    // Tells the user, once per process, that a file was written without locks since its file
    // system has none. Asked after every write of the History's that worked: saves, exports and
    // the chart.
    static void TellIfUnlocked(QWidget* parent);

    // Replaces the modal run of the save dialog; nullptr runs it normally again.
    static void SetDialogRunner(DialogRunner runner);
};
