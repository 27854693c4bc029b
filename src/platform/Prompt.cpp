#include "Prompt.h"

#include <QMessageBox>
#include <QString>

namespace {
CPrompt::Script& ActiveScript()
{
    static CPrompt::Script script;
    return script;
}
} // namespace

void CPrompt::SetScript(Script script)
{
    ActiveScript() = std::move(script);
}

bool CPrompt::Show(QWidget* parent, Kind kind, const std::string& text, const std::string& title)
{
    if (ActiveScript())
        return ActiveScript()(kind, text);
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromStdString(title));
    box.setTextFormat(Qt::PlainText); // messages hold entry names and paths: text, never markup
    box.setText(QString::fromStdString(text));
    switch (kind) {
    case Kind::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Kind::Stop:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Kind::Question:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        break;
    }
    return box.exec() == QMessageBox::Yes;
}
