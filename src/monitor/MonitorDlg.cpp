#include "MonitorDlg.h"

#include <algorithm>
#include <cstdio>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include "AboutDlg.h"
#include "Accessibility.h"
#include "AllowanceTexts.h"
#include "ConnectionLog.h"
#include "ConnectionMonitor.h"
#include "DesktopNotifier.h"
#include "DialogUnits.h"
#include "HelpFile.h"
#include "HistoryDoc.h"
#include "HistoryFrame.h"
#include "PasswordDlg.h"
#include "Poller.h"
#include "Preferences.h"
#include "RasProvider.h"
#include "RasProviderFactory.h"
#include "Resource.h"
#include "SettingsStore.h"
#include "StartupShortcut.h"
#include "TextBytes.h"
#include "TimeTexts.h"
#include "TrayIcon.h"

namespace {

CMonitorDlg::HistoryOpener& HistoryOpenerHook()
{
    static CMonitorDlg::HistoryOpener opener;
    return opener;
}
CMonitorDlg::PreferencesOpener& PreferencesOpenerHook()
{
    static CMonitorDlg::PreferencesOpener opener;
    return opener;
}
CMonitorDlg::PasswordCheck& PasswordCheckHook()
{
    static CMonitorDlg::PasswordCheck check;
    return check;
}
CMonitorDlg::AllowanceNotifier& AllowanceNotifierHook()
{
    static CMonitorDlg::AllowanceNotifier notifier;
    return notifier;
}
std::chrono::milliseconds& RefreshLimit()
{
    static std::chrono::milliseconds limit{60 * 1000};
    return limit;
}

} // namespace

void CMonitorDlg::SetHistoryOpener(HistoryOpener opener)
{
    HistoryOpenerHook() = std::move(opener);
}
void CMonitorDlg::SetPreferencesOpener(PreferencesOpener opener)
{
    PreferencesOpenerHook() = std::move(opener);
}
void CMonitorDlg::SetPasswordCheck(PasswordCheck check)
{
    PasswordCheckHook() = std::move(check);
}
void CMonitorDlg::SetAllowanceNotifier(AllowanceNotifier notifier)
{
    AllowanceNotifierHook() = std::move(notifier);
}
void CMonitorDlg::SetRefreshLimit(std::chrono::milliseconds limit)
{
    RefreshLimit() = limit;
}

const char* CMonitorDlg::TotalLabel(int totalType)
{
    static const char* const labels[] = {QT_TR_NOOP("- Total "), QT_TR_NOOP("- Today "), QT_TR_NOOP("- Week "),
                                         QT_TR_NOOP("- Month ")};
    return totalType >= 0 && totalType <= 3 ? labels[totalType] : labels[0];
}

