#include "dialing/ras_con.h"

#include <gtest/gtest.h>

#include <thread>

#include "dialing/ras_edt.h"
#include "platform/virtual_loop.h"
#include "ras_test_support.h"

using namespace velmor;
using velmor::test::ScriptedService;
using velmor::test::TempDir;
using velmor::test::writeFile;

namespace {

const char* kPhonebook =
    "[Провайдер]\r\n"
    "Device=sim\r\nPhoneNumber=111\r\nAlternatePhoneNumbers=222; 333 ;;444\r\n"
    "UserName=user\r\nPassword=secret\r\n"
    "SimBusy=222\r\nSimNoAnswer=333\r\nSimNoCarrier=444\r\nSimNoDialtone=555\r\n"
    "SimLogins=user:secret;other:pw\r\nSimStepMs=100\r\nSimSpeed=28800\r\n"
    "SimLocalIP=192.0.2.10\r\nSimServerIP=192.0.2.1\r\n"
    "[Обрыв]\r\nDevice=sim\r\nPhoneNumber=777\r\nSimStepMs=100\r\nSimDropAfter=5\r\n"
    "[Без пароля]\r\nPhoneNumber=999\r\nUserName=guest\r\n"
    "[Порт]\r\nDevice=/dev/ttyS0\r\nPhoneNumber=123\r\n";

struct Event {
    std::uint32_t state;
    std::uint32_t error;
    std::uint8_t origin;
    std::string text;
    std::uint16_t currentAtDelivery;
};

class RasConTest : public ::testing::Test {
  protected:
    RasConTest() {
        writeFile(dir.file("pb.ini"), kPhonebook);
        service = ras::makePhonebookService(loop, dir.file("pb.ini"));
        con = std::make_unique<TRasCon>(loop, *service);
        con->OnStateEvent = [this](TRasCon& sender, const TRasStateRec& r) {
            EXPECT_EQ(&sender, con.get());
            events.push_back({r.State, r.ErrorCode, r.Origin, r.StatusText, sender.CurrentState()});
        };
    }

    ras::Handle dial(const std::string& entry, const std::string& number,
                     const std::string& user = "user", const std::string& password = "secret") {
        con->EntryName = entry;
        con->PhoneNumber = number;
        con->UserName = user;
        con->Password = password;
        con->SubEntry = 0;
        ras::Handle h = 0;
        EXPECT_EQ(con->Dial(h), 0) << con->StatusText();
        EXPECT_NE(h, 0u);
        return h;
    }

    std::vector<std::uint32_t> states() const {
        std::vector<std::uint32_t> out;
        for (const auto& e : events)
            out.push_back(e.state);
        return out;
    }

    TempDir dir;
    VirtualLoop loop;
    std::unique_ptr<ras::RasService> service;
    std::unique_ptr<TRasCon> con;
    std::vector<Event> events;
};

using States = std::vector<std::uint32_t>;

}  // namespace

TEST_F(RasConTest, SuccessfulDialReportsEveryStateAndTheConnectionAnswers) {
    const ras::Handle h = dial("Провайдер", "t111");
    EXPECT_EQ(con->CurrentState(), 0);
    loop.advance(99);
    EXPECT_TRUE(events.empty());  // the first state comes one step after the dial
    loop.advance(1);
    EXPECT_EQ(states(), States{0});
    loop.advance(800);
    EXPECT_EQ(states(), (States{0, 1, 2, 3, 4, 5, 6, 12, 14}));
    loop.advance(100);
    EXPECT_EQ(states(), (States{0, 1, 2, 3, 4, 5, 6, 12, 14, 8192}));
    EXPECT_EQ(events[2].text, "Connecting/Dialling");
    EXPECT_EQ(events.back().text, "Connected/Online");
    EXPECT_EQ(events.back().error, 0u);
    EXPECT_EQ(con->CurrentState(), 8192);
    loop.advance(60000);
    EXPECT_EQ(events.size(), 10u);  // nothing after the connection

    EXPECT_EQ(con->ReadConnectStatus(h, 0), 0);
    EXPECT_EQ(con->CurrentState(), 8192);
    EXPECT_EQ(con->StatusText(), "Connected/Online");
    EXPECT_EQ(con->FirstConnection(), "Провайдер");
    EXPECT_EQ(con->ActiveHandle(), h);
    EXPECT_EQ(con->ActiveDeviceType(), "modem");
    EXPECT_EQ(con->ReadProjection(h), 0);
    EXPECT_EQ(con->LocalIP(), "192.0.2.10");
    EXPECT_EQ(con->ServerIP(), "192.0.2.1");
    EXPECT_EQ(con->AuthProtocol(), "PPP CHAP ");

    // Hang-up: gone at once, no notification, the wait sees 601 on its first poll.
    const auto before = loop.tickCount();
    EXPECT_EQ(con->HangUpAndWait(h, 0, 3000, false), 0);
    EXPECT_EQ(loop.tickCount(), before);
    EXPECT_EQ(con->CurrentState(), 601);
    EXPECT_EQ(con->FirstConnection(), "");
    EXPECT_EQ(con->ActiveHandle(), 0u);
    loop.advance(1000);
    EXPECT_EQ(events.size(), 10u);
    EXPECT_EQ(con->ReadProjection(h), ras::kErrorInvalidHandle);
    EXPECT_EQ(con->LocalIP(), "");
}

