// The live figures of a session on virtual time: the traffic graph, the tray icon's tip, the daily
// history and the monthly quota.
#include <gtest/gtest.h>

#include "desktop/status_tip.h"
#include "desktop_fakes.h"
#include "form/traffic_graph.h"
#include "platform/history_db.h"
#include "program_fixture.h"

using namespace velmor;
using velmor::test::FakeTrayIconState;
using velmor::test::Program;
using velmor::test::writeFile;

TEST(TrafficGraph, SamplesPeaksAndScaleFollowTheLine) {
    TrafficGraph g;
    EXPECT_EQ(g.scale(), 1000u);  // an empty graph still has an axis
    const std::uint64_t generation = g.generation();
    // The byte totals of five ticks; at the fourth the counters started anew.
    const std::uint64_t totals[][2] = {{0, 0}, {4200, 125}, {8400, 250}, {1000, 250}, {1000, 1250}};
    for (const auto& t : totals)
        g.addTotals(t[0], t[1]);
    ASSERT_EQ(g.size(), 5);
    EXPECT_EQ(g.at(1), (TrafficGraph::Sample{33600, 1000}));
    EXPECT_EQ(g.at(3), (TrafficGraph::Sample{8000, 0}));
    EXPECT_EQ(g.current(), (TrafficGraph::Sample{0, 8000}));
    EXPECT_EQ(g.peak(), (TrafficGraph::Sample{33600, 8000}));
    EXPECT_EQ(g.scale(), 50000u);
    EXPECT_EQ(rateText(g.peak().in, ','), "33,6");
    EXPECT_NE(g.generation(), generation);
    // Ten minutes are held: the axis follows what is held, the peaks the whole session.
    for (std::uint64_t i = 1; i <= TrafficGraph::kSamples; ++i)
        g.addTotals(1000 + 125 * i, 1250);
    EXPECT_EQ(g.size(), TrafficGraph::kSamples);
    EXPECT_EQ(g.at(0), (TrafficGraph::Sample{1000, 0}));
    EXPECT_EQ(g.scale(), 1000u);
    EXPECT_EQ(g.peak().in, 33600u);
    g.addTotals(1000 + 125 * 600 + 126, 1250);
    EXPECT_EQ(g.scale(), 2000u);
    // A new session starts from nothing, its counters from zero.
    g.clear();
    EXPECT_EQ(g.size(), 0);
    EXPECT_EQ(g.peak(), TrafficGraph::Sample{});
    g.addTotals(125, 0);
    EXPECT_EQ(g.current().in, 1000u);
}

TEST(StatusTip, FourLinesWithinTheTipsLengthCuttingOnlyTheEntryName) {
    EXPECT_EQ(connectedTip("Тест", "0.01:02:04", "1,46 / 0,29"),
              "Velmor\nТест\nНа линии: 0.01:02:04\nПолучено/отправлено: 1,46 / 0,29 Мб");
    const std::string tip =
        connectedTip(std::string(100, 'x') + "ё", "10.00:00:00", "97656,25 / 97656,25");
    EXPECT_EQ(utf8Length(tip), kTipCharacters);
    EXPECT_TRUE(tip.starts_with("Velmor\nxxx")) << tip;
    EXPECT_TRUE(
        tip.ends_with("x…\nНа линии: 10.00:00:00\nПолучено/отправлено: 97656,25 / "
                      "97656,25 Мб"))
        << tip;
}

