#include "PasswordDlg.h"

#include <QByteArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "DialogUnits.h"
#include "PasswordHash.h"

namespace {

// Plain stores that the compiler may not drop as dead, although the buffer is freed right after.
template <typename T> void Overwrite(T* data, qsizetype size)
{
    volatile T* target = data;
    for (qsizetype i = 0; i < size; ++i)
        target[i] = T();
}

void UpperCaseAsTyped(QLineEdit* field)
{
    const QString typed = field->text();
    const int cursor = field->cursorPosition();
    // Unicode's own mapping, not the desktop language's: in Turkish "i" would become a dotted
    // capital, and a password set in one language must open in every other.
    // Each side of the cursor separately: a letter may grow in upper case ("ß" is "SS").
    const QString before = typed.left(cursor).toUpper();
    const QString upper = before + typed.mid(cursor).toUpper();
    if (upper == typed)
        return;
    field->setText(upper);
    field->setCursorPosition(static_cast<int>(before.size()));
}

QLabel* AddText(QWidget* parent, const CDialogUnits& units, const QString& text, int x, int y, int width)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(units.Rect(x, y, width, 8));
    return label;
}

} // namespace

CPasswordDlg::CPasswordDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Password required"));
    setModal(true);

    const CDialogUnits units(this);
    setFixedSize(units.X(186), units.Y(50));
    QLabel* prompt = AddText(this, units, tr("Please, enter password:"), 7, 7, 112);
    m_pPassword = CreatePasswordField(this, IDC_PASSWORD, units.Rect(7, 17, 112, 12));
    prompt->setBuddy(m_pPassword);
    AddText(this, units, tr("Note: password is case-insensitive."), 7, 35, 120);

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setGeometry(units.Rect(129, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CPasswordDlg::accept);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setGeometry(units.Rect(129, 24, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &CPasswordDlg::reject);
    m_pPassword->setFocus();
}

CPasswordDlg::~CPasswordDlg()
{
    ClearPasswordField(m_pPassword);
    WipePassword(m_strPassword);
}

void CPasswordDlg::accept()
{
    DoDataExchange(true);
    QDialog::accept();
}

void CPasswordDlg::done(int result)
{
    // What was typed must not stay in the field once it has been read, or when it never will be.
    ClearPasswordField(m_pPassword);
    QDialog::done(result);
}

bool CPasswordDlg::DoDataExchange(bool save)
{
    if (save) {
        WipePassword(m_strPassword);
        m_strPassword = ReadPasswordField(m_pPassword);
    } else {
        m_pPassword->setText(m_strPassword);
    }
    return true;
}

QLineEdit* CreatePasswordField(QWidget* parent, int id, const QRect& area)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QStringLiteral("edit%1").arg(id));
    field->setGeometry(area);
    field->setEchoMode(QLineEdit::Password);
    // textEdited comes from the user only, so the field's own setText does not come back here.
    QObject::connect(field, &QLineEdit::textEdited, field, [field] { UpperCaseAsTyped(field); });
    return field;
}

QString ReadPasswordField(const QLineEdit* field)
{
    return field->text().normalized(QString::NormalizationForm_C);
}

void ClearPasswordField(QLineEdit* field)
{
    // Holding the text while the field lets go of it leaves this copy the buffer's only owner,
    // so the wipe reaches the characters the field held. setText also drops the undo history.
    QString held = field->text();
    field->setText(QString());
    WipePassword(held);
}

std::string PasswordBytes(const QString& password)
{
    QByteArray bytes = password.toUtf8();
    std::string result(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    WipePassword(bytes);
    return result;
}

bool PasswordMatches(const QString& typed, const std::string& stored)
{
    std::string bytes = PasswordBytes(typed);
    const bool matches = CPasswordHash::Matches(bytes, stored);
    WipePassword(bytes);
    return matches;
}

void WipePassword(QString& text)
{
    if (!text.isDetached()) {
        text.clear();
        return;
    }
    Overwrite(reinterpret_cast<char16_t*>(text.data()), text.size());
    text.resize(0); // keeps the zeroed buffer until the string goes
}

void WipePassword(QByteArray& bytes)
{
    if (!bytes.isDetached()) {
        bytes.clear();
        return;
    }
    Overwrite(bytes.data(), bytes.size());
    bytes.resize(0);
}

void WipePassword(std::string& text)
{
    Overwrite(text.data(), static_cast<qsizetype>(text.size()));
    text.clear();
}

bool CheckPassword(const std::string& storedPassword, QWidget* parent)
{
    CPasswordDlg dialog(parent);
    return dialog.exec() == QDialog::Accepted && PasswordMatches(dialog.m_strPassword, storedPassword);
}