TEST_F(RasConTest, LineFaultsAndRefusedLoginsStopWithTheirErrors) {
    struct Case {
        const char* number;
        const char* user;
        States expected;
        const char* text;
    };
    const Case cases[] = {
        {"t222", "user", {0, 1, 2, 676}, "Линия занята."},
        {"p9W333", "user", {0, 1, 2, 678}, nullptr},
        {"t444", "user", {0, 1, 2, 679}, nullptr},
        {"t555#", "user", {0, 1, 2, 680}, nullptr},
        {"t111", "other", {0, 1, 2, 3, 4, 5, 6, 691}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        events.clear();
        const ras::Handle h = dial("Провайдер", c.number, c.user, "secret");
        loop.advance(5000);
        ASSERT_EQ(states(), c.expected);
        const Event& last = events.back();
        EXPECT_EQ(last.error, c.expected.back());
        EXPECT_EQ(con->CurrentState(), c.expected.back());
        EXPECT_EQ(last.text, c.text ? c.text : ras::errorText(static_cast<int>(last.error)));
        // A failed line is not an active connection, but its status still tells the error.
        EXPECT_EQ(con->FirstConnection(), "");
        EXPECT_EQ(con->ReadConnectStatus(h, 0), static_cast<int>(c.expected.back()));
        EXPECT_EQ(con->HangUpAndWait(h, 0, 3000, false), 0);
        EXPECT_EQ(con->CurrentState(), 601);
    }
    // The serial modem and a missing entry fail at once, with no notification.
    events.clear();
    con->EntryName = "Порт";
    ras::Handle h = 5;
    EXPECT_EQ(con->Dial(h), ras::kErrorPortNotAvailable);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(con->LastResult(), ras::kErrorPortNotAvailable);
    EXPECT_EQ(con->StatusText(), con->ErrorText(ras::kErrorPortNotAvailable));
    con->EntryName = "Нет такой";
    EXPECT_EQ(con->Dial(h), ras::kErrorCannotFindPhonebookEntry);
    loop.advance(5000);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(con->PendingNotifications(), 0u);
}

TEST_F(RasConTest, HangUpOfADialInProgressStopsItSilently) {
    const ras::Handle h = dial("Провайдер", "t111");
    loop.advance(350);
    EXPECT_EQ(states(), (States{0, 1, 2}));
    EXPECT_EQ(con->FirstConnection(), "Провайдер");  // dialling counts as active
    EXPECT_EQ(con->HangUpAndWait(h, 0, 3000, false), 0);
    loop.advance(10000);
    EXPECT_EQ(states(), (States{0, 1, 2}));
    EXPECT_EQ(con->FirstConnection(), "");
    EXPECT_EQ(con->HangUpAndWait(h, 0, 0, false), ras::kErrorInvalidHandle);  // already gone
}

TEST_F(RasConTest, SeveralEntriesConnectAtOnceAndTheLineDropsAfterSimDropAfter) {
    const ras::Handle a = dial("Провайдер", "111");
    ras::Handle again = 0;
    EXPECT_EQ(con->Dial(again), ras::kErrorPortAlreadyOpen);  // one modem per entry
    const ras::Handle b = dial("Обрыв", "777");
    loop.advance(1000);
    EXPECT_EQ(con->ListConnections(), 0);
    EXPECT_TRUE(con->ConnectionsChanged());
    ASSERT_EQ(con->Connections().size(), 2u);
    EXPECT_EQ(con->Connections()[0].handle, a);
    EXPECT_EQ(con->Connections()[1].handle, b);
    EXPECT_EQ(con->Connections()[1].entryName, "Обрыв");
    con->ListConnections();
    EXPECT_FALSE(con->ConnectionsChanged());

    events.clear();
    loop.advance(4999);
    EXPECT_EQ(con->ReadConnectStatus(b, 0), 0);
    loop.advance(1);
    // Dropped: no notification, not listed, its status fails with the 601 preset.
    EXPECT_TRUE(events.empty());
    con->ListConnections();
    ASSERT_EQ(con->Connections().size(), 1u);
    EXPECT_EQ(con->Connections()[0].handle, a);
    EXPECT_EQ(con->ReadConnectStatus(b, 0), ras::kErrorInvalidHandle);
    EXPECT_EQ(con->CurrentState(), 601);
    EXPECT_EQ(con->StatusText(), "Unknown State (601)");
    EXPECT_EQ(con->ReadConnectStatus(a, 0), 0);
    EXPECT_EQ(con->FirstConnection(), "Провайдер");
}

TEST_F(RasConTest, DemoEntryShowsBusyRefusalAndConnection) {
    const std::string path = dir.file("demo.ini");
    auto demoService = ras::makePhonebookService(loop, path);
    TRasCon demo(loop, *demoService);
    std::vector<std::uint32_t> last;
    demo.OnStateEvent = [&](TRasCon&, const TRasStateRec& r) { last.push_back(r.State); };
    const PhonebookEntry e = Phonebook::demoEntry();
    demo.EntryName = e.name;
    demo.UserName = e.userName;
    demo.Password = "?";  // as the login list seeded from the phonebook holds it
    for (const std::string& number : {e.phoneNumber, e.alternates[0], e.alternates[0]}) {
        demo.PhoneNumber = "t" + number;
        ras::Handle h = 0;
        ASSERT_EQ(demo.Dial(h), 0);
        loop.advance(10 * 400);
        if (last.back() == 8192) break;
        demo.HangUpAndWait(h, 0, 3000, false);
    }
    EXPECT_EQ(last,
              (States{0, 1, 2, 676, 0, 1, 2, 3, 4, 5, 6, 691, 0, 1, 2, 3, 4, 5, 6, 12, 14, 8192}));
}

TEST(RasCon, HangUpAndWaitPollsAsDescribed) {
    VirtualLoop loop;
    ScriptedService service;
    TRasCon con(loop, service);
    std::vector<TRasStateRec> got;
    con.OnStateEvent = [&](TRasCon&, const TRasStateRec& r) { got.push_back(r); };

    // Handle 0: 6 at once, no hang-up, no status query, no sleep.
    const auto t0 = loop.tickCount();
    EXPECT_EQ(con.HangUpAndWait(0, 0, 3000, true), ras::kErrorInvalidHandle);
    EXPECT_EQ(service.hangUps, 0);
    EXPECT_EQ(service.statusQueries, 0u);
    EXPECT_EQ(loop.tickCount(), t0);

    // Timeout 0 on a line that does not go down: two polls, one 50 ms sleep.
    service.statuses = {4};
    EXPECT_EQ(con.HangUpAndWait(9, 0, 0, false), 0);
    EXPECT_EQ(service.hangUps, 1);
    EXPECT_EQ(service.statusQueries, 2u);
    EXPECT_EQ(loop.tickCount(), t0 + 50);

    // 3000 ms: polls every 50 ms until more than 3000 ms have passed.
    service.statusQueries = 0;
    const auto t1 = loop.tickCount();
    con.HangUpAndWait(9, 0, 3000, false);
    EXPECT_EQ(service.statusQueries, 62u);
    EXPECT_EQ(loop.tickCount(), t1 + 3050);

    // Stops on 8193, and with the report flag queues each new state once (origin 2).
    service.statusQueries = 0;
    service.statuses = {4, 4, 8193};
    loop.runPending();
    got.clear();
    con.HangUpAndWait(9, 0, 3000, true);
    EXPECT_EQ(service.statusQueries, 3u);
    EXPECT_EQ(con.CurrentState(), 8193);
    loop.runPending();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].State, 4u);
    EXPECT_EQ(got[0].StatusText, "Connected/Negotiation");
    EXPECT_EQ(got[0].Origin, TRasStateRec::kOriginHangUpWait);
    EXPECT_EQ(got[0].DeviceType, "MODEM");
    EXPECT_EQ(got[1].State, 8193u);
    EXPECT_EQ(got[1].StatusText, "Disconnected/Offline");

    // Stops on 601 (gone) with the preset text.
    service.statusQueries = 0;
    service.statuses = {-1};
    con.HangUpAndWait(9, 0, 3000, false);
    EXPECT_EQ(service.statusQueries, 1u);
    EXPECT_EQ(con.StatusText(), "Unknown State (601)");
}