namespace {

class LiveTest : public velmor::test::ProgramTest {
  protected:
    // The program with its history in its folder and its icon in a notification area.
    std::unique_ptr<Program> started() {
        auto p = program();
        p->form.setTrayService(&tray_);
        p->form.setHistoryFile(history());
        p->start();
        return p;
    }
    std::unique_ptr<Program> connected() {
        writeFile(book_,
                  "[Тест]\nDevice=sim\nSimStepMs=100\nPhoneNumber=1\nUserName=u\nPassword=p\n");
        firstRun();
        auto p = started();
        p->form.Button1Click();
        loop_.advance(2000);
        EXPECT_EQ(p->form.Model.conn.Button1.caption, kHangUpCaption);
        return p;
    }
    std::string history() const { return dir_.file("history.sqlite"); }
    std::vector<HistoryRecord> stored() {
        HistoryDb db(history());
        const auto rows = db.read("", "");
        if (!rows) ADD_FAILURE() << db.error();
        return rows.value_or(std::vector<HistoryRecord>{});
    }
    // Ticks until the session has counted seconds.
    void until(Program& p, std::int64_t seconds) {
        while (p.form.Model.stats.inCurrentLast < seconds)
            loop_.advance(1000);
    }
    const FakeTrayIconState& icon() const { return *tray_.icons.at(0); }

    velmor::test::FakeTray tray_;
};

}  // namespace

TEST_F(LiveTest, HistoryKeepsEachDayOfASessionAcrossMidnightAndTheMonthsEnd) {
    loop_.setLocalDateTime({2027, 1, 31, 23, 58, 0, 0});
    auto p = connected();
    auto& s = p->form.Model.stats;
    p->form.Model.tariffs.tariff1.value = 3.6;  // 0,001 a second
    // Written once a minute, and not before.
    until(*p, 59);
    EXPECT_EQ(stored(), std::vector<HistoryRecord>{});
    until(*p, 60);
    ASSERT_EQ(stored().size(), 1u);
    EXPECT_EQ(stored()[0].seconds, 60);
    EXPECT_EQ(stored()[0].connections, 1);
    // On past midnight, into the next month; the user hangs up. Each day holds what the
    // program's own figures of the entry's months hold.
    loop_.advance(150000);
    p->form.Button1Click();
    const auto rows = stored();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].day, "2027-01-31");
    EXPECT_EQ(rows[1].day, "2027-02-01");
    EXPECT_EQ(rows[0].entry, "Тест");
    EXPECT_EQ(rows[0].seconds, s.inInternetCurrentLastMonth);
    EXPECT_EQ(rows[1].seconds, s.inInternetCurrentMonth);
    EXPECT_EQ(rows[0].seconds + rows[1].seconds, s.inCurrentLast);
    EXPECT_EQ((TrafficPair{rows[0].received, rows[0].sent}), s.trafficCurrentLastMonth);
    EXPECT_EQ((TrafficPair{rows[1].received, rows[1].sent}), s.trafficCurrentMonth.current);
    EXPECT_NEAR(rows[0].money, s.dengiCurrentLastMonth, 1e-9);
    EXPECT_NEAR(rows[1].money, s.dengiCurrentMonth, 1e-9);
    EXPECT_GT(rows[0].money, 0.1);
    EXPECT_EQ(rows[0].connections, 1);
    EXPECT_EQ(rows[1].connections, 0);

    // The bars of the page "График": 31 days up to today, the session running included before it
    // is written.
    p->form.Button1Click();
    loop_.advance(2000);
    until(*p, 10);
    p->form.GraphShown(true);
    const auto& days = p->form.Model.graph.days;
    ASSERT_EQ(days.size(), 31u);
    EXPECT_EQ(days.front().day, "2027-01-02");
    EXPECT_EQ(days[29].seconds, rows[0].seconds);
    EXPECT_EQ(days[30].day, "2027-02-01");
    EXPECT_EQ(days[30].seconds, rows[1].seconds + 10);
    EXPECT_EQ(days[30].connections, 1);
    EXPECT_EQ(days[3].seconds, 0);
    ASSERT_TRUE(p->form.Close());
    EXPECT_EQ(stored()[1].seconds, rows[1].seconds + 10);
}

