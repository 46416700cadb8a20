// The machine's sleep as systemd-logind tells of it on the system bus: a delay inhibitor for the
// lock, the PrepareForSleep signal for the word before and after.
#pragma once

#include <QObject>
#include <memory>

#include "platform/power.h"

namespace velmor {

class LogindPower : public QObject, public PowerService {
    Q_OBJECT
  public:
    LogindPower();
    ~LogindPower() override;

    bool inhibit() override;
    void release() override;
    bool inhibited() const override { return fd_ >= 0; }

  private slots:
    void prepareForSleep(bool start);

  private:
    int fd_ = -1;
    // Whether the system bus answered and the signal is heard: without it, no lock and no word.
    bool connected_ = false;
    bool refusalTold_ = false;  // a refused lock is said once
};

// logind on the system bus.
std::unique_ptr<PowerService> makeSystemPowerService();

}  // namespace velmor
