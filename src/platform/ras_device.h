// A dial-up device of the phonebook service: dials one entry and answers for its connections.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/phonebook.h"
#include "platform/ras.h"

namespace velmor::ras {

// Sentences that say more than errorText about the latest failure with a code, such as what the
// modem answered, or why a port cannot be used and what fixes it. A device sets one (on any thread)
// before it reports the code, an empty one where its failure has nothing to add; the service's
// errorString reads it. Each dial starts without any.
class ErrorDetails {
  public:
    void set(int code, std::string text) {
        std::lock_guard<std::mutex> lock(mutex_);
        texts_[code] = std::move(text);
    }
    // Forgets every sentence: a new dial begins.
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        texts_.clear();
    }
    std::string text(int code) const {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = texts_.find(code);
        return it == texts_.end() ? std::string() : it->second;
    }

  private:
    mutable std::mutex mutex_;
    std::map<int, std::string> texts_;
};

// Handles are allocated by the service and are unique across devices. Every method answers
// kErrorInvalidHandle for a handle the device does not hold.
class RasDevice {
  public:
    virtual ~RasDevice() = default;

    // Starts dialling the entry under the given handle; a non-zero result fails the dial at once
    // and no notification follows.
    virtual int dial(Handle handle, const PhonebookEntry& entry, const DialRequest& request,
                     Notifier notifier) = 0;
    virtual int hangUp(Handle handle) = 0;
    virtual bool holds(Handle handle) const = 0;
    virtual int status(Handle handle, ConnectStatus& out) = 0;
    // Appends the connections that are dialling or connected.
    virtual void connections(std::vector<Connection>& out) const = 0;
    virtual int projection(Handle handle, Projection& out) = 0;
    virtual int statistics(Handle handle, Statistics& out) = 0;
    virtual int clearStatistics(Handle handle) = 0;
    // Lines hung up that the device still takes down.
    virtual bool settling() const { return false; }
};

}  // namespace velmor::ras
