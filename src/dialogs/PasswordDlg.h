#pragma once

#include <string>

#include <QDialog>
#include <QString>

class QByteArray;
class QLineEdit;

// Asks for the password before a guarded function runs. The field turns letters into upper
// case as they are typed, so the password is case-insensitive for the user while the stored
// text is compared exactly.
class CPasswordDlg : public QDialog
{
    Q_OBJECT

public:
    enum
    {
        IDD = 149,
        IDC_PASSWORD = 1032,
    };

    // The field is named "edit1032".
    explicit CPasswordDlg(QWidget* parent = nullptr);
    ~CPasswordDlg() override;

    // The typed password, read on OK; empty until then, and wiped with the dialog.
    QString m_strPassword;

public slots:
    void accept() override;
    void done(int result) override;

private:
    bool DoDataExchange(bool save);

    QLineEdit* m_pPassword;
};

// A masked field that turns letters into upper case as they are typed or pasted, by Unicode's
// rules whatever the desktop's language. Named "edit<id>".
QLineEdit* CreatePasswordField(QWidget* parent, int id, const QRect& area);

// The field's text as a password: composed form, so that an accented letter is the same
// password whether the keyboard sent it as one character or as a letter and an accent.
QString ReadPasswordField(const QLineEdit* field);

// Empties the field and overwrites the buffer that held its text, along with its undo history.
void ClearPasswordField(QLineEdit* field);

// The bytes a password is stored as (UTF-8).
std::string PasswordBytes(const QString& password);

// Whether a typed password is the stored one (a hash, or from older settings the bytes).
bool PasswordMatches(const QString& typed, const std::string& stored);

// Overwrite a buffer that held a password, then empty it. A buffer that is shared with another
// string is left to its other owner, who is still using it.
void WipePassword(QString& text);
void WipePassword(QByteArray& bytes);
void WipePassword(std::string& text);

// The guard of Exit, Preferences and the History window: asks for the password and says whether
// the right one was given. Cancel and a wrong password are both false, and nothing is shown.
bool CheckPassword(const std::string& storedPassword, QWidget* parent);
