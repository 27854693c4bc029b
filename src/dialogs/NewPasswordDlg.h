#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

// Sets a new password: typed twice, both times masked and in upper case. OK with two different
// entries says so and stays open; OK with two empty entries asks first, since an empty password
// switches the protection off.
class CNewPasswordDlg : public QDialog
{
    Q_OBJECT

public:
    enum
    {
        IDD = 150,
        IDC_FIRST = 1034,
        IDC_SECOND = 1035,
    };

    // The fields are named "edit1034" and "edit1035".
    explicit CNewPasswordDlg(QWidget* parent = nullptr);
    ~CNewPasswordDlg() override;

    // The two entries as last read; after OK the first is the new password. Wiped with the dialog.
    QString m_strFirst;
    QString m_strSecond;

public slots:
    void accept() override;
    void done(int result) override;

private:
    bool DoDataExchange(bool save);
    void OnInitDialog();

    QLineEdit* m_pFirst;
    QLineEdit* m_pSecond;
};