CMonitorDlg::CMonitorDlg(std::unique_ptr<CRasProvider> provider, CSettingsStore& store, const std::string& dataPrefix)
    : QDialog(nullptr), m_store(store), m_strLogPath(dataPrefix + "Zelmorin.Log"),
      m_hIcon(QStringLiteral(":/icons/128-32.png")), m_pLog(std::make_unique<CConnectionLog>(m_strLogPath)),
      m_checkpoint(dataPrefix), m_pProvider(std::move(provider)),
      m_allowanceWatch(m_allowance, store, [this](SAllowanceState::EThreshold, const SAllowanceState& state) {
          GiveAllowanceWarning(state);
      })
{
    m_hIcon.addFile(QStringLiteral(":/icons/128-16.png"));
    m_checkpoint.RecoverCheckpoint(*m_pLog);
    m_pMonitor = std::make_unique<CConnectionMonitor>(*m_pLog, m_checkpoint, *this);
    // The worker asks for its reports to be applied here, on the user-interface thread.
    m_pPollThread = std::make_unique<CPoller>(
        *m_pProvider,
        [this](const std::string& name, bool connected, std::int64_t atMs) { OnRasPoll(name, connected, atMs); },
        [this] {
            QMetaObject::invokeMethod(
                this, [this] { m_pPollThread->DeliverReports(); }, Qt::QueuedConnection);
        });

    // A small tool window with a title and a close box only.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("DIZ Urovada"));
    CDialogUnits du(this);
    setFixedSize(du.X(kWidthDu), du.Y(15));
    move(0, 0); // where the window stands until a stored position says otherwise

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setGeometry(du.Rect(10, 1, 50, 14));
    ok->setDefault(true);
    ok->hide();
    connect(ok, &QPushButton::clicked, this, &CMonitorDlg::accept);
    auto* cancel = new QPushButton(QStringLiteral("Annulla"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(du.Rect(65, 1, 50, 14));
    cancel->hide();
    connect(cancel, &QPushButton::clicked, this, &CMonitorDlg::reject);
    // Neither is ever shown: a screen reader must not offer them.
    CAccessibility::HideFromTree(ok);
    CAccessibility::HideFromTree(cancel);

    m_pStatus = new QLabel(m_pProvider->IsServiceInstalled() ? tr("Not connected") : tr("No connection service"), this);
    m_pStatus->setTextFormat(Qt::PlainText); // entry names are text, never markup
    m_pStatus->setObjectName(QStringLiteral("status"));
    m_pStatus->setGeometry(du.Rect(0, 4, 88, 8));
    m_pStatus->setContentsMargins(du.X(2), 0, 0, 0);

    m_pHistoryButton = new QPushButton(tr("History..."), this);
    m_pHistoryButton->setObjectName(QStringLiteral("history"));
    m_pHistoryButton->setGeometry(du.Rect(90, 1, 40, 14));
    m_pHistoryButton->setAutoDefault(false);
    connect(m_pHistoryButton, &QPushButton::clicked, this, &CMonitorDlg::OnHistory);

    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QPoint global = mapToGlobal(at);
        ShowPopupMenu(this, global.x(), global.y());
    });

    m_pRefresh = new QTimer(this);
    m_pRefresh->setSingleShot(true);
    connect(m_pRefresh, &QTimer::timeout, this, &CMonitorDlg::OnRefresh);

    // The label's own tip, when it has one, is the full name of the running connection; elsewhere
    // the window's tip tells what is watched.
    setToolTip(ServiceText());

    m_pTray = new CTrayIcon(this);
    connect(m_pTray, &CTrayIcon::Notify, this, &CMonitorDlg::OnTrayNotify);
    connect(m_pTray, &CTrayIcon::TrayChanged, this, &CMonitorDlg::OnTrayChanged);
    m_pTray->SetMenuFactory([this] {
        QMenu* menu = BuildPopupMenu(nullptr);
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenuStates(menu); });
        return menu;
    });
}

CMonitorDlg::~CMonitorDlg()
{
    // The worker must end before the members its reports touch.
    m_pPollThread.reset();
    OnDestroy();
}

void CMonitorDlg::OnInitDialog()
{
    // Desktops on Linux give programs no way into the window menu, so "About Zelmorin" lives
    // in the popup menu only.
    setWindowIcon(m_hIcon);
    m_pTray->TrayAdd(Resource::ID_TRAY, Resource::IDI_IDLE, BytesFromQString(tr("Zelmorin - Not connected")));
    if (!m_pProvider->IsServiceInstalled())
        std::fprintf(stderr, "zelmorin: %s\n", BytesFromQString(ServiceText()).c_str());
    StartPolling();
    LoadSettings(m_store, [] { return StartupShortcutExists(); });
    m_allowance.Load(m_store);
    PlaceWindow();
    m_pPollThread->SetReady();
    QMetaObject::invokeMethod(this, &CMonitorDlg::OnHistoryClosed, Qt::QueuedConnection);
    ScheduleRefresh();
    // What the start could not recover, now that there is a tray to tell it through.
    std::string problems;
    for (const CUserMessage& problem : m_checkpoint.GetProblems())
        problems += (problems.empty() ? "" : " ") + Translated(problem);
    if (!problems.empty())
        ShowProblemText(problems);
}

QPoint CMonitorDlg::PositionToStore() const
{
    // A Wayland window never learns where it stands (pos() is 0,0 or the frame's offset): the
    // position stored from another desktop is kept for that desktop.
    return IsWayland() ? QPoint(m_nPosX, m_nPosY) : pos();
}

QString CMonitorDlg::ServiceText() const
{
    if (!m_pProvider->IsServiceInstalled())
        return tr("No connection service was found: neither NetworkManager nor pppd. To choose one, "
                  "start Zelmorin with ZELMORIN_RAS set to nm (NetworkManager), pppd, or sim:FILE (the "
                  "simulator).");
    const std::string name = m_pProvider->GetServiceName();
    if (name.empty())
        return QString();
    return tr("Watching %1").arg(name == "simulator" ? tr("the simulator") : QStringFromBytes(name));
}

