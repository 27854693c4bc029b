#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <QWidget>
#include <memory>
#include <vector>

#include "AboutDlg.h"
#include "Accessibility.h"
#include "Clock.h"
#include "Connection.h"
#include "ConnectionDlg.h"
#include "DesktopServices.h"
#include "HistoryDoc.h"
#include "HistoryFrame.h"
#include "HyperLink.h"
#include "MonitorDlg.h"
#include "MonitorFakes.h"
#include "NewPasswordDlg.h"
#include "PasswordDlg.h"
#include "PropPageAdvanced.h"
#include "PropPageAllowance.h"
#include "PropPageGeneral.h"
#include "PropPageHistory.h"
#include "PropertySheet.h"
#include "TestSupport.h"

namespace {

bool IsButtonLike(QAccessible::Role role)
{
    // Their own text is their name; for fields and lists the text is the value, not a name.
    return role == QAccessible::PushButton || role == QAccessible::CheckBox || role == QAccessible::RadioButton ||
           role == QAccessible::PageTab || role == QAccessible::ButtonMenu || role == QAccessible::ButtonDropDown ||
           role == QAccessible::Link;
}

// What a screen reader can call the control: its own name, or the label that stands for it.
bool HasName(QAccessibleInterface* iface)
{
    if (auto* widget = qobject_cast<QWidget*>(iface->object()); widget && !widget->accessibleName().isEmpty())
        return true;
    for (const auto& relation : iface->relations(QAccessible::Label)) {
        if (!relation.first->text(QAccessible::Name).isEmpty())
            return true;
    }
    return IsButtonLike(iface->role()) && !iface->text(QAccessible::Name).isEmpty();
}

bool IsOperable(QAccessibleInterface* iface)
{
    // A disabled button offers no action, but is still there to be named.
    if (iface->state().focusable || IsButtonLike(iface->role()))
        return true;
    QAccessibleActionInterface* actions = iface->actionInterface();
    return actions && (actions->actionNames().contains(QAccessibleActionInterface::pressAction()) ||
                       actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
}

QString Describe(QAccessibleInterface* iface)
{
    QObject* object = iface->object();
    return QStringLiteral("%1 '%2' (role %3)")
        .arg(object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("item"),
             object ? object->objectName() : QString())
        .arg(int(iface->role()));
}

struct SWalk
{
    QStringList nameless;  // operable controls a screen reader cannot name
    QStringList invisible; // parts of the tree that are not on screen
    QStringList objects;   // the object names met
};

void Walk(QAccessibleInterface* iface, SWalk& walk)
{
    if (!iface || !iface->isValid())
        return;
    if (iface->object())
        walk.objects << iface->object()->objectName();
    if (iface->state().invisible)
        walk.invisible << Describe(iface);
    if (IsOperable(iface) && !HasName(iface))
        walk.nameless << Describe(iface);
    // The rows and cells of views and the parts of a combo box take their names from their text.
    if (iface->tableInterface() || iface->role() == QAccessible::ComboBox)
        return;
    for (int i = 0; i < iface->childCount(); ++i)
        Walk(iface->child(i), walk);
}

SWalk WalkWindow(QWidget* window)
{
    SWalk walk;
    Walk(QAccessible::queryAccessibleInterface(window), walk);
    return walk;
}

void ExpectAllNamed(QWidget* window)
{
    const SWalk walk = WalkWindow(window);
    EXPECT_GE(walk.objects.size(), 3) << "the tree was not walked";
    EXPECT_TRUE(walk.nameless.isEmpty()) << walk.nameless.join(QStringLiteral("\n")).toStdString();
}

} // namespace

TEST(AccessibleNames, ConnectionEditorAndPasswordDialogs)
{
    CScopedTimeZone zone("Europe/Rome");
    CConnection record(CTime(1999, 5, 14, 10, 0, 0), CTime(1999, 5, 14, 11, 30, 15), "Office");
    CConnectionDlg editor(record, {"Home", "Office"});
    editor.show();
    ExpectAllNamed(&editor);
    // The spin buttons take no focus but can be pressed, so they are named too.
    const SWalk walk = WalkWindow(&editor);
    EXPECT_TRUE(walk.objects.contains(QStringLiteral("spin1062Up")));

    CPasswordDlg password;
    password.show();
    ExpectAllNamed(&password);
    CNewPasswordDlg newPassword;
    newPassword.show();
    ExpectAllNamed(&newPassword);
}

TEST(AccessibleNames, PreferencesSheetEveryPage)
{
    CTempDir dir;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.File("config")));
    CPropPageGeneral general({"Office", "Home"});
    CPropPageHistory history;
    CPropPageAdvanced advanced;
    CPropPageAllowance allowance({"Office", "Home"});
    allowance.m_bOn = true;
    CPropertySheet sheet(QStringLiteral("Zelmorin - Properties"));
    sheet.AddPage(&general);
    sheet.AddPage(&history);
    sheet.AddPage(&advanced);
    sheet.AddPage(&allowance);
    sheet.show();
    for (int page = 0; page < sheet.GetPageCount(); ++page) {
        SCOPED_TRACE(page);
        ASSERT_TRUE(sheet.SetActivePage(page));
        ASSERT_TRUE(sheet.GetPage(page)->IsCreated());
        ExpectAllNamed(&sheet);
    }
    sheet.reject();
}

