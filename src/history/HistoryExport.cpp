#include "HistoryExport.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include "ConnectionLog.h"
#include "ExportFileDialog.h"
#include "ExportFormat.h"
#include "FileException.h"
#include "HistoryDoc.h"
#include "LogLock.h"
#include "Prompt.h"
#include "TextBytes.h"

namespace {

CHistoryExport::DialogRunner& ActiveRunner()
{
    static CHistoryExport::DialogRunner runner;
    return runner;
}

} // namespace

void CHistoryExport::SetDialogRunner(DialogRunner runner)
{
    ActiveRunner() = std::move(runner);
}

void CHistoryExport::ExportHistory(CHistoryDoc& doc, QWidget* parent)
{
    CExportFileDialog dialog(parent);
    int result = ActiveRunner() ? ActiveRunner()(dialog) : dialog.exec();
    if (result != QDialog::Accepted)
        return;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return;
    ExportHistoryTo(doc, QFile::encodeName(files.first()).toStdString(), parent);
}

void CHistoryExport::TellIfUnlocked(QWidget* parent)
{
    const std::string path = CLogLock::TakeUnlockedNotice();
    if (path.empty())
        return;
    CPrompt::Show(parent, CPrompt::Kind::Information,
                  BytesFromQString(QCoreApplication::translate(
                                       "CHistoryExport",
                                       "The file system of %1 has no file locks, so Zelmorin writes there without "
                                       "them. Another program that writes the same file at the same moment could undo "
                                       "a change.")
                                       .arg(QStringFromBytes(path))));
}

bool CHistoryExport::ExportHistoryTo(CHistoryDoc& doc, const std::string& path, QWidget* parent)
{
    try {
        doc.GetLog()->WriteAll(path, ExportSeparatorFor(path), false);
        TellIfUnlocked(parent);
        return true;
    } catch (const CFileException& error) {
        CPrompt::Show(
            parent, CPrompt::Kind::Stop,
            BytesFromQString(QCoreApplication::translate(
                                 "CHistoryExport", "Zelmorin could not export the history to %1:\n%2\n\nA file of that "
                                                   "name that existed before was left as it was.")
                                 .arg(QStringFromBytes(error.GetPath()), QStringFromBytes(error.GetCause()))));
        return false;
    }
}
