// The page "График": its picture is drawn only while it is on screen and its figures changed.
#include <gtest/gtest.h>

#include "form/form_model.h"
#include "ui/main_window.h"
#include "ui/traffic_graph_view.h"
#include "ui_test_support.h"

namespace velmor::test {

TEST(GraphView, DrawsOnlyOnScreenAndOnlyWhenItsFiguresChanged) {
    MainForm model;
    RecordingHandlers handlers;
    MainWindow window(model, handlers);
    window.show();
    auto* view = child<TrafficGraphView>(&window, "GraphView");
    ASSERT_NE(view, nullptr);
    const auto tick = [&](std::uint64_t bytes) {
        model.graph.live.addTotals(bytes, bytes / 10);
        window.refresh();
        spin(30);
    };
    tick(4200);
    EXPECT_EQ(view->paints(), 0);  // another page is showing
    EXPECT_FALSE(handlers.graphShown);
    model.window.pageIndex = 4;
    model.window.statsPageIndex = 4;
    window.refresh();
    spin(30);
    EXPECT_TRUE(handlers.graphShown);
    const int shown = view->paints();
    EXPECT_GT(shown, 0);
    window.refresh();
    spin(30);
    EXPECT_EQ(view->paints(), shown);  // nothing new
    tick(8400);
    EXPECT_EQ(view->paints(), shown + 1);
    ++model.graph.daysGeneration;
    window.refresh();
    spin(30);
    EXPECT_EQ(view->paints(), shown + 2);
    model.window.statsPageIndex = 0;
    window.refresh();
    spin(30);
    EXPECT_FALSE(handlers.graphShown);
    const int left = view->paints();
    tick(12600);
    EXPECT_EQ(view->paints(), left);
}

}  // namespace velmor::test
