#pragma once

class QString;
class QToolButton;
class QWidget;

// What screen readers are told about controls the layout alone does not explain.
class CAccessibility
{
public:
    // Leaves widget out of its parent's accessibility tree, for a control that exists but is
    // never shown. Call before the parent is shown.
    static void HideFromTree(QWidget* widget);

    // Names the two halves of the spin button that belongs to the field called field.
    static void NameSpinButton(QToolButton* up, QToolButton* down, const QString& field);
};