TEST(RasCon, NotificationsArriveInOrderWithTheStateTheyWereQueuedWith) {
    VirtualLoop loop;
    ScriptedService service;
    TRasCon con(loop, service);
    std::vector<std::pair<TRasStateRec, std::uint16_t>> got;
    std::vector<int> slots;
    con.OnStateEvent = [&](TRasCon& c, const TRasStateRec& r) {
        got.emplace_back(r, c.CurrentState());
        slots.push_back(c.DeliveredSlot());
    };
    ras::Handle h = 0;
    ASSERT_EQ(con.Dial(h), 0);
    EXPECT_EQ(h, 77u);

    // Two notifications arrive before the window gets to the first one.
    service.notifier(h, 0, 1, 0);
    loop.sleepMs(10);
    service.notifier(h, 0, 2, 0);
    EXPECT_EQ(con.CurrentState(), 2);  // written at arrival
    EXPECT_EQ(con.PendingNotifications(), 2u);
    EXPECT_TRUE(got.empty());
    loop.runPending();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].first.State, 1u);
    EXPECT_EQ(got[0].first.StatusText, "Serial Port Opened");
    EXPECT_EQ(got[0].second, 2);  // the handler already sees the newer state
    EXPECT_EQ(got[1].first.State, 2u);
    EXPECT_EQ(got[1].first.Ticks - got[0].first.Ticks, 10u);
    EXPECT_EQ(got[0].first.ConnHandle, h);
    EXPECT_EQ(got[0].first.Origin, TRasStateRec::kOriginDial);

    // An error notification: CurrentState becomes the error code.
    service.notifier(h, 0, 2, 676);
    loop.runPending();
    EXPECT_EQ(got.back().first.State, 676u);
    EXPECT_EQ(got.back().first.ErrorCode, 676u);
    EXPECT_EQ(got.back().first.StatusText, "Линия занята.");

    // The 17th notification is numbered slot 1 again, and nothing waiting is overwritten.
    got.clear();
    slots.clear();
    for (int i = 0; i < 17; ++i)
        service.notifier(h, 0, 100 + i, 0);
    EXPECT_EQ(con.NextSlot(), 5);  // 3 + 17 notifications so far
    loop.runPending();
    ASSERT_EQ(got.size(), 17u);
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(got[static_cast<std::size_t>(i)].first.State, 100u + i);
    EXPECT_EQ(got[0].first.StatusText, "Unknown State (100)");
    EXPECT_EQ(slots.front(), 4);
    EXPECT_EQ(slots[12], 16);
    EXPECT_EQ(slots[13], 1);

    // Progress not delivered yet is withdrawn by a hang-up of its dial.
    got.clear();
    service.statuses = {-1};
    service.notifier(h, 0, 3, 0);
    service.notifier(h, 0, 4, 0);
    con.HangUpAndWait(h, 0, 3000, false);
    loop.runPending();
    EXPECT_TRUE(got.empty());
}

