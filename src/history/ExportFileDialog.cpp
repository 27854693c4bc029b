#include "ExportFileDialog.h"

CExportFileDialog::CExportFileDialog(QWidget* parent) : QFileDialog(parent)
{
    // Qt's own dialog behaves the same on every desktop; a portal dialog may ignore the
    // per-type extension.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters({CsvFilter(), TextFilter()});
    selectNameFilter(CsvFilter());
    setDefaultSuffix(ChosenSuffix());
    selectFile(QStringLiteral("Zelmorin"));
    connect(this, &QFileDialog::filterSelected, this, [this] { setDefaultSuffix(ChosenSuffix()); });
}

QString CExportFileDialog::ChosenSuffix() const
{
    return selectedNameFilter() == TextFilter() ? QStringLiteral("txt") : QStringLiteral("csv");
}

void CExportFileDialog::accept()
{
    // The type can change without filterSelected (selectNameFilter from code); the suffix must
    // be right before QFileDialog forms the name and asks about overwriting it.
    setDefaultSuffix(ChosenSuffix());
    QFileDialog::accept();
}
