#include "AboutDlg.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "DialogUnits.h"
#include "HyperLink.h"

namespace {

const char* const kIconResource = ":/icons/128-32.png";

QLabel* AddText(QDialog* dialog, const CDialogUnits& units, const QString& text, int x, int y, int width)
{
    auto* label = new QLabel(text, dialog);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(units.Rect(x, y, width, 8));
    return label;
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("About Zelmorin"));
    setModal(true);

    const CDialogUnits units(this);
    setFixedSize(units.X(217), units.Y(114));

    // Created first so that it lies beneath the texts placed over it.
    auto* frame = new QGroupBox(this);
    frame->setGeometry(units.Rect(7, 34, 203, 53));

    const QIcon icon = ProgramIcon();
    if (!icon.isNull()) {
        auto* picture = new QLabel(this);
        const QRect area = units.Rect(7, 7, 21, 20);
        const int side = qMin(area.width(), area.height());
        picture->setGeometry(area.x(), area.y(), side, side);
        picture->setPixmap(icon.pixmap(QSize(side, side), devicePixelRatioF()));
    }

    AddText(this, units, tr("Zelmorin Version 1.11"), 40, 10, 170);
    AddText(this, units, tr("Copyright \u00A9 2026 Quillmoor"), 40, 21, 170);

    AddText(this, units, tr("Visit our home page at:"), 14, 40, 189);
    auto* homePage = new CHyperLink(QStringLiteral("https://www.quillmoor.example/zelmorin"), this);
    homePage->setObjectName(QStringLiteral("link%1").arg(IDC_HOMEPAGE));
    homePage->setGeometry(units.Rect(14, 50, 189, 8));

    AddText(this, units, tr("Send E-mail to:"), 14, 63, 189);
    auto* email = new CHyperLink(QStringLiteral("mailto:zelmorin@quillmoor.example"), this);
    email->setObjectName(QStringLiteral("link%1").arg(IDC_EMAIL));
    email->setGeometry(units.Rect(14, 73, 189, 8));

    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setGeometry(units.Rect(160, 93, 50, 14));
    close->setDefault(true);
    close->setFocus();
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

QIcon CAboutDlg::ProgramIcon()
{
    // The picture may not be built into every binary (the tests have none), so fall back.
    if (QFile::exists(QString::fromLatin1(kIconResource)))
        return QIcon(QString::fromLatin1(kIconResource));
    return QApplication::windowIcon();
}
