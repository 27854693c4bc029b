#pragma once

#include <QString>
#include <QTextDocument>

// The text a tip shows, decided as Qt's tip decides: markup when it looks like markup.
inline QString ShownTipText(const QString& tip)
{
    if (!Qt::mightBeRichText(tip))
        return tip;
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}
