#include "app/quota_settings.h"

#include "form/number_text.h"

namespace velmor {

void loadQuota(const Profile& profile, const std::string& section, QuotaGroup& q) {
    const QuotaGroup defaults;
    auto flag = [&](const char* key) { return profile.readString(section, key, "N") == "Y"; };
    auto number = [&](const char* key, SpinEdit& edit, const SpinEdit& def) {
        edit.setValue(parseIntOr(profile.readString(section, key, ""), def.value));
    };
    q.QuotaTimeCheck.checked = flag("QuotaTime");
    number("QuotaHours", q.QuotaHours, defaults.QuotaHours);
    q.QuotaTrafficCheck.checked = flag("QuotaTraffic");
    number("QuotaMegabytes", q.QuotaMegabytes, defaults.QuotaMegabytes);
    number("QuotaShare", q.QuotaShare, defaults.QuotaShare);
    q.QuotaHangUpCheck.checked = flag("QuotaHangUp");
    q.warned = profile.readString(section, "QuotaWarned", "");
}

void saveQuota(Profile& profile, const std::string& section, const QuotaGroup& q) {
    auto flag = [&](const char* key, bool on) {
        profile.writeString(section, key, on ? "Y" : "N");
    };
    auto number = [&](const char* key, const SpinEdit& edit) {
        profile.writeString(section, key, std::to_string(edit.value));
    };
    flag("QuotaTime", q.QuotaTimeCheck.checked);
    number("QuotaHours", q.QuotaHours);
    flag("QuotaTraffic", q.QuotaTrafficCheck.checked);
    number("QuotaMegabytes", q.QuotaMegabytes);
    number("QuotaShare", q.QuotaShare);
    flag("QuotaHangUp", q.QuotaHangUpCheck.checked);
    profile.writeString(section, "QuotaWarned", q.warned);
}

}  // namespace velmor