void CMonitorDlg::PlaceWindow()
{
    // Wayland places windows itself and ignores a program's move.
    if (IsWayland() || m_nPosX < 0 || m_nPosY < 0)
        return;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QSize area = screen->geometry().size();
    // 64-bit sums: the "no position" value 0x7FFFFFFF must never wrap into a position. The
    // frame is not known before the window is mapped, so this is the window's own size.
    QSize size = frameGeometry().size();
    if (std::int64_t(m_nPosX) + size.width() < area.width() && std::int64_t(m_nPosY) + size.height() < area.height())
        move(m_nPosX, m_nPosY);
}

void CMonitorDlg::OnDestroy()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    m_pTray->TrayDelete(Resource::ID_TRAY);
    SaveSettings(m_store, PositionToStore().x(), PositionToStore().y());
    m_allowance.Save(m_store);
    CHistoryFrame::SaveOpenLayouts(); // an open History window is never closed on the way out
}

void CMonitorDlg::OnEndSession(bool ending)
{
    if (!ending)
        return;
    SaveSettings(m_store, PositionToStore().x(), PositionToStore().y());
    m_allowance.Save(m_store);
    CHistoryFrame::SaveOpenLayouts();
    m_pMonitor->OnStop();
}

void CMonitorDlg::StartPolling()
{
    m_pPollThread->StartPolling();
}

void CMonitorDlg::StopPolling()
{
    m_pPollThread->StopPolling();
    m_pMonitor->OnStop();
}

bool CMonitorDlg::StopPolling(std::chrono::milliseconds limit)
{
    bool stopped = m_pPollThread->StopPolling(limit);
    m_pMonitor->OnStop();
    return stopped;
}

void CMonitorDlg::OnRasPoll(const std::string& name, bool connected)
{
    m_pMonitor->OnRasPoll(name, connected);
}

void CMonitorDlg::OnRasPoll(const std::string& name, bool connected, std::int64_t atMs)
{
    m_pMonitor->OnRasPoll(name, connected, atMs);
}

bool CMonitorDlg::IsConnected() const
{
    return m_pMonitor->IsConnected();
}

void CMonitorDlg::SetStatusText(const std::string& text)
{
    m_pStatus->setText(QStringFromBytes(text));
    m_pStatus->setToolTip(QString());
}

void CMonitorDlg::SetRunningStatus(const std::string& name, const std::string& time)
{
    // The field is narrow: the time stays whole and the name gives way, shown in full in the
    // field's tip.
    m_strRunningName = name;
    const QString fullName = QStringFromBytes(name);
    const QString timeText = QStringFromBytes(time);
    const QFontMetrics metrics = m_pStatus->fontMetrics();
    const int room = m_pStatus->contentsRect().width() - metrics.horizontalAdvance(timeText);
    const QString shown = metrics.elidedText(fullName, Qt::ElideRight, qMax(room, 0));
    m_pStatus->setText(shown + timeText);
    m_pStatus->setToolTip(shown == fullName ? QString() : PlainTip(fullName + timeText));
}

void CMonitorDlg::TraySetIcon(int iconId)
{
    m_pTray->TraySetIcon(Resource::ID_TRAY, iconId);
}

void CMonitorDlg::TraySetTip(const std::string& tip)
{
    m_pTray->TraySetTip(Resource::ID_TRAY, tip);
    UpdateAllowance();
}

SAllowanceState CMonitorDlg::GetAllowanceState()
{
    CAllowance::SRunning running;
    const bool connected = IsConnected();
    if (connected) {
        running.name = m_strRunningName;
        running.start = m_pMonitor->GetStart();
        // Measured as the window's running time is: a clock correction just after dialling must
        // neither use the allowance up nor give it back.
        running.elapsed = m_pMonitor->GetElapsed().GetTotalSeconds();
    }
    return m_allowanceWatch.Update(*m_pLog, CTime::GetCurrentTime(), connected ? &running : nullptr, m_nWeekStart,
                                   m_nMonthStart);
}

void CMonitorDlg::UpdateAllowance()
{
    // The tip's first line keeps its 63 characters; while connected the chosen total follows
    // it (idle, the first line is the total), then the time left and the pace.
    const SAllowanceState state = GetAllowanceState();
    QStringList detail;
    if (m_bShowTotal && IsConnected())
        detail << QStringFromBytes(m_strTotal).trimmed();
    if (state.period.IsValid())
        detail << CAllowanceTexts::Left(state) << CAllowanceTexts::Pace(state);
    m_pTray->SetTipDetail(detail.join(QLatin1Char('\n')));
    // The title's time left is the tip's, so that the two never disagree.
    QString title = QStringFromBytes(" Zelmorin " + m_strTotal);
    if (m_bShowTotal && state.period.IsValid())
        title += QLatin1Char(' ') + CAllowanceTexts::Left(state);
    setWindowTitle(title);
    FitTitle(title);
}

