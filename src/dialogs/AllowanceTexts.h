#pragma once

#include <QString>

#include "Allowance.h"

// The allowance's texts on screen, translated: the time left, the pace, and the warnings.
class CAllowanceTexts
{
public:
    // "- Left 12:34:56", whole hours as the totals show them; use beyond the allowance shows as
    // nothing left (the pace says by how much).
    static QString Left(const SAllowanceState& state);
    // One line on the pace: "At this pace it runs out on ...", "... left at the period's end",
    // "Used up, ... over", or that it is too early to tell.
    static QString Pace(const SAllowanceState& state);
    // A warning's title and text, for the level reached.
    static QString WarningSummary(const SAllowanceState& state);
    static QString WarningBody(const SAllowanceState& state);
};
