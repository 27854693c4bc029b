#include "AllowanceTexts.h"

#include <QCoreApplication>

#include "TextBytes.h"
#include "TimeTexts.h"

namespace {

QString Tr(const char* text)
{
    return QCoreApplication::translate("CAllowanceTexts", text);
}

QString Duration(long long seconds)
{
    return QStringFromBytes(FormatDuration(CTimeSpan(seconds)));
}

} // namespace

QString CAllowanceTexts::Left(const SAllowanceState& state)
{
    return Tr(QT_TRANSLATE_NOOP("CAllowanceTexts", "- Left %1")).arg(Duration(state.left));
}

QString CAllowanceTexts::Pace(const SAllowanceState& state)
{
    switch (state.pace) {
    case SAllowanceState::kRunsOut:
        return Tr(QT_TRANSLATE_NOOP("CAllowanceTexts", "At this pace it runs out on %1"))
            .arg(QStringFromBytes(FormatDateTime(state.runsOut)));
    case SAllowanceState::kLasts:
        return Tr(QT_TRANSLATE_NOOP("CAllowanceTexts", "At this pace %1 % is left at the period's end"))
            .arg(state.percentLeftAtEnd);
    case SAllowanceState::kUsedUp:
        return Tr(QT_TRANSLATE_NOOP("CAllowanceTexts", "Used up, %1 over")).arg(Duration(state.over));
    case SAllowanceState::kNoRate:
        break;
    }
    return Tr(QT_TRANSLATE_NOOP("CAllowanceTexts", "Too early in the period to tell the pace"));
}

QString CAllowanceTexts::WarningSummary(const SAllowanceState& state)
{
    if (state.threshold == SAllowanceState::kFull)
        return Tr(QT_TRANSLATE_NOOP("CAllowanceTexts", "Zelmorin: the connection time allowance is used up"));
    return Tr(QT_TRANSLATE_NOOP("CAllowanceTexts", "Zelmorin: %1 % of the connection time allowance used"))
        .arg(state.percentUsed);
}

QString CAllowanceTexts::WarningBody(const SAllowanceState& state)
{
    return Tr(QT_TRANSLATE_NOOP("CAllowanceTexts", "%1 used of %2, %3 left"))
               .arg(Duration(state.used), Duration(state.allowance), Duration(state.left)) +
           QLatin1Char('\n') + Pace(state);
}
