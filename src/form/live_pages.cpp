#include "form/live_pages.h"

#include <algorithm>

#include "form/statistics.h"

namespace velmor {
namespace {

// used of limit in percent, rounded down.
int percentOf(std::int64_t used, std::int64_t limit) {
    if (limit <= 0) return -1;
    return static_cast<int>(std::max<std::int64_t>(used, 0) * 100 / limit);
}

}  // namespace

QuotaGroup::QuotaGroup() {
    QuotaBox.caption = " Месячный лимит ";
    QuotaBox.hint =
        "Лимит свой для каждого соединения: время на линии и траффик (получено и "
        "отправлено) за календарный месяц";
    QuotaTimeCheck.caption = "Время";
    QuotaHours = spinEdit(1, 744, 100);
    QuotaHoursUnit.caption = "ч";
    QuotaTrafficCheck.caption = "Траффик";
    QuotaMegabytes = spinEdit(1, 99999999, 1000);
    QuotaMegabytesUnit.caption = "Мб";
    QuotaShareLabel.caption = "Предупредить при";
    QuotaShare = spinEdit(1, 99, 80);
    QuotaShareUnit.caption = "%";
    QuotaHangUpCheck.caption = "Разорвать при 100 %";
    QuotaHangUpCheck.hint = "Разорвать соединение, когда лимит месяца израсходован";
}

QuotaUse quotaUse(const QuotaGroup& q, const Statistics& s) {
    QuotaUse u;
    if (q.QuotaTimeCheck.checked)
        u.time = percentOf(s.inInternetCurrentMonth, q.QuotaHours.value * 3600);
    if (q.QuotaTrafficCheck.checked) {
        const TrafficPair& t = s.trafficCurrentMonth.current;
        u.traffic = percentOf(t.in + t.out, q.QuotaMegabytes.value * 1024);
    }
    return u;
}

void showQuota(QuotaGroup& q, const Statistics& s) {
    q.QuotaHours.enabled = q.QuotaHoursUnit.enabled = q.QuotaTimeCheck.checked;
    q.QuotaMegabytes.enabled = q.QuotaMegabytesUnit.enabled = q.QuotaTrafficCheck.checked;
    const bool any = q.QuotaTimeCheck.checked || q.QuotaTrafficCheck.checked;
    for (Control* c :
         {static_cast<Control*>(&q.QuotaShareLabel), static_cast<Control*>(&q.QuotaShare),
          static_cast<Control*>(&q.QuotaShareUnit), static_cast<Control*>(&q.QuotaHangUpCheck)}) {
        c->enabled = any;
    }
    const QuotaUse u = quotaUse(q, s);
    std::string text;
    auto add = [&](int percent, const char* what) {
        if (percent < 0) return;
        text += (text.empty() ? "В этом месяце израсходовано: " : ", ") + std::to_string(percent) +
                " % " + what;
    };
    add(u.time, "времени");
    add(u.traffic, "траффика");
    q.QuotaUsedLabel.caption = text;
    q.QuotaUsedLabel.visible = !text.empty();
}

}  // namespace velmor
