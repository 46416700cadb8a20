// A dial-up device of the phonebook service: dials one entry and answers for its connections.
#pragma once

#include <vector>

#include "platform/phonebook.h"
#include "platform/ras.h"

namespace velmor::ras {

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
};

}  // namespace velmor::ras
