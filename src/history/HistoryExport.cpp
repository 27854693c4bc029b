#include "HistoryExport.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include "ConnectionLog.h"
#include "ExportFileDialog.h"
#include "ExportFormat.h"
#include "FileException.h"
#include "HistoryDoc.h"
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

bool CHistoryExport::ExportHistoryTo(CHistoryDoc& doc, const std::string& path, QWidget* parent)
{
    try {
        doc.GetLog()->WriteAll(path, ExportSeparatorFor(path), false);
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
