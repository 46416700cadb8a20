#include "platform/power.h"

namespace velmor {
namespace {

class NoPower : public PowerService {
  public:
    bool inhibit() override { return false; }
    void release() override {}
    bool inhibited() const override { return false; }
};

}  // namespace

std::unique_ptr<PowerService> makeNoPowerService() {
    return std::make_unique<NoPower>();
}

}  // namespace velmor
