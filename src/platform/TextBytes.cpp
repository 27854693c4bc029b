#include "TextBytes.h"

#include <QStringDecoder>

QString QStringFromBytes(const std::string& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!decoder.hasError())
        return text;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string BytesFromQString(const QString& text)
{
    return text.toStdString();
}

std::string CutUtf8(const std::string& text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t cut = maxBytes;
    // Step back over continuation bytes to the start of the character that would be split.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

QString PlainTip(const QString& text)
{
    if (text.isEmpty())
        return text; // no tip at all
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}
