#include "accounting/monthly_quota.h"

#include <algorithm>
#include <cstdio>

#include "form/number_text.h"

namespace velmor {
namespace {

// The share warned of in the month of warned ("2026-12,80"); 0 for another month.
int warnedIn(const std::string& warned, const std::string& month) {
    if (!warned.starts_with(month + ",")) return 0;
    return static_cast<int>(parseIntOr(std::string_view(warned).substr(month.size() + 1), 0));
}

}  // namespace

void MonthlyQuota::check(const LocalDateTime& now, const std::string& entry) {
    QuotaGroup& q = m_.quota;
    const QuotaUse use = quotaUse(q, m_.stats);
    const int percent = use.percent();
    const int share = static_cast<int>(q.QuotaShare.value);
    // Below the share (and the whole) there is nothing to warn of or hang up for: most ticks.
    if (percent < 0 || percent < std::min(share, 100)) return;
    char month[16];
    std::snprintf(month, sizeof month, "%04d-%02d", now.year % 10000, now.month % 100);
    const int before = warnedIn(q.warned, month);
    const bool warnShare = percent >= share && before < share;
    const bool warnWhole = percent >= 100 && before < 100;
    if (warnShare || warnWhole) {
        // The limit that has gone furthest, with what it used ("3.08:00:00 из 100 ч").
        const bool time = use.time >= use.traffic;
        const char* what = time ? "времени" : "траффика";
        std::string figures;
        if (time) {
            figures = durationText(m_.stats.inInternetCurrentMonth) + " из " +
                      std::to_string(q.QuotaHours.value) + " ч";
        } else {
            const TrafficPair& t = m_.stats.trafficCurrentMonth.current;
            figures = formatFixed(static_cast<double>(t.in + t.out) / 1024.0, 2,
                                  m_.locale.decimalSeparator) +
                      " из " + std::to_string(q.QuotaMegabytes.value) + " Мб";
        }
        const std::string title = "Месячный лимит соединения " + entry;
        int after = before;
        if (warnShare) {
            const std::string used =
                "Израсходовано " + std::to_string(percent) + " % месячного лимита " + what;
            log_.AddLine(used + " соединения " + entry + ": " + figures);
            if (hooks_.balloon) hooks_.balloon(title, used + ": " + figures);
            after = share;
        }
        if (warnWhole) {
            const std::string used = std::string("Исчерпан месячный лимит ") + what;
            log_.AddLine(used + " соединения " + entry + ": " + figures);
            if (hooks_.balloon) {
                hooks_.balloon(title,
                               used + ": " + figures +
                                   (q.QuotaHangUpCheck.checked ? ". Соединение разорвано." : "."));
            }
            after = 100;
        }
        q.warned = std::string(month) + "," + std::to_string(after);
    }
    if (percent >= 100 && q.QuotaHangUpCheck.checked && hooks_.hangUp) hooks_.hangUp();
}

}  // namespace velmor
