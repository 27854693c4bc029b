#include "PropertySheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "DialogUnits.h"

CPropertySheet::CPropertySheet(const QString& caption, QWidget* parent, int selectPage)
    : QDialog(parent), m_nStartPage(selectPage)
{
    setWindowTitle(caption);
    setModal(true);

    const CDialogUnits units(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(units.X(7), units.Y(7), units.X(7), units.Y(7));
    layout->setSpacing(units.Y(7));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_pTabs = new QTabWidget(this);
    m_pTabs->setAccessibleName(tr("Pages"));
    m_pTabs->tabBar()->setAccessibleName(tr("Pages"));
    layout->addWidget(m_pTabs);
    connect(m_pTabs, &QTabWidget::currentChanged, this, &CPropertySheet::OnCurrentChanged);

    m_pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    for (QAbstractButton* button : m_pButtons->buttons())
        button->setMinimumSize(units.X(50), units.Y(14));
    layout->addWidget(m_pButtons);
    connect(m_pButtons, &QDialogButtonBox::accepted, this, &CPropertySheet::accept);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &CPropertySheet::reject);
}

CPropertySheet::~CPropertySheet()
{
    // The pages belong to the caller: take them out before the widget tree deletes its children.
    for (const QPointer<CPropertyPage>& page : m_pages) {
        if (page)
            page->setParent(nullptr);
    }
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    m_pages.emplace_back(page);
    const QSignalBlocker blocker(m_pTabs);
    m_pTabs->addTab(page, page->GetTitle());
    ShowTab(m_nActive);
}

CPropertyPage* CPropertySheet::GetPage(int index) const
{
    if (index < 0 || index >= GetPageCount())
        return nullptr;
    return m_pages[static_cast<size_t>(index)];
}

bool CPropertySheet::SetActivePage(int index)
{
    if (!m_bStarted) {
        m_nStartPage = index;
        return true;
    }
    return ActivatePage(index);
}

void CPropertySheet::setVisible(bool visible)
{
    // The first page is built before the sheet shows, so its controls show with it.
    if (visible && !m_bStarted) {
        m_bStarted = true;
        if (!ActivatePage(m_nStartPage))
            ActivatePage(0);
    }
    QDialog::setVisible(visible);
}

void CPropertySheet::accept()
{
    CPropertyPage* page = GetActivePage();
    if (page && page->IsCreated() && !page->OnKillActive())
        return;
    QDialog::accept();
}

void CPropertySheet::OnCurrentChanged(int index)
{
    if (!m_bStarted || index == m_nActive)
        return;
    // The tab has already moved; the page being left must agree first, and stays in front if not.
    ShowTab(m_nActive);
    ActivatePage(index);
}

bool CPropertySheet::ActivatePage(int index)
{
    CPropertyPage* next = GetPage(index);
    if (!next)
        return false;
    if (index == m_nActive)
        return true;
    CPropertyPage* current = GetActivePage();
    if (current && current->IsCreated() && !current->OnKillActive())
        return false;
    // Built while still hidden, so that its controls appear together with it.
    if (!next->IsCreated())
        next->Create();
    m_nActive = index;
    ShowTab(index);
    next->OnSetActive();
    return true;
}

void CPropertySheet::ShowTab(int index)
{
    const QSignalBlocker blocker(m_pTabs);
    if (index >= 0)
        m_pTabs->setCurrentIndex(index);
}
