// The inner page "График" of "Статистика": the live traffic graph, the bars of the last days
// and the month's use of the quota.
#include "ui/pages.h"
#include "ui/traffic_graph_view.h"

namespace velmor {

QWidget* buildGraphPage(PageContext& ctx) {
    auto* view = new TrafficGraphView(ctx.f.graph, ctx.f.locale.decimalSeparator,
                                      [&h = ctx.h](bool shown) { h.GraphShown(shown); });
    view->setObjectName(QStringLiteral("GraphView"));
    // Every refresh of the window (each monitor tick among them) looks whether there is something
    // new to draw.
    ctx.b.onRefresh([view] { view->follow(); });
    auto* page = new QVBoxLayout;
    page->setSpacing(2);
    page->addWidget(view, 1);
    // The month's use of the entry's quota, where it has one.
    page->addWidget(makeLabel(ctx, "QuotaUsedLabel", ctx.f.quota.QuotaUsedLabel));
    return pageOf(page);
}

}  // namespace velmor
