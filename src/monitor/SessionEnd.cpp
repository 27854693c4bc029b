#include "SessionEnd.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QWidget>
#include <chrono>
#include <thread>
#include <unistd.h>

CSessionEnd::CSessionEnd(QDialog& mainDialog, std::function<void()> saveSettings, bool exitAfterGrace)
    : m_mainDialog(mainDialog), m_saveSettings(std::move(saveSettings)), m_bExitAfterGrace(exitAfterGrace)
{
    // The session manager's "die" arrives as a Quit event to the application.
    qApp->installEventFilter(this);
    m_cancelAgain.setInterval(50);
    connect(&m_cancelAgain, &QTimer::timeout, this, [this] { CancelDialogs(&m_mainDialog); });
}

CSessionEnd::~CSessionEnd()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

bool CSessionEnd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::Quit) {
        End();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void CSessionEnd::CancelDialogs(const QWidget* except)
{
    // Each closed dialog's exec returns once the ones opened above it have returned; a menu's
    // exec likewise.
    while (QWidget* popup = QApplication::activePopupWidget()) {
        if (!popup->close())
            break;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog != except && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    }
}

void CSessionEnd::End()
{
    if (m_bEnding)
        return;
    m_bEnding = true;
    // First what must survive: the settings reach their file before anything else can go wrong.
    m_saveSettings();
    CancelDialogs(&m_mainDialog);
    m_mainDialog.done(QDialog::Rejected);
    // Code after a cancelled dialog may open another before it returns; those are cancelled too.
    m_cancelAgain.start();
    if (!m_bExitAfterGrace)
        return;
    // A session manager kills what has not ended in time. Should the program hang on its way
    // out, the settings are on disk and the connection is in its checkpoint: the process ends
    // itself first, with no further writing.
    std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(kGraceMs));
        _exit(0);
    }).detach();
}
