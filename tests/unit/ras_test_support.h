// Helpers of the remote access tests: a temporary phonebook and a scripted service.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/ras.h"
#include "support/files.h"
#include "temp_dir.h"

namespace velmor::test {

// A service whose dial only hands out a handle and keeps the notifier, so that a test can report
// progress when it likes (as a device thread would), and whose status answers follow a script.
class ScriptedService : public ras::RasService {
  public:
    bool available() const override { return true; }
    int enumEntries(std::vector<std::string>& names) override {
        names = entries;
        return 0;
    }
    int getEntryProperties(std::string_view, ras::EntryProperties&) override { return 0; }
    int getEntryDialParams(std::string_view, ras::DialParams&) override { return 0; }
    int deleteEntry(std::string_view) override { return 0; }
    int readEntry(std::string_view, PhonebookEntry&) override { return 0; }
    int writeEntry(const PhonebookEntry&, std::string_view) override { return 0; }
    std::vector<std::string> takeProblems() override { return {}; }
    int dial(const ras::DialRequest& request, ras::Notifier n, ras::Handle& handle) override {
        lastRequest = request;
        notifier = std::move(n);
        handle = 77;
        return 0;
    }
    int hangUp(ras::Handle) override {
        ++hangUps;
        return 0;
    }
    // Answers statuses[i] for the i-th query (the last one repeats); -1 means the connection is
    // gone.
    int getConnectStatus(ras::Handle, ras::ConnectStatus& out) override {
        const int s =
            statuses.empty() ? -1 : statuses[std::min(statusQueries, statuses.size() - 1)];
        ++statusQueries;
        if (s < 0) return ras::kErrorInvalidHandle;
        out.state = s;
        out.deviceType = "MODEM";
        out.deviceName = "scripted";
        return 0;
    }
    int enumConnections(std::vector<ras::Connection>& out) override {
        out = connections;
        return 0;
    }
    int getProjection(ras::Handle, ras::Projection&) override { return 0; }
    int getConnectionStatistics(ras::Handle, ras::Statistics& out) override {
        out = stats;
        return statsResult;
    }
    int clearConnectionStatistics(ras::Handle) override { return 0; }

    std::vector<std::string> entries;
    ras::DialRequest lastRequest;
    ras::Notifier notifier;
    int hangUps = 0;
    std::vector<int> statuses;
    std::size_t statusQueries = 0;
    std::vector<ras::Connection> connections;
    ras::Statistics stats;
    int statsResult = 0;
};

}  // namespace velmor::test
