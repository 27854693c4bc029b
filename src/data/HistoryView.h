#pragma once

class CLogDay;

// A view of the History document. hint is nullptr when everything may have changed (or a month
// was selected), or the day whose connections the list should show.
class CHistoryView
{
public:
    virtual ~CHistoryView() = default;
    virtual void OnUpdate(CHistoryView* sender, CLogDay* hint) = 0;
};
