#include "HistoryFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <set>

#include "AllowanceSettings.h"
#include "AllowanceTexts.h"
#include "ConnectionLog.h"
#include "DialogUnits.h"
#include "HistoryDoc.h"
#include "HistoryExport.h"
#include "HistoryLayout.h"
#include "HistoryList.h"
#include "HistoryPrinter.h"
#include "HistoryTree.h"
#include "MonitorSettings.h"
#include "PropPageHistory.h"
#include "TextBytes.h"
#include "UsageChartView.h"

namespace {
std::chrono::milliseconds& StandingInterval()
{
    static std::chrono::milliseconds interval{60 * 1000};
    return interval;
}
} // namespace

void CHistoryFrame::SetStandingInterval(std::chrono::milliseconds interval)
{
    StandingInterval() = interval;
}

void CHistoryFrame::SetPeriodStanding(StandingSource source)
{
    m_standing = std::move(source);
    m_pChart->Refresh();
}

CHistoryFrame::CHistoryFrame(std::unique_ptr<CHistoryDoc> doc, CSettingsStore& store, std::vector<std::string> entries,
                             QWidget* owner, std::function<void()> onClosed)
    : QWidget(nullptr, Qt::Window), m_pDoc(std::move(doc)), m_store(store), m_entries(std::move(entries)),
      m_hWndOwner(owner), m_onClosed(std::move(onClosed))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("historyFrame"));
    setWindowTitle(tr("Zelmorin - History"));
    QIcon icon(QStringLiteral(":/icons/128-32.png"));
    icon.addFile(QStringLiteral(":/icons/128-16.png"));
    setWindowIcon(icon);
    resize(560, 300); // the outer rectangle is set once the frame's size is known

    m_layout.Load(m_store);
    const CHistoryLayout& layout = m_layout;

    // The bar along the top edge.
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("historyBar"));
    CDialogUnits du(bar);
    bar->setFixedHeight(du.Y(20));
    m_pFilter = new QComboBox(bar);
    m_pFilter->setObjectName(QStringLiteral("entryFilter"));
    m_pFilter->setAccessibleName(tr("Show connections of"));
    m_pFilter->setGeometry(du.X(7), du.Y(4), du.X(96), m_pFilter->sizeHint().height());
    // The box is sorted; " All connections" begins with a blank and so stays first.
    std::vector<std::string> sorted = m_entries;
    std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
        return QStringFromBytes(a).localeAwareCompare(QStringFromBytes(b)) < 0;
    });
    m_pFilter->addItem(tr(" All connections"));
    for (const std::string& name : sorted)
        m_pFilter->addItem(QStringFromBytes(name), QByteArray::fromStdString(name));
    m_pFilter->setCurrentIndex(0);
    connect(m_pFilter, qOverload<int>(&QComboBox::activated), this, &CHistoryFrame::OnFilterChanged);
    auto button = [&](const char* name, const char* text, int x, void (CHistoryFrame::*handler)()) {
        auto* b = new QPushButton(tr(text), bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(du.Rect(x, 3, 50, 14));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
    };
    button("configure", QT_TR_NOOP("Configure..."), 108, &CHistoryFrame::OnConfigure);
    button("print", QT_TR_NOOP("Print..."), 162, &CHistoryFrame::OnPrint);
    button("export", QT_TR_NOOP("Export..."), 216, &CHistoryFrame::OnExport);
    auto* close = new QPushButton(tr("Close"), bar);
    close->setObjectName(QStringLiteral("close"));
    close->setGeometry(du.Rect(270, 3, 50, 14));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    // The list attaches to the document before the tree: the tree's first fill hands its day
    // to the list at once.
    m_pSplitter = new QSplitter(Qt::Horizontal, this);
    m_pSplitter->setChildrenCollapsible(false);
    m_pList = new CHistoryList(*m_pDoc, layout.m_nColWidth, nullptr);
    m_pList->m_entries = m_entries;
    m_pTree = new CHistoryTree(*m_pDoc, nullptr);
    m_pTree->m_entries = m_entries;
    m_pTree->setAccessibleName(tr("Months and days"));
    m_pList->setAccessibleName(tr("Connections"));
    m_pSplitter->addWidget(m_pTree);
    m_pSplitter->addWidget(m_pList);
    m_pSplitter->setStretchFactor(0, 0);
    m_pSplitter->setStretchFactor(1, 1);
    FitUnstoredWidths();
    m_pSplitter->setSizes({m_layout.m_nTreeWidth, std::max(1, width() - m_layout.m_nTreeWidth)});

    // The chart attaches after the tree, so that it reads the tree's selection once rebuilt.
    CAllowanceSettings allowance;
    allowance.Load(m_store);
    m_pChart =
        new CUsageChartView(*m_pDoc, *m_pTree,
                            allowance.m_bOn ? CUsageChart::SAllowance{allowance.m_nPeriod, allowance.GetSeconds()}
                                            : CUsageChart::SAllowance{},
                            nullptr);
    if (allowance.m_bOn) {
        // The current period's standing, whatever period the chart shows: the same figures as
        // the tray tip's, from the settings the main window last stored.
        int weekStart = 0, monthStart = 1;
        CMonitorSettings::LoadPeriodStarts(m_store, weekStart, monthStart);
        const CAllowance rule = allowance.GetAllowance(weekStart, monthStart);
        m_pChart->SetExtraSummary([this, rule] {
            const SAllowanceState state =
                m_standing ? m_standing() : rule.Compute(*m_pDoc->GetLog(), CTime::GetCurrentTime());
            if (!state.period.IsValid())
                return QString(); // turned off in the main window meanwhile
            return tr("This period so far: %1").arg(CAllowanceTexts::WarningBody(state));
        });
        m_pStandingTimer = new QTimer(this);
        m_pStandingTimer->setInterval(StandingInterval());
        connect(m_pStandingTimer, &QTimer::timeout, m_pChart, &CUsageChartView::Refresh);
        m_pStandingTimer->start();
    }
    m_pChartSplitter = new QSplitter(Qt::Vertical, this);
    m_pChartSplitter->setObjectName(QStringLiteral("chartSplitter"));
    m_pChartSplitter->addWidget(m_pSplitter);
    m_pChartSplitter->addWidget(m_pChart);
    m_pChartSplitter->setCollapsible(0, false);
    m_pChartSplitter->setCollapsible(1, true); // folded away by a user who wants the list's height
    m_pChartSplitter->setStretchFactor(0, 1);
    m_pChartSplitter->setStretchFactor(1, 0);
    const int chartHeight = m_layout.m_nChartHeight >= 0
                                ? m_layout.m_nChartHeight
                                : std::max(m_pChart->fontMetrics().height() * 8, m_pChart->sizeHint().height());
    m_pChartSplitter->setSizes({std::max(1, height() - chartHeight), chartHeight});

    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    box->addWidget(bar);
    box->addWidget(m_pChartSplitter, 1);

    // The context menu of either view, or of the bar, goes to the pane last clicked.
    for (QWidget* pane : {static_cast<QWidget*>(m_pTree), static_cast<QWidget*>(m_pList)}) {
        auto* view = static_cast<QAbstractItemView*>(pane);
        view->viewport()->installEventFilter(this);
        view->installEventFilter(this);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& at) { OnContextMenu(view->viewport()->mapToGlobal(at)); });
    }
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QWidget::customContextMenuRequested, this,
            [this, bar](const QPoint& at) { OnContextMenu(bar->mapToGlobal(at)); });

    if (m_hWndOwner)
        m_hWndOwner->setEnabled(false);
}

