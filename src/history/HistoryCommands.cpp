#include "HistoryCommands.h"

#include <QCoreApplication>
#include <QMenu>

#include "Connection.h"
#include "ConnectionDlg.h"
#include "ConnectionLog.h"
#include "FileException.h"
#include "HistoryDoc.h"
#include "HistoryExport.h"
#include "Prompt.h"
#include "TextBytes.h"

namespace {

void ReportFileError(const CFileException& error, QWidget* parent)
{
    if (dynamic_cast<const CLogChangedException*>(&error)) {
        CPrompt::Show(
            parent, CPrompt::Kind::Stop,
            BytesFromQString(QCoreApplication::translate(
                                 "CHistoryCommands",
                                 "The log file %1 was changed by another program since the History window opened, "
                                 "so nothing was written.\n\nClose the History window and open it again to work on "
                                 "the current log.")
                                 .arg(QStringFromBytes(error.GetPath()))));
        return;
    }
    CPrompt::Show(parent, CPrompt::Kind::Stop,
                  BytesFromQString(QCoreApplication::translate(
                                       "CHistoryCommands",
                                       "Zelmorin could not write the log file %1:\n%2\n\nYour change is kept in this "
                                       "window and is written with the next change that can be saved.")
                                       .arg(QStringFromBytes(error.GetPath()), QStringFromBytes(error.GetCause()))));
}

} // namespace

QMenu* CHistoryCommands::BuildMenu(QWidget* parent, bool deleteEnabled, bool editEnabled)
{
    auto* menu = new QMenu(parent);
    auto add = [menu](const char* text, int command, bool enabled) {
        QAction* action = menu->addAction(QCoreApplication::translate("CHistoryCommands", text));
        action->setData(command);
        action->setEnabled(enabled);
    };
    add(QT_TRANSLATE_NOOP("CHistoryCommands", "Delete..."), ID_HISTORY_DELETE, deleteEnabled);
    add(QT_TRANSLATE_NOOP("CHistoryCommands", "Edit..."), ID_HISTORY_EDIT, editEnabled);
    add(QT_TRANSLATE_NOOP("CHistoryCommands", "Add..."), ID_HISTORY_ADD, true);
    return menu;
}

bool CHistoryCommands::Save(CHistoryDoc& doc, QWidget* parent)
{
    try {
        doc.GetLog()->Save();
        doc.m_bChangePending = false;
        CHistoryExport::TellIfUnlocked(parent);
        return true;
    } catch (const CFileException& error) {
        doc.m_bChangePending = true;
        ReportFileError(error, parent);
        return false;
    }
}

bool CHistoryCommands::AddManualConnection(CHistoryDoc& doc, const std::vector<std::string>& entries, QWidget* parent)
{
    CTime now = CTime::GetCurrentTime();
    CConnection record(now, now, "Unknown");
    CConnectionDlg editor(record, entries, parent);
    if (editor.exec() != QDialog::Accepted)
        return false;
    if (doc.m_bChangePending) {
        // Append would read the file again and drop the change kept in memory; the new record
        // joins it instead and both go out with one Save, or stay kept together.
        doc.GetLog()->AddConnection(new CConnection(record.GetStart(), record.GetEnd(), record.m_strName));
        return Save(doc, parent);
    }
    bool appended = false;
    try {
        doc.GetLog()->Append(record.GetStart(), record.GetEnd(), record.m_strName);
        appended = true;
        doc.GetLog()->Save();
        CHistoryExport::TellIfUnlocked(parent);
    } catch (const CFileException& error) {
        // Once appended, memory is what the file holds; only the sorting rewrite is missing.
        ReportFileError(error, parent);
    }
    // Append reads the log again: every record and day the views point at is new.
    return appended;
}
