// The picture of the page "График": the receive and send rates of the last ten minutes with the
// current and peak rates, and under them the traffic of the last days as bars. It draws only while
// it is on screen, and only when its figures changed.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

#include "form/live_pages.h"

namespace velmor {

class TrafficGraphView : public QWidget {
    Q_OBJECT
  public:
    // shown: the view came on screen (true) or left it.
    TrafficGraphView(const GraphPage& page, char decimalSeparator, std::function<void(bool)> shown,
                     QWidget* parent = nullptr);

    // The figures may have changed: redraws when they did and the view is on screen.
    void follow();
    // How many times the view was drawn (for tests and measurements).
    int paints() const { return paints_; }

    QSize sizeHint() const override { return {360, 260}; }
    QSize minimumSizeHint() const override { return {240, 180}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QRect graphArea() const;
    QRect barsArea() const;
    void paintGraph(class QPainter& p, const QRect& area);
    void paintBars(class QPainter& p, const QRect& area);
    // The bar under a point of the view; -1 where there is none.
    int barAt(const QPoint& at) const;

    const GraphPage& page_;
    char separator_;
    std::function<void(bool)> shown_;
    std::uint64_t drawnGeneration_ = ~std::uint64_t{0};
    int drawnDays_ = -1;
    int paints_ = 0;
};

}  // namespace velmor
