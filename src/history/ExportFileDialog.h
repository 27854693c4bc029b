#pragma once

#include <QFileDialog>

// The save dialog of the history export. The type chosen when the user accepts decides the
// extension that a name typed without one receives, so that the file's extension and the
// separator written into it always agree.
class CExportFileDialog : public QFileDialog
{
    Q_OBJECT

public:
    explicit CExportFileDialog(QWidget* parent);

    static QString CsvFilter() { return tr("Comma Separated Value (*.csv)"); }
    static QString TextFilter() { return tr("Tab Separated Value (*.txt)"); }

    // "txt" while the tab-separated type is chosen, else "csv".
    QString ChosenSuffix() const;

public slots:
    void accept() override;
};