void CHistoryFrame::FitUnstoredWidths()
{
    CHistoryLayout& layout = m_layout;
    if (!layout.m_bTreeWidthStored)
        layout.m_nTreeWidth = std::max(layout.m_nTreeWidth, m_pTree->FittingWidth());
    bool columnsFitted = false;
    for (bool stored : layout.m_bColWidthStored)
        columnsFitted = columnsFitted || !stored;
    if (columnsFitted) {
        // The names the list may show: the phone book's and every one in the log.
        std::set<std::string> names(m_entries.begin(), m_entries.end());
        const CConnectionLog& log = *m_pDoc->GetLog();
        for (int i = 0; i < log.GetConnectionCount(); ++i)
            names.insert(log.GetConnection(i)->m_strName);
        int fitting[4];
        m_pList->FittingColumnWidths(std::vector<std::string>(names.begin(), names.end()), fitting);
        for (int i = 0; i < 4; ++i)
            if (!layout.m_bColWidthStored[i]) {
                layout.m_nColWidth[i] = std::max(layout.m_nColWidth[i], fitting[i]);
                m_pList->setColumnWidth(i, layout.m_nColWidth[i]);
            }
    }
}

QRect CHistoryFrame::DefaultRect() const
{
    // Wide enough for the tree and the columns side by side, up to the screen's right edge.
    int needed = m_layout.m_nTreeWidth + m_pSplitter->handleWidth() + 2 * m_pList->frameWidth() +
                 m_pList->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pList) + 16;
    for (int width : m_layout.m_nColWidth)
        needed += width;
    int width = std::max(560, needed);
    // Tall enough that the lists keep most of the height beside the chart, down to 40 pixels
    // above the screen's foot.
    int height = kDefaultHeight;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        width = std::max(560, std::min(width, screen->availableGeometry().right() - 40));
        height = std::max(300, std::min(height, screen->availableGeometry().bottom() - 140));
    }
    return QRect(40, 100, width, height);
}

CHistoryFrame::~CHistoryFrame()
{
    // The views detach from the document before it goes; the chart first, as it reads the tree.
    delete m_pChart;
    m_pChart = nullptr;
    delete m_pChartSplitter;
    m_pChartSplitter = nullptr;
    m_pSplitter = nullptr;
}