void CMonitorDlg::FitTitle(const QString& title)
{
    // The window manager cuts a title longer than the window: the window widens to hold it
    // (in a bold face, as title bars often are, with room for the icon and up to three
    // buttons, which a window without a tray has), the status field taking the room gained.
    CDialogUnits du(this);
    QFont bold = font();
    bold.setBold(true);
    const int needed = QFontMetrics(bold).horizontalAdvance(title) + 8 * QFontMetrics(bold).height();
    const int width = std::max(du.X(kWidthDu), needed);
    if (width == this->width())
        return;
    const int gained = width - du.X(kWidthDu);
    setFixedWidth(width);
    m_pStatus->setGeometry(du.Rect(0, 4, 88, 8).adjusted(0, 0, gained, 0));
    m_pHistoryButton->setGeometry(du.Rect(90, 1, 40, 14).translated(gained, 0));
}

void CMonitorDlg::ScheduleRefresh()
{
    // Every period of the totals and the allowance turns at a local midnight; between two,
    // the pace and the allowance's texts move with the clock even while nothing is logged.
    const CTime now = CTime::GetCurrentTime();
    const CPeriod day = CPeriod::At(CPeriod::kDay, now, 0, 1);
    std::chrono::milliseconds wait = RefreshLimit();
    if (day.IsValid())
        wait = std::min(wait, std::chrono::milliseconds(1000 * (day.GetEnd() - now).GetTotalSeconds()));
    m_pRefresh->start(std::max(wait, std::chrono::milliseconds(1)));
}

void CMonitorDlg::OnRefresh()
{
    if (m_bDestroyed)
        return;
    UpdateTitle();
    ScheduleRefresh();
}

void CMonitorDlg::GiveAllowanceWarning(const SAllowanceState& state)
{
    const QString summary = CAllowanceTexts::WarningSummary(state);
    const QString body = CAllowanceTexts::WarningBody(state);
    const AllowanceNotifier& notifier = AllowanceNotifierHook();
    if (notifier ? notifier(summary, body) : CDesktopNotifier::Notify(summary, body))
        return;
    // Without a notification service the tray's balloon says it, when the tray can show one.
    if (m_pTray->ShowMessage(BytesFromQString(summary + QLatin1Char('\n') + body)))
        return;
    // Without either the warning would be lost while marked as given: a box that does not
    // wait for an answer, so that the polling goes on meanwhile.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Zelmorin"), summary, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("allowanceWarning"));
    box->setInformativeText(body);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void CMonitorDlg::ShowLogProblem(const CUserMessage& message)
{
    ShowProblemText(Translated(message));
}

std::string CMonitorDlg::Translated(const CUserMessage& message)
{
    // The arguments go in in one pass, so that a path holding "%1" is never taken for a place
    // of the pattern; they are bytes as the system gave them.
    const std::string pattern =
        QCoreApplication::translate(CUserMessage::kContext, message.GetPattern()).toUtf8().toStdString();
    return CUserMessage(pattern.c_str(), message.GetArgs()).Text();
}

void CMonitorDlg::ShowProblemText(const std::string& message)
{
    // A notification, not a message box: the polling must go on meanwhile.
    if (m_pTray->ShowMessage(message))
        return;
    m_pStatus->setText(QStringFromBytes(message));
    m_pStatus->setToolTip(PlainTip(QStringFromBytes(message)));
}

void CMonitorDlg::ApplyWindowState()
{
    // On Wayland the flag would only re-create the window: stacking is the desktop's.
    bool topmost = m_bOnTop && !m_bHistoryOpen && !IsWayland();
    // With a tray the window is a small tool window that the tray brings back; without one it
    // is an ordinary window, which panels list and which can wait minimised.
    const bool tray = m_pTray->HasTray();
    Qt::WindowFlags flags = windowFlags() & ~Qt::WindowType_Mask;
    flags |= tray ? Qt::Tool : Qt::Window;
    flags.setFlag(Qt::WindowMinimizeButtonHint, !tray);
    flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
    const bool shown = !m_bHidden || (IsConnected() && m_bAutoShow);
    // A window on the screen that stays there keeps its kind until it is next hidden: a new
    // native window for a mapped one does not know its frame yet, so Qt would put the client
    // area where the frame was and the title bar off the top of the screen.
    const Qt::WindowFlags kind = Qt::WindowType_Mask | Qt::WindowMinimizeButtonHint;
    if (shown && isVisible())
        flags = (flags & ~kind) | (windowFlags() & kind);
    // Changing the flags hides the window; the state set below maps it again as it must be,
    // never shown for a moment on its way into the tray.
    if (flags != windowFlags())
        setWindowFlags(flags);
    UpdateTitle();
    m_bApplyingState = true;
    if (shown) {
        showNormal();
    } else if (tray) {
        hide();
    } else {
        // Nothing could bring a withdrawn window back.
        showMinimized();
    }
    m_bApplyingState = false;
}

void CMonitorDlg::OnTrayChanged(bool /*present*/)
{
    // A hidden window moves into a new tray, or out of a vanished one where it can be reached.
    ApplyWindowState();
}

void CMonitorDlg::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || m_bApplyingState || !event->spontaneous())
        return;
    // The user restored the window that waits minimised for want of a tray: it is shown now, as
    // a click on the tray icon would have shown it.
    auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (m_bHidden && !m_pTray->HasTray() && change->oldState().testFlag(Qt::WindowMinimized) && !isMinimized())
        m_bHidden = false;
}

