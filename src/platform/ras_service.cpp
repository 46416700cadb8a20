// The Linux remote access service: the phonebook file and the devices its entries name.
#include <algorithm>
#include <map>

#include "platform/collate.h"
#include "platform/event_loop.h"
#include "platform/linux/modem_checks.h"
#include "platform/linux/serial_modem.h"
#include "platform/ras.h"
#include "platform/ras_device.h"
#include "platform/sim/sim_modem.h"

namespace velmor::ras {
namespace {

int codeOf(Phonebook::Result r) {
    switch (r) {
        case Phonebook::Result::Ok:
            return 0;
        case Phonebook::Result::NotFound:
            return kErrorCannotFindPhonebookEntry;
        case Phonebook::Result::Exists:
            return kErrorAlreadyExists;
        case Phonebook::Result::InvalidName:
            return kErrorInvalidName;
        case Phonebook::Result::Unreadable:
            return kErrorCannotOpenPhonebook;
        case Phonebook::Result::WriteFailed:
            return kErrorCannotWritePhonebook;
    }
    return kErrorCannotOpenPhonebook;
}

class PhonebookService : public RasService {
  public:
    PhonebookService(EventLoop& loop, std::string path)
        : book_(std::move(path)), modemEnvironment_(modem::PppEnvironment::fromEnvironment()) {
        devices_.emplace(kSimKey, std::make_unique<sim::SimModem>(loop));
        book_.createIfMissing();
    }

    bool available() const override { return true; }

    int enumEntries(std::vector<std::string>& names) override {
        const int r = codeOf(book_.names(names));
        std::stable_sort(names.begin(), names.end(), nameLess);
        return r;
    }

    int getEntryProperties(std::string_view entry, EntryProperties& out) override {
        out = {};
        PhonebookEntry e;
        const int r = codeOf(book_.find(entry, e));
        if (r != 0) return r;
        out.device = e.device;
        out.phoneNumber = e.phoneNumber;
        out.alternates = e.alternates;
        return 0;
    }

    int getEntryDialParams(std::string_view entry, DialParams& out) override {
        out = {};
        PhonebookEntry e;
        const int r = codeOf(book_.find(entry, e));
        if (r != 0) return r;
        out.userName = e.userName;
        out.passwordSaved = !e.password.empty();
        out.password = e.password;
        return 0;
    }

    int deleteEntry(std::string_view entry) override { return codeOf(book_.erase(entry)); }

    int readEntry(std::string_view entry, PhonebookEntry& out) override {
        return codeOf(book_.find(entry, out));
    }

    int writeEntry(const PhonebookEntry& entry, std::string_view oldName) override {
        return codeOf(book_.write(entry, oldName));
    }

    std::vector<std::string> takeProblems() override { return book_.takeProblems(); }

    int dial(const DialRequest& request, Notifier notifier, Handle& handle) override {
        handle = 0;
        if (request.entryName.empty()) return kErrorCannotFindPhonebookEntry;
        PhonebookEntry entry;
        const int r = codeOf(book_.find(request.entryName, entry));
        if (r != 0) return r;
        RasDevice* device = deviceFor(entry);
        if (!device) return kErrorDeviceDoesNotExist;
        details_.clear();
        const Handle h = allocateHandle();
        const int d = device->dial(h, entry, request, std::move(notifier));
        if (d == 0) handle = h;
        return d;
    }

    int hangUp(Handle handle) override {
        RasDevice* d = deviceOf(handle);
        return d ? d->hangUp(handle) : kErrorInvalidHandle;
    }

    int getConnectStatus(Handle handle, ConnectStatus& out) override {
        out = {};
        RasDevice* d = deviceOf(handle);
        return d ? d->status(handle, out) : kErrorInvalidHandle;
    }

    int enumConnections(std::vector<Connection>& out) override {
        out.clear();
        for (const auto& [key, device] : devices_)
            device->connections(out);
        std::stable_sort(out.begin(), out.end(), [](const Connection& a, const Connection& b) {
            return a.handle < b.handle;
        });
        for (auto& c : out)
            c.phonebook = book_.path();
        return 0;
    }

    int getProjection(Handle handle, Projection& out) override {
        out = {};
        RasDevice* d = deviceOf(handle);
        return d ? d->projection(handle, out) : kErrorInvalidHandle;
    }

    int getConnectionStatistics(Handle handle, Statistics& out) override {
        out = {};
        RasDevice* d = deviceOf(handle);
        return d ? d->statistics(handle, out) : kErrorInvalidHandle;
    }

    int clearConnectionStatistics(Handle handle) override {
        RasDevice* d = deviceOf(handle);
        return d ? d->clearStatistics(handle) : kErrorInvalidHandle;
    }

    std::string errorString(int code) const override {
        const std::string detail = details_.text(code);
        return detail.empty() ? errorText(code) : detail;
    }

    bool settling() const override {
        for (const auto& [key, device] : devices_) {
            if (device->settling()) return true;
        }
        return false;
    }

  private:
    static constexpr const char* kSimKey = "sim";

    // The device an entry names: the simulated modem, or the serial modem of its port (made when
    // the port is first dialled); none for a device the phonebook does not know.
    RasDevice* deviceFor(const PhonebookEntry& entry) {
        switch (entry.deviceKind) {
            case DeviceKind::Sim:
                return devices_.at(kSimKey).get();
            case DeviceKind::Serial: {
                auto& device = devices_[entry.device];
                if (!device) {
                    device = std::make_unique<modem::SerialModem>(entry.device, modemEnvironment_,
                                                                  details_);
                }
                return device.get();
            }
            case DeviceKind::Unknown:
                break;
        }
        return nullptr;
    }

    RasDevice* deviceOf(Handle handle) {
        if (handle == 0) return nullptr;
        for (const auto& [key, device] : devices_) {
            if (device->holds(handle)) return device.get();
        }
        return nullptr;
    }

    Handle allocateHandle() {
        do {
            ++nextHandle_;
        } while (nextHandle_ == 0 || deviceOf(nextHandle_));
        return nextHandle_;
    }

    Phonebook book_;
    modem::PppEnvironment modemEnvironment_;
    ErrorDetails details_;  // before the devices, which use it until they are gone
    // By the entry's Device: "sim" and the serial ports dialled so far.
    std::map<std::string, std::unique_ptr<RasDevice>> devices_;
    Handle nextHandle_ = 0x1000;
};

}  // namespace

std::unique_ptr<RasService> makePhonebookService(EventLoop& loop, std::string phonebookPath) {
    return std::make_unique<PhonebookService>(loop, std::move(phonebookPath));
}

std::unique_ptr<RasService> makeDefaultService(EventLoop& loop) {
    return makePhonebookService(loop, Phonebook::defaultPath());
}

}  // namespace velmor::ras