void CHistoryFrame::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_bLayoutRestored)
        return;
    m_bLayoutRestored = true;
    // Rectangles are outer ones, frame included, as they are saved.
    QRect outer = DefaultRect();
    const CHistoryLayout& layout = m_layout;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && layout.m_nWidth != 0 && layout.m_nHeight != 0) {
        QSize area = screen->geometry().size();
        if (std::int64_t(layout.m_nPosX) + layout.m_nWidth < area.width() &&
            std::int64_t(layout.m_nPosY) + layout.m_nHeight < area.height())
            outer = QRect(layout.m_nPosX, layout.m_nPosY, layout.m_nWidth, layout.m_nHeight);
    }
    m_restoreOuter = outer;
    m_bRestorePending = true;
    m_restoreClock.start();
    PlaceInside(outer);
    // The tree chose today's day before it had a height; it comes into view now that it has.
    QTimer::singleShot(0, m_pTree, [tree = m_pTree] {
        if (QTreeWidgetItem* today = tree->currentItem())
            tree->scrollToItem(today);
    });
}

bool CHistoryFrame::event(QEvent* event)
{
    // A window manager frames the window only after it is mapped; once the frame is known the
    // client rectangle is set again so that the outer one is the one saved. One that draws no
    // frame leaves the margins empty for ever, and the user's own moves must not be undone,
    // so the wait is short.
    if (m_bRestorePending && m_restoreClock.elapsed() > 3000)
        m_bRestorePending = false;
    if (m_bRestorePending && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                              event->type() == QEvent::WindowActivate || event->type() == QEvent::UpdateRequest))
        PlaceInside(m_restoreOuter);
    return QWidget::event(event);
}

void CHistoryFrame::PlaceInside(const QRect& outer)
{
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (!frame.isNull())
        m_bRestorePending = false;
    else if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        m_bRestorePending = false; // no window manager will ever add a frame
    // A client rectangle: the window manager puts its frame around it, where the outer one was.
    setGeometry(outer.marginsRemoved(frame));
}

bool CHistoryFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::FocusIn) {
        QWidget* widget = qobject_cast<QWidget*>(watched);
        if (widget == m_pTree || widget == m_pTree->viewport())
            m_pActivePane = m_pTree;
        else if (widget == m_pList || widget == m_pList->viewport())
            m_pActivePane = m_pList;
    }
    return QWidget::eventFilter(watched, event);
}

void CHistoryFrame::SelectEntry(const std::string* name)
{
    if (!name) {
        OnFilterChanged(m_pFilter->currentIndex());
        return;
    }
    int found = 0;
    QByteArray bytes = QByteArray::fromStdString(*name);
    for (int i = m_pFilter->count() - 1; i >= 1; --i)
        if (m_pFilter->itemData(i).toByteArray() == bytes) {
            found = i;
            break;
        }
    m_pFilter->setCurrentIndex(found);
    m_pDoc->SetFilter(*name);
}

void CHistoryFrame::OnFilterChanged(int index)
{
    m_pDoc->SetFilter(index <= 0 ? std::string() : m_pFilter->itemData(index).toByteArray().toStdString());
}

void CHistoryFrame::EnableEditing(int flag)
{
    m_bEditEnabled = flag;
    m_pTree->m_bEditEnabled = flag;
    m_pList->m_bEditEnabled = flag;
}

void CHistoryFrame::OnContextMenu(const QPoint& screenPoint)
{
    if (!m_bEditEnabled || !m_pActivePane)
        return;
    if (m_pActivePane == m_pTree)
        m_pTree->ShowHistoryMenu(screenPoint);
    else
        m_pList->ShowHistoryMenu(screenPoint);
}

void CHistoryFrame::OnConfigure()
{
    if (RunHistoryProperties(this))
        m_pDoc->UpdateAllViews(nullptr, nullptr);
}

void CHistoryFrame::OnPrint()
{
    CHistoryPrinter::PrintHistory(*m_pDoc, this, &m_pChart->GetChart());
}

void CHistoryFrame::OnExport()
{
    CHistoryExport::ExportHistory(*m_pDoc, this);
}

void CHistoryFrame::SaveLayout()
{
    CHistoryLayout layout;
    QRect outer = frameGeometry();
    layout.m_nPosX = outer.left();
    layout.m_nPosY = outer.top();
    layout.m_nWidth = outer.width();
    layout.m_nHeight = outer.height();
    layout.m_nTreeWidth = m_pSplitter->sizes().value(0, layout.m_nTreeWidth);
    for (int i = 0; i < 4; ++i)
        layout.m_nColWidth[i] = m_pList->columnWidth(i);
    layout.m_nChartHeight = m_pChartSplitter->sizes().value(1, 0);
    layout.Save(m_store);
}

void CHistoryFrame::SaveOpenLayouts()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* frame = qobject_cast<CHistoryFrame*>(widget))
            if (!frame->m_bClosed)
                frame->SaveLayout();
}

void CHistoryFrame::closeEvent(QCloseEvent* event)
{
    if (!m_bClosed) {
        m_bClosed = true;
        if (m_pStandingTimer)
            m_pStandingTimer->stop(); // the window is deleted later; its source may go first
        SaveLayout();
        if (m_hWndOwner)
            m_hWndOwner->setEnabled(true);
        if (m_onClosed)
            m_onClosed();
    }
    QWidget::closeEvent(event);
}
