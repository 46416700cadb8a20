// The controls of the monthly quota (on the tariff page) and the page "График": the live traffic
// graph and the bars of the last days.
#pragma once

#include <string>
#include <vector>

#include "form/controls.h"
#include "form/traffic_graph.h"
#include "platform/history_db.h"

namespace velmor {

struct Statistics;

// " Месячный лимит ", kept for each entry.
struct QuotaGroup {
    QuotaGroup();

    GroupBox QuotaBox;
    CheckBox QuotaTimeCheck;  // "Время"
    SpinEdit QuotaHours;
    Label QuotaHoursUnit;        // "ч"
    CheckBox QuotaTrafficCheck;  // "Траффик"
    SpinEdit QuotaMegabytes;
    Label QuotaMegabytesUnit;   // "Мб"
    Label QuotaShareLabel;      // "Предупредить при"
    SpinEdit QuotaShare;        // percent
    Label QuotaShareUnit;       // "%"
    CheckBox QuotaHangUpCheck;  // "Разорвать при 100 %"
    Label QuotaUsedLabel;       // what this month has used (shown on the page "График")
    // The month and the highest share warned of in it ("2026-12,80"; "…,100" once used up).
    std::string warned;
};

// "График".
struct GraphPage {
    TrafficGraph live;
    // The shown entry's last days, oldest first (today last), and a number that changes with them.
    std::vector<HistoryRecord> days;
    int daysGeneration = 0;
};

// The share of a month's limit used, in percent rounded down; -1 where no limit is set.
struct QuotaUse {
    int time = -1;
    int traffic = -1;
    // The larger of the two; -1 without a limit.
    int percent() const { return time > traffic ? time : traffic; }
};
QuotaUse quotaUse(const QuotaGroup& q, const Statistics& s);
// The limits' fields follow their check boxes; the use label shows this month's use (hidden
// without a limit).
void showQuota(QuotaGroup& q, const Statistics& s);

}  // namespace velmor
