#pragma once

#include <QDialog>

// The About box: the program's name, version and copyright, and links to the home page and
// the support address.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    enum
    {
        IDC_HOMEPAGE = 1078,
        IDC_EMAIL = 1079,
    };

    explicit CAboutDlg(QWidget* parent = nullptr);

    // The icon the box shows: the program's own picture, else the application's window icon.
    static QIcon ProgramIcon();
};
