#include "PropertyPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

#include "DialogUnits.h"
#include "Prompt.h"

CPropertyPage::CPropertyPage(const QString& title, int templateWidth, int templateHeight, QWidget* parent)
    : QWidget(parent), m_strTitle(title), m_sizeTemplate(templateWidth, templateHeight)
{
}

bool CPropertyPage::UpdateData(bool saveAndValidate)
{
    return DoDataExchange(saveAndValidate);
}

QSize CPropertyPage::sizeHint() const
{
    const CDialogUnits units(this);
    return QSize(units.X(m_sizeTemplate.width()), units.Y(m_sizeTemplate.height()));
}

void CPropertyPage::OnInitDialog()
{
    UpdateData(false);
}

void CPropertyPage::OnSetActive()
{
    if (m_bFirstSetActive)
        m_bFirstSetActive = false;
    else
        UpdateData(false);
}

bool CPropertyPage::OnKillActive()
{
    return UpdateData(true);
}

bool CPropertyPage::ExchangeComboIndex(bool save, QComboBox* list, int& index)
{
    if (save)
        index = list->currentIndex();
    else
        list->setCurrentIndex(index < list->count() ? index : -1);
    return true;
}

bool CPropertyPage::ExchangeInt(bool save, QLineEdit* edit, int& value, int min, int max)
{
    if (!save) {
        edit->setText(QString::number(value));
        return true;
    }
    bool parsed = false;
    const qlonglong number = edit->text().trimmed().toLongLong(&parsed);
    if (!parsed)
        return FailField(edit, tr("Please enter an integer."));
    if (number < min || number > max)
        return FailField(edit, tr("Please enter an integer between %1 and %2.").arg(min).arg(max));
    value = static_cast<int>(number);
    return true;
}

bool CPropertyPage::FailField(QLineEdit* edit, const QString& message)
{
    CPrompt::Show(this, CPrompt::Kind::Information, message.toStdString());
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return false;
}

QLabel* CPropertyPage::AddPicture(int resourceId, const QRect& area)
{
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture%1").arg(resourceId));
    picture->setGeometry(area);
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The pictures are drawn separately and not built into every binary (the tests have none).
    const QString path = QStringLiteral(":/icons/%1.png").arg(resourceId);
    if (QFile::exists(path)) {
        const QPixmap pixmap(path);
        if (!pixmap.isNull())
            picture->setPixmap(pixmap.scaled(area.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    return picture;
}

void CPropertyPage::Create()
{
    CreateControls(CDialogUnits(this));
    m_bCreated = true;
    OnInitDialog();
}

QCheckBox* CPropertyPage::AddCheck(QWidget* page, int id, const QString& text, const QRect& area)
{
    auto* check = new QCheckBox(text, page);
    check->setObjectName(QStringLiteral("check%1").arg(id));
    check->setGeometry(area);
    return check;
}

QLabel* CPropertyPage::AddText(QWidget* page, int id, const QString& text, const QRect& area)
{
    auto* label = new QLabel(text, page);
    if (id != 0)
        label->setObjectName(QStringLiteral("text%1").arg(id));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(area);
    return label;
}

QComboBox* CPropertyPage::AddList(QWidget* page, int id, const QRect& area)
{
    auto* list = new QComboBox(page);
    list->setObjectName(QStringLiteral("list%1").arg(id));
    list->setGeometry(area.x(), area.y(), area.width(), qMax(area.height(), list->sizeHint().height()));
    return list;
}
