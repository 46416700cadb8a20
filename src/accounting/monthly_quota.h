// The monthly quota of an entry: a warning when the month has used the chosen share of its time
// or traffic limit and another when it has used all of it, each once a month (the month and the
// share warned of are kept with the entry's settings), and the hang-up when the limit is used up,
// if chosen.
#pragma once

#include <functional>
#include <string>

#include "desktop/log_file.h"
#include "form/form_model.h"
#include "platform/event_loop.h"

namespace velmor {

class MonthlyQuota {
  public:
    struct Hooks {
        std::function<void(const std::string& title, const std::string& text)> balloon;
        // The limit is used up and the connection is to be ended.
        std::function<void()> hangUp;
    };

    MonthlyQuota(MainForm& model, TLogFile& log, Hooks hooks)
        : m_(model), log_(log), hooks_(std::move(hooks)) {}

    // After every counted tick of a session of entry.
    void check(const LocalDateTime& now, const std::string& entry);

  private:
    MainForm& m_;
    TLogFile& log_;
    Hooks hooks_;
};

}  // namespace velmor
