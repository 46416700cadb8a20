#include "accounting/ras_per.h"

#include <gtest/gtest.h>

#include "dialing/ras_con.h"
#include "platform/virtual_loop.h"
#include "ras_test_support.h"

using namespace velmor;
using velmor::test::ScriptedService;
using velmor::test::TempDir;
using velmor::test::writeFile;

namespace {

// Connects the entry on the simulated line and returns its handle.
ras::Handle connect(VirtualLoop& loop, ras::RasService& service, const std::string& entry) {
    TRasCon con(loop, service);
    con.EntryName = entry;
    ras::Handle h = 0;
    EXPECT_EQ(con.Dial(h), 0);
    loop.advance(10 * 10);
    EXPECT_EQ(con.CurrentState(), 8192);
    return h;
}

}  // namespace

TEST(RasPer, CountersStartAtZeroGrowWithTheLineAndNeverFall) {
    TempDir dir;
    writeFile(dir.file("pb.ini"),
              "[Линия]\r\nPhoneNumber=1\r\nSimStepMs=10\r\nSimSpeed=28800\r\n"
              "SimRxRate=2000\r\nSimTxRate=500\r\n");
    VirtualLoop loop;
    auto service = ras::makePhonebookService(loop, dir.file("pb.ini"));
    TRasPer per(*service);

    // Nothing attached: zero totals.
    EXPECT_TRUE(per.Refresh());
    EXPECT_EQ(per.BytesReceived(), 0u);
    EXPECT_EQ(per.port(0).name, "all");

    // The counters of an earlier connection are cleared by the start.
    per.AttachConnection(1, 12345);
    per.Refresh();
    EXPECT_FALSE(per.ErrInfo().empty());
    const ras::Handle h = connect(loop, *service, "Линия");
    EXPECT_TRUE(per.Start(true, true));
    EXPECT_EQ(per.BytesReceived(), 0u);
    EXPECT_EQ(per.port(1).handle, 0u);
    per.AttachConnection(1, h);
    EXPECT_TRUE(per.Refresh());
    EXPECT_EQ(per.BytesReceived(), 0u);  // started the moment it connected
    EXPECT_EQ(per.BytesSent(), 0u);
    EXPECT_EQ(per.PortSpeed(0), 28800u);
    EXPECT_EQ(per.PortSpeed(1), 28800u);
    EXPECT_EQ(per.TotPorts(), 1);
    EXPECT_EQ(per.port(1).name, "x1");

    std::uint64_t lastReceived = 0;
    for (int second = 1; second <= 5; ++second) {
        loop.advance(1000);
        per.Refresh();
        EXPECT_EQ(per.BytesReceived(), 2000u * static_cast<std::uint64_t>(second));
        EXPECT_EQ(per.BytesSent(), 500u * static_cast<std::uint64_t>(second));
        EXPECT_GE(per.BytesReceived(), lastReceived);
        lastReceived = per.BytesReceived();
    }

    // Resetting the port clears the connection's statistics: counting starts again from zero.
    per.ResetPort(1);
    EXPECT_EQ(per.PortSpeed(1), 0u);
    loop.advance(500);
    per.Refresh();
    EXPECT_EQ(per.BytesReceived(), 1000u);

    // The line goes: the refresh fails quietly and the totals stay where they were.
    service->hangUp(h);
    EXPECT_FALSE(per.Refresh());
    EXPECT_EQ(per.BytesReceived(), 1000u);
    EXPECT_EQ(per.PortSpeed(0), 28800u);
    EXPECT_FALSE(per.ErrInfo().empty());

    // The next start clears the table.
    EXPECT_TRUE(per.Start(true, true));
    EXPECT_EQ(per.BytesReceived(), 0u);
    EXPECT_EQ(per.PortSpeed(0), 0u);
    EXPECT_EQ(per.port(1).handle, 0u);
}

TEST(RasPer, ByteCountsPassFourGibibytesAndSmallerReportsAreIgnored) {
    TempDir dir;
    writeFile(dir.file("pb.ini"),
              "[Быстрая]\r\nPhoneNumber=1\r\nSimStepMs=10\r\nSimRxRate=1000000000\r\n");
    VirtualLoop loop;
    auto service = ras::makePhonebookService(loop, dir.file("pb.ini"));
    TRasPer per(*service);
    const ras::Handle h = connect(loop, *service, "Быстрая");
    per.Start(true, true);
    per.AttachConnection(1, h);
    loop.advance(5000);
    per.Refresh();
    EXPECT_EQ(per.BytesReceived(), 5000000000u);  // above 2^32

    ScriptedService scripted;
    TRasPer fake(scripted);
    fake.Start(true, true);
    fake.AttachConnection(1, 9);
    fake.AttachConnection(2, 10);
    scripted.stats = {100, 5000, 33600, 0};
    fake.Refresh();
    EXPECT_EQ(fake.BytesReceived(), 10000u);  // both ports add up
    EXPECT_EQ(fake.PortSpeed(0), 67200u);
    EXPECT_EQ(fake.TotPorts(), 2);
    scripted.stats = {50, 4000, 33600, 0};
    fake.Refresh();
    EXPECT_EQ(fake.BytesReceived(), 10000u);
    EXPECT_EQ(fake.BytesSent(), 200u);

    auto none = ras::makeUnavailableService();
    TRasPer missing(*none);
    EXPECT_FALSE(missing.Start(true, true));
    EXPECT_FALSE(missing.Refresh());
    EXPECT_EQ(missing.BytesReceived(), 0u);
    EXPECT_EQ(missing.PortSpeed(0), 0u);
    EXPECT_EQ(missing.PortSpeed(99), 0u);  // out of range reads as zero
}