TEST(AccessibleNames, AboutBox)
{
    CAboutDlg about;
    about.show();
    ExpectAllNamed(&about);
}

TEST(AccessibleNames, HistoryWindow)
{
    CScopedTimeZone zone("Europe/Rome");
    CScopedClock clock(CTime(1999, 5, 14, 18, 0, 0).GetTime());
    CTempDir dir;
    WriteFile(dir.File("Zelmorin.Log"), "14/05/1999 09:00:00  14/05/1999 10:02:03  x  Office\r\n");
    CFakeStore store;
    auto* frame = new CHistoryFrame(std::make_unique<CHistoryDoc>(dir.File("Zelmorin.Log")), store, {"Office", "Home"},
                                    nullptr, nullptr);
    frame->show();
    ExpectAllNamed(frame);
    frame->close();
    QCoreApplication::processEvents();
}

TEST(AccessibleNames, MainWindowHidesItsHiddenButtons)
{
    CScopedTimeZone zone("Europe/Rome");
    CTempDir dir;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.File("config")));
    CFakeStore store;
    CMonitorDlg dialog(std::make_unique<CFakeProvider>(), store, dir.Path() + "/");
    dialog.OnInitDialog();
    QCoreApplication::processEvents();
    dialog.show();
    ASSERT_NE(dialog.findChild<QPushButton*>(QStringLiteral("ok")), nullptr);
    ASSERT_NE(dialog.findChild<QPushButton*>(QStringLiteral("cancel")), nullptr);

    const SWalk walk = WalkWindow(&dialog);
    ExpectAllNamed(&dialog);
    EXPECT_TRUE(walk.objects.contains(QStringLiteral("history")));
    EXPECT_FALSE(walk.objects.contains(QStringLiteral("ok")));
    EXPECT_FALSE(walk.objects.contains(QStringLiteral("cancel")));
    EXPECT_TRUE(walk.invisible.isEmpty()) << walk.invisible.join(QStringLiteral("\n")).toStdString();
    dialog.StopPolling();
}

TEST(AccessibleNames, AboutBoxLinksFromTheKeyboardAndAScreenReader)
{
    std::vector<QString> opened;
    CDesktopServices::SetOpener([&opened](const QUrl& url) {
        opened.push_back(url.toString());
        return true;
    });
    const std::unique_ptr<void, void (*)(void*)> restore(&opened, [](void*) { CDesktopServices::SetOpener(nullptr); });

    CAboutDlg about;
    about.show();
    QApplication::setActiveWindow(&about);
    auto* close = about.findChild<QPushButton*>(QStringLiteral("closeButton"));
    auto* home = about.findChild<CHyperLink*>(QStringLiteral("link%1").arg(CAboutDlg::IDC_HOMEPAGE));
    auto* email = about.findChild<CHyperLink*>(QStringLiteral("link%1").arg(CAboutDlg::IDC_EMAIL));
    ASSERT_TRUE(close && home && email);
    EXPECT_EQ(QApplication::focusWidget(), close);

    // Tab goes from Close to the links in their order; Enter and Space open the one in focus.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), home);
    QTest::keyClick(home, Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), email);
    QTest::keyClick(email, Qt::Key_Space);
    QTest::keyClick(email, Qt::Key_A); // any other key does nothing
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], home->text());
    EXPECT_EQ(opened[1], email->text());
    EXPECT_TRUE(about.isVisible()) << "Enter on a link must not close the box";

    // A screen reader sees a link named by its address, and pressing it opens it.
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(email);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Link);
    EXPECT_EQ(iface->text(QAccessible::Name), email->text());
    EXPECT_TRUE(iface->state().focusable);
    ASSERT_NE(iface->actionInterface(), nullptr);
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[2], email->text());
}

TEST(AccessibleNames, HidingFromATreeAlreadyBuilt)
{
    // A screen reader may have asked for the window before its hidden control is marked.
    QWidget window;
    auto* shown = new QPushButton(QStringLiteral("Shown"), &window);
    auto* hidden = new QPushButton(QStringLiteral("Hidden"), &window);
    hidden->setObjectName(QStringLiteral("hidden"));
    hidden->hide();
    QAccessibleInterface* before = QAccessible::queryAccessibleInterface(&window);
    ASSERT_EQ(before->childCount(), 2);

    CAccessibility::HideFromTree(hidden);
    QAccessibleInterface* after = QAccessible::queryAccessibleInterface(&window);
    ASSERT_EQ(after->childCount(), 1);
    EXPECT_EQ(after->child(0)->object(), shown);
    EXPECT_EQ(after->indexOfChild(QAccessible::queryAccessibleInterface(shown)), 0);
    EXPECT_EQ(after->indexOfChild(QAccessible::queryAccessibleInterface(hidden)), -1);
    EXPECT_EQ(after->role(), QAccessible::Window);
}