TEST(RasCon, NotifierOnAnotherThreadDeliversOnTheLoopInOrder) {
    VirtualLoop loop;
    ScriptedService service;
    TRasCon con(loop, service);
    std::vector<std::uint32_t> got;
    const auto uiThread = std::this_thread::get_id();
    con.OnStateEvent = [&](TRasCon&, const TRasStateRec& r) {
        EXPECT_EQ(std::this_thread::get_id(), uiThread);
        got.push_back(r.State);
    };
    ras::Handle h = 0;
    ASSERT_EQ(con.Dial(h), 0);
    std::thread device([&] {
        for (int i = 0; i < 200; ++i)
            service.notifier(h, 0, i, 0);
    });
    while (got.size() < 200) {
        loop.runPending();
        (void)con.CurrentState();  // reading while the device writes
        std::this_thread::yield();
    }
    device.join();
    for (std::uint32_t i = 0; i < 200; ++i)
        ASSERT_EQ(got[i], i);
    // A component that is gone ignores late notifications.
    auto late = service.notifier;
    {
        TRasCon other(loop, service);
        ras::Handle h2 = 0;
        other.Dial(h2);
        late = service.notifier;
    }
    late(h, 0, 5, 0);
    loop.runPending();
    EXPECT_EQ(got.size(), 200u);
}

