#pragma once

#include <vector>

#include <QDialog>
#include <QPointer>

#include "PropertyPage.h"

class QDialogButtonBox;
class QTabWidget;

// A modal sheet of tabbed pages with OK and Cancel. A page gives up its values (and may refuse
// to) when the user leaves it for another page or presses OK; Cancel reads nothing. The sheet
// is as large as its largest page.
class CPropertySheet : public QDialog
{
    Q_OBJECT

public:
    explicit CPropertySheet(const QString& caption, QWidget* parent = nullptr, int selectPage = 0);
    ~CPropertySheet() override;

    // The sheet never owns its pages: each must outlive the sheet's run, and may be declared
    // before or after the sheet on the caller's stack.
    void AddPage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const;
    int GetActiveIndex() const { return m_nActive; }
    CPropertyPage* GetActivePage() const { return GetPage(m_nActive); }

    // Before the sheet shows: the page to open with. While it shows: brings the page to the
    // front unless the current page refuses to let go of its values.
    bool SetActivePage(int index);

    void setVisible(bool visible) override;

public slots:
    void accept() override;

private:
    void OnCurrentChanged(int index);
    bool ActivatePage(int index);
    void ShowTab(int index);

    QTabWidget* m_pTabs;
    QDialogButtonBox* m_pButtons;
    std::vector<QPointer<CPropertyPage>> m_pages;
    int m_nStartPage;
    int m_nActive = -1;
    bool m_bStarted = false;
};