void CMonitorDlg::UpdateTitle()
{
    // The total counts the logged connections and changes when one ends; the time left after
    // it, over the allowance's own period and entry, is the tip's (UpdateAllowance).
    m_strTotal.clear();
    if (m_bShowTotal)
        m_strTotal =
            BytesFromQString(tr(TotalLabel(m_nTotalType))) +
            FormatDuration(m_pLog->GetPeriodTotal(m_nTotalType, m_strSelectedISP, m_nWeekStart, m_nMonthStart));
    if (!IsConnected())
        TraySetTip(" Zelmorin " + m_strTotal);
    else
        UpdateAllowance();
    UpdateTrayMenu();
}

QMenu* CMonitorDlg::BuildPopupMenu(QWidget* owner)
{
    auto* menu = new QMenu(owner);
    menu->setToolTipsVisible(true);
    auto add = [&](const char* text, int command, void (CMonitorDlg::*handler)()) {
        QAction* action = menu->addAction(tr(text));
        action->setData(command);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    add(QT_TR_NOOP("Hide"), Resource::ID_HIDE, &CMonitorDlg::OnHide)->setCheckable(true);
    add(QT_TR_NOOP("Always on top"), Resource::ID_ALWAYS_ON_TOP, &CMonitorDlg::OnAlwaysOnTop)->setCheckable(true);
    add(QT_TR_NOOP("Total"), Resource::ID_TOTAL, &CMonitorDlg::OnTotal)->setCheckable(true);
    add(QT_TR_NOOP("History..."), Resource::ID_HISTORY, &CMonitorDlg::OnHistory);
    add(QT_TR_NOOP("Help..."), Resource::ID_HELP, &CMonitorDlg::OnHelp);
    menu->addSeparator();
    add(QT_TR_NOOP("Preferences.."), Resource::ID_PREFERENCES, &CMonitorDlg::OnPreferences);
    menu->addSeparator();
    add(QT_TR_NOOP("About Zelmorin"), Resource::ID_APP_ABOUT, &CMonitorDlg::OnAbout);
    add(QT_TR_NOOP("E&xit"), Resource::ID_APP_EXIT, &CMonitorDlg::OnExit);
    UpdateMenuStates(menu);
    return menu;
}

void CMonitorDlg::UpdateMenuStates(QMenu* menu)
{
    const bool wayland = IsWayland();
    for (QAction* action : menu->actions()) {
        switch (action->data().toInt()) {
        case Resource::ID_HIDE:
            action->setChecked(m_bHidden);
            break;
        case Resource::ID_ALWAYS_ON_TOP:
            action->setChecked(m_bOnTop);
            // Wayland gives programs no say in the stacking of windows.
            action->setEnabled(!wayland);
            action->setToolTip(wayland ? tr("The desktop decides which window stays on top.") : QString());
            break;
        case Resource::ID_TOTAL:
            action->setChecked(m_bShowTotal);
            break;
        case Resource::ID_HISTORY:
            action->setEnabled(!m_bHistoryOpen);
            break;
        default:
            break;
        }
    }
}

void CMonitorDlg::UpdateTrayMenu()
{
    if (QMenu* menu = m_pTray->GetMenu())
        UpdateMenuStates(menu);
}

bool CMonitorDlg::IsWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void CMonitorDlg::ShowPopupMenu(QWidget* owner, int x, int y)
{
    std::unique_ptr<QMenu> menu(BuildPopupMenu(owner));
    activateWindow();
    raise();
    menu->exec(QPoint(x, y));
}

void CMonitorDlg::OnTrayNotify(int /*id*/, int mouseMessage)
{
    switch (mouseMessage) {
    case Resource::WM_LBUTTONDOWN:
        m_bHidden = false;
        ApplyWindowState();
        break;
    case Resource::WM_LBUTTONDBLCLK:
        OnHistory();
        break;
    case Resource::WM_RBUTTONUP: {
        QPoint at = QCursor::pos();
        ShowPopupMenu(this, at.x(), at.y());
        break;
    }
    default:
        break;
    }
}

void CMonitorDlg::OnShowRequest()
{
    // As a click on the tray icon would: the window is wanted, so it is no longer hidden.
    m_bHidden = false;
    ApplyWindowState();
    raise();
    activateWindow();
}

bool CMonitorDlg::CheckPassword()
{
    if (PasswordCheckHook())
        return PasswordCheckHook()(this);
    return ::CheckPassword(m_strPassword, this);
}

void CMonitorDlg::OnHistory()
{
    if (m_bHistoryOpen)
        return;
    if (m_bProtect && m_bProtectHistory && !CheckPassword())
        return; // a wrong or cancelled password cancels silently
    if (HistoryOpenerHook()) {
        HistoryOpenerHook()(*this);
        return;
    }
    // The History has its own copy of the log, read now; the phone book comes from a provider
    // of its own, since the poller's is busy on the worker thread.
    std::vector<std::string> entries = CreateRasProviderFromEnvironment()->EnumEntries();
    auto* frame = new CHistoryFrame(std::make_unique<CHistoryDoc>(m_strLogPath), m_store, std::move(entries), this,
                                    [this] { OnHistoryClosed(); });
    // The History may outlive this window at the program's end.
    QPointer<CMonitorDlg> self(this);
    frame->SetPeriodStanding([self] { return self ? self->GetAllowanceState() : SAllowanceState(); });
    frame->show();
    frame->SelectEntry(&m_strSelectedISP);
    frame->EnableEditing(m_bHistoryEdit ? 1 : 0);
    m_bHistoryOpen = true;
    UpdateTrayMenu();
}

void CMonitorDlg::OnHistoryClosed()
{
    m_bHistoryOpen = false;
    ApplyWindowState();
}

void CMonitorDlg::OnAlwaysOnTop()
{
    if (IsWayland())
        return; // the item is disabled there; a stale request changes nothing
    m_bOnTop = !m_bOnTop;
    ApplyWindowState();
}

void CMonitorDlg::OnHide()
{
    m_bHidden = !m_bHidden;
    ApplyWindowState();
}

void CMonitorDlg::OnTotal()
{
    m_bShowTotal = !m_bShowTotal;
    UpdateTitle();
}

void CMonitorDlg::OnExit()
{
    if (m_bProtect && m_bProtectExit && !CheckPassword())
        return;
    StopPolling();
    done(QDialog::Rejected);
}

void CMonitorDlg::accept()
{
    StopPolling();
    done(QDialog::Accepted);
}

void CMonitorDlg::reject()
{
    m_bHidden = true;
    ApplyWindowState();
}

void CMonitorDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

void CMonitorDlg::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CMonitorDlg::OnPreferences()
{
    if (m_bProtect && m_bProtectConfig && !CheckPassword())
        return;
    if (PreferencesOpenerHook()) {
        PreferencesOpenerHook()(*this);
        return;
    }
    if (RunPreferences(*this, m_allowance, CreateRasProviderFromEnvironment()->EnumEntries(), this)) {
        ApplyWindowState();
        // Stored at once, not only on the way out: a History window opened next and
        // zelmorin-report read the allowance and the period rules from the store.
        SaveSettings(m_store, PositionToStore().x(), PositionToStore().y());
        m_allowance.Save(m_store);
    }
}

void CMonitorDlg::OnHelp()
{
    OpenHelpContents();
}