TEST_F(RasConTest, EntriesTextsAndEntryDialogs) {
    EXPECT_TRUE(con->RasAvailable());
    EXPECT_EQ(con->ListEntries(), 0);
    EXPECT_EQ(con->EntryNames(),
              (std::vector<std::string>{"Без пароля", "Обрыв", "Порт", "Провайдер"}));

    TRasEdt edt(*service);
    EXPECT_EQ(edt.ReadEntryProperties("Провайдер"), 0);
    EXPECT_EQ(edt.LocalPhoneNumber(), "111");
    EXPECT_EQ(edt.AlternatePhones(), (std::vector<std::string>{"222", "333", "444"}));
    EXPECT_EQ(edt.ReadEntryDialParams("Провайдер"), 0);
    EXPECT_EQ(edt.UserName(), "user");
    EXPECT_EQ(edt.Password(), "secret");
    EXPECT_EQ(edt.ReadEntryDialParams("Без пароля"), 0);
    EXPECT_EQ(edt.UserName(), "guest");
    EXPECT_EQ(edt.Password(), "");
    EXPECT_EQ(edt.ReadEntryProperties("Нет такой"), ras::kErrorCannotFindPhonebookEntry);
    EXPECT_EQ(edt.LocalPhoneNumber(), "");
    EXPECT_TRUE(edt.AlternatePhones().empty());

    // Entry dialogs go through the window's hook.
    con->EntryName = "Обрыв";
    EXPECT_EQ(con->CreateEntry(), ras::kErrorNotSupported);
    std::vector<std::string> edited;
    con->EntryEditor = [&](const std::string& name) {
        edited.push_back(name);
        return 0;
    };
    EXPECT_EQ(con->CreateEntry(), 0);
    EXPECT_EQ(con->EditEntry(), 0);
    EXPECT_EQ(edited, (std::vector<std::string>{"", "Обрыв"}));
    EXPECT_EQ(con->DeleteEntry(), 0);
    EXPECT_EQ(con->EntryName, "");
    con->ListEntries();
    EXPECT_EQ(con->EntryNames(), (std::vector<std::string>{"Без пароля", "Порт", "Провайдер"}));
    EXPECT_EQ(con->DeleteEntry(), ras::kErrorCannotFindPhonebookEntry);

    // Texts.
    EXPECT_EQ(con->StateText(8193), "Disconnected/Offline");
    EXPECT_EQ(con->StateText(4100), "Paused for Authentication");
    EXPECT_EQ(con->StateText(7), "Unknown State (7)");
    EXPECT_EQ(con->StateText(600), "Unknown State (600)");
    EXPECT_EQ(con->StateText(691), con->ErrorText(691));
    EXPECT_EQ(con->ErrorText(-1), "");
    EXPECT_EQ(con->ErrorText(777), "Ошибка RAS 777");
    EXPECT_EQ(con->ErrorText(5), "Ошибка 5");

    // An empty phonebook lists nothing.
    writeFile(dir.file("pb.ini"), "");
    EXPECT_EQ(con->ListEntries(), 0);
    EXPECT_TRUE(con->EntryNames().empty());
}

TEST(RasCon, WithoutTheServiceEveryOperationAnswers1157) {
    VirtualLoop loop;
    auto service = ras::makeUnavailableService();
    TRasCon con(loop, *service);
    EXPECT_FALSE(con.RasAvailable());
    EXPECT_EQ(con.LastResult(), 1157);
    EXPECT_EQ(con.StatusText(), "RASAPI32.DLL Not Available");
    ras::Handle h = 3;
    EXPECT_EQ(con.Dial(h), 1157);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(con.ListEntries(), 1157);
    EXPECT_EQ(con.FirstConnection(), "");
    EXPECT_EQ(con.LastResult(), 1157);
    EXPECT_EQ(con.HangUpAndWait(0, 0, 0, false), 1157);
    EXPECT_EQ(con.ReadConnectStatus(5, 0), 1157);
    EXPECT_EQ(con.CurrentState(), 0);  // untouched
    EXPECT_EQ(con.ErrorText(676), "RASAPI32.DLL Not Available");
    TRasEdt edt(*service);
    EXPECT_EQ(edt.ReadEntryDialParams("x"), 1157);
}
