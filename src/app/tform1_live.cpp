// The main window's live figures: the traffic graph, the daily history with its bars, the tray
// icon's tip and the monthly quota.
#include "app/tform1.h"
#include "app/tform1_private.h"
#include "desktop/status_tip.h"

namespace velmor {
namespace {
// The bars of the page "График".
constexpr int kHistoryDays = 31;
}  // namespace

void TForm1::liveSessionStart() {
    Model.graph.live.clear();
    History.sessionStart(Model.conn.ComboBox1.text(), loop_.now(), Model.stats);
}

void TForm1::liveTick(bool ended) {
    if (ended) {
        // The tick that found the line gone may have counted a last second.
        History.tick(loop_.now(), Model.stats);
        History.sessionEnd();
        if (TrayIcon) TrayIcon->setHint(kProgramTitle);
        if (graphShown_) showHistory();
        return;
    }
    const LocalDateTime now = loop_.now();
    Model.graph.live.addTotals(RasPer.BytesReceived(), RasPer.BytesSent());
    if (History.tick(now, Model.stats) && graphShown_) showHistory();
    const std::string& entry = Model.conn.ComboBox1.text();
    if (TrayIcon) {
        // Only a changed tip goes to the desktop; with hints off it stays the program's name.
        std::string tip = kProgramTitle;
        if (Model.window.showHints) {
            // The texts the statistics labels show of the session since this tick.
            tip = connectedTip(entry, Model.timeStats.InCurrentLastLabel.caption,
                               Model.trafficStats.TrafficLastLabel.caption);
        }
        if (tip != TrayIcon->hint()) TrayIcon->setHint(tip);
    }
    // Last: a hang-up for the quota ends the session here.
    Quota.check(now, entry);
}

void TForm1::showHistory() {
    Model.graph.days = History.lastDays(Model.conn.ComboBox1.text(), loop_.now(), kHistoryDays);
    ++Model.graph.daysGeneration;
}

void TForm1::GraphShown(bool shown) {
    graphShown_ = shown;
    if (shown) showHistory();
}

void TForm1::QuotaChanged() {
    showQuota(Model.quota, Model.stats);
}

}  // namespace velmor
