// The notification-area icons of launched programs, made of tray icon components.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "automation/program_tray_icons.h"
#include "desktop/tray_icon.h"

namespace velmor {

class TrayProgramIcons : public ProgramTrayIcons {
  public:
    // Without a service no icon can be added.
    TrayProgramIcons(EventLoop& loop, TrayService* tray);
    ~TrayProgramIcons() override;

    bool available() const override { return tray_ && tray_->available(); }
    int add(const std::string& programFile, const std::string& tip, Handlers handlers) override;
    void remove(int id) override;
    bool visible(int id) const override;

  private:
    EventLoop& loop_;
    TrayService* tray_;
    std::map<int, std::unique_ptr<TTrayIcon>> icons_;
    std::vector<std::unique_ptr<TTrayIcon>> removed_;  // destroyed by the next posted work
    int nextId_ = 1;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace velmor