TEST_F(LiveTest, TrayTipShowsTheSessionOnlyWhenItChangesAndNotWithHintsOff) {
    auto p = connected();
    auto& s = p->form.Model.stats;
    until(*p, 3);
    EXPECT_EQ(icon().tip, connectedTip("Тест", "0.00:00:03", trafficText(s.trafficSession, ',')));
    EXPECT_TRUE(icon().tip.starts_with("Velmor\nТест\nНа линии: 0.00:00:03\n")) << icon().tip;
    p->form.Model.iface.NotShowHints.checked = true;
    p->form.NotShowHintsClick();
    loop_.advance(1000);
    EXPECT_EQ(icon().tip, "Velmor");
    const int sets = icon().tipSets;
    loop_.advance(5000);
    EXPECT_EQ(icon().tipSets, sets);
    p->form.Model.iface.NotShowHints.checked = false;
    p->form.NotShowHintsClick();
    loop_.advance(1000);
    EXPECT_EQ(icon().tip, connectedTip("Тест", durationText(s.inCurrentLast),
                                       trafficText(s.trafficSession, ',')));
    p->form.Button1Click();
    EXPECT_EQ(icon().tip, "Velmor");
}

TEST_F(LiveTest, QuotaWarnsOnceAtTheShareAndAtTheWholeAMonthAndHangsUpWhenChosen) {
    loop_.setLocalDateTime({2027, 3, 10, 12, 0, 0, 0});
    auto p = connected();
    auto& q = p->form.Model.quota;
    // 1 Мб of traffic, 3,6 kB a second on this line: half of it in about two minutes and a half.
    q.QuotaTrafficCheck.checked = true;
    q.QuotaMegabytes.value = 1;
    q.QuotaShare.value = 50;
    p->form.Model.general.AutoReDialCheck.checked = true;
    const std::string half = "Израсходовано 50 % месячного лимита траффика соединения Тест: ";
    const std::string whole = "Исчерпан месячный лимит траффика соединения Тест: ";
    const std::string ended = "Соединение разорвано: исчерпан месячный лимит";
    loop_.advance(130000);
    EXPECT_EQ(count(half), 0);
    loop_.advance(30000);
    EXPECT_EQ(count(half), 1);
    loop_.advance(400000);
    EXPECT_EQ(count(half), 1);
    EXPECT_EQ(count(whole), 1);
    int balloons = 0;
    for (const std::string& b : icon().balloons)
        balloons +=
            b.starts_with("show|Месячный лимит соединения Тест|") && b.ends_with("|2|60000");
    EXPECT_EQ(balloons, 2);
    EXPECT_EQ(p->form.Model.conn.Button1.caption, kHangUpCaption);
    EXPECT_TRUE(q.QuotaUsedLabel.caption.starts_with("В этом месяце израсходовано: 1"))
        << q.QuotaUsedLabel.caption;
    // Chosen now: the next tick ends the connection, and nothing redials it.
    q.QuotaHangUpCheck.checked = true;
    loop_.advance(1000);
    EXPECT_EQ(p->form.Model.conn.Button1.caption, kDialCaption);
    loop_.advance(60000);
    EXPECT_EQ(p->form.Model.conn.Button1.caption, kDialCaption);
    EXPECT_EQ(count(ended), 1);
    ASSERT_TRUE(p->form.Close());

    // Another run in the same month: no warning again; a new connection ends at its first tick.
    auto again = started();
    EXPECT_TRUE(again->form.Model.quota.QuotaHangUpCheck.checked);
    again->form.Button1Click();
    loop_.advance(3000);
    EXPECT_EQ(again->form.Model.conn.Button1.caption, kDialCaption);
    EXPECT_EQ(count(ended), 2);
    EXPECT_EQ(count(half) + count(whole), 2);
    // A new month starts from nothing: connected, and warned again when half of it is used.
    loop_.setLocalDateTime({2027, 4, 1, 0, 0, 10, 0});
    again->form.Button1Click();
    loop_.advance(60000);
    EXPECT_EQ(again->form.Model.conn.Button1.caption, kHangUpCaption);
    loop_.advance(120000);
    EXPECT_EQ(count(half), 2);
}
