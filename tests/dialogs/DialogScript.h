#pragma once

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

// Plays the user in the next modal dialog: act runs inside that dialog's own event loop and
// must close it. A dialog of another class, or none, is a failure and is left alone.
template <typename TDialog, typename FAct> void WhenModal(FAct act)
{
    QTimer::singleShot(0, [act] {
        if (auto* dialog = qobject_cast<TDialog*>(QApplication::activeModalWidget()))
            act(*dialog);
        else
            ADD_FAILURE() << "no " << TDialog::staticMetaObject.className() << " showed";
    });
}

// Types as a keyboard does, one key a character, also where QTest::keyClicks cannot (beyond ASCII).
inline void Type(QLineEdit* field, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Rejects a modal dialog that stays up across two ticks, so that a test that forgot one, or a
// dialog that showed unexpectedly, fails instead of hanging.
class CModalWatchdog
{
public:
    CModalWatchdog()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (modal && modal == m_pLast) {
                ADD_FAILURE() << "left open: " << modal->windowTitle().toStdString();
                modal->reject();
            }
            m_pLast = modal;
        });
        m_timer.start(2000);
    }

private:
    QTimer m_timer;
    QPointer<QDialog> m_pLast;
};
