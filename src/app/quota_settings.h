// The monthly quota's keys in the entry's section of the settings file. Older versions of the
// program read past them and keep them.
#pragma once

#include <string>

#include "form/form_model.h"
#include "platform/profile.h"

namespace velmor {

// A missing or wrong value gives the default: no limit, 100 hours, 1000 megabytes, a warning at
// 80 %, no hang-up, nothing warned of.
void loadQuota(const Profile& profile, const std::string& section, QuotaGroup& q);
void saveQuota(Profile& profile, const std::string& section, const QuotaGroup& q);

}  // namespace velmor
