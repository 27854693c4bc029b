#include "Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QDialog>
#include <QToolButton>

namespace {

// Set on a widget left out of the tree, and on its parent, whose interface then skips it.
const char* const kHidden = "zelmorinAccessibleHidden";
const char* const kPrunes = "zelmorinAccessiblePrunes";

bool IsHidden(const QAccessibleInterface* iface)
{
    return iface && iface->object() && iface->object()->property(kHidden).toBool();
}

// The parent's usual interface, its hidden children left out.
class CPrunedWidget : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    int childCount() const override { return static_cast<int>(Children().size()); }

    QAccessibleInterface* child(int index) const override
    {
        const QList<QAccessibleInterface*> children = Children();
        return index >= 0 && index < children.size() ? children.at(index) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return static_cast<int>(Children().indexOf(const_cast<QAccessibleInterface*>(child)));
    }

private:
    QList<QAccessibleInterface*> Children() const
    {
        QList<QAccessibleInterface*> children;
        for (int i = 0, count = QAccessibleWidget::childCount(); i < count; ++i) {
            QAccessibleInterface* child = QAccessibleWidget::child(i);
            if (child && !IsHidden(child))
                children << child;
        }
        return children;
    }
};

QAccessibleInterface* PrunedFactory(const QString& /*className*/, QObject* object)
{
    if (!object || !object->isWidgetType() || !object->property(kPrunes).toBool())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    const QAccessible::Role role = qobject_cast<QDialog*>(widget) ? QAccessible::Dialog
                                   : widget->isWindow()           ? QAccessible::Window
                                                                  : QAccessible::Client;
    return new CPrunedWidget(widget, role);
}

} // namespace

void CAccessibility::HideFromTree(QWidget* widget)
{
    widget->setProperty(kHidden, true);
    QWidget* parent = widget->parentWidget();
    if (!parent || parent->property(kPrunes).toBool())
        return;
    static const bool installed = [] {
        QAccessible::installFactory(PrunedFactory);
        return true;
    }();
    (void)installed;
    parent->setProperty(kPrunes, true);
    // An interface made for the parent before now would still list every child: the next one
    // asked for comes from the factory above.
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(parent);
    if (iface && !dynamic_cast<CPrunedWidget*>(iface))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

void CAccessibility::NameSpinButton(QToolButton* up, QToolButton* down, const QString& field)
{
    up->setAccessibleName(QCoreApplication::translate("CAccessibility", "%1 up").arg(field));
    down->setAccessibleName(QCoreApplication::translate("CAccessibility", "%1 down").arg(field));
}
