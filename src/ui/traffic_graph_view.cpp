#include "ui/traffic_graph_view.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "form/statistics.h"
#include "ui/binder.h"

namespace velmor {
namespace {

const QColor kReceived(0x1d, 0x5e, 0x9e);
const QColor kSent(0xd3, 0x6b, 0x1c);
const QColor kGrid(0xc8, 0xc8, 0xc8);

double megabytes(std::int64_t kb) {
    return static_cast<double>(kb) / 1024.0;
}

}  // namespace

TrafficGraphView::TrafficGraphView(const GraphPage& page, char decimalSeparator,
                                   std::function<void(bool)> shown, QWidget* parent)
    : QWidget(parent), page_(page), separator_(decimalSeparator), shown_(std::move(shown)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TrafficGraphView::follow() {
    if (!isVisible()) return;
    if (page_.live.generation() == drawnGeneration_ && page_.daysGeneration == drawnDays_) return;
    update();
}

void TrafficGraphView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The bars are read when the page comes on screen; the paint that follows shows them.
    if (shown_) shown_(true);
}

void TrafficGraphView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (shown_) shown_(false);
}

QRect TrafficGraphView::graphArea() const {
    const int line = fontMetrics().height();
    const QRect r = rect().adjusted(4, 2, -4, -2);
    const int top = r.top() + 2 * line + 4;
    const int height = (r.height() - 2 * line) * 11 / 20 - line;
    return {r.left(), top, r.width(), std::max(height, 20)};
}

QRect TrafficGraphView::barsArea() const {
    const int line = fontMetrics().height();
    const QRect g = graphArea();
    const int top = g.bottom() + 2 * line + 8;
    return {g.left(), top, g.width(), std::max(rect().bottom() - 2 - line - top, 10)};
}

void TrafficGraphView::paintEvent(QPaintEvent*) {
    ++paints_;
    drawnGeneration_ = page_.live.generation();
    drawnDays_ = page_.daysGeneration;
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setRenderHint(QPainter::Antialiasing, false);

    // The rates now and their peaks, in the colours of the curves.
    const TrafficGraph& g = page_.live;
    const int line = fontMetrics().height();
    const QRect r = rect().adjusted(4, 2, -4, -2);
    const auto legend = [&](int row, const QColor& color, const char* what, std::uint64_t now,
                            std::uint64_t peak) {
        const QRect at(r.left(), r.top() + row * line, r.width(), line);
        p.fillRect(QRect(at.left(), at.center().y() - 3, 10, 6), color);
        p.setPen(palette().text().color());
        p.drawText(at.adjusted(14, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromUtf8(what) + qs(rateText(now, separator_)) +
                       QStringLiteral(" Кбит/с, пик ") + qs(rateText(peak, separator_)));
    };
    legend(0, kReceived, "Получено: ", g.current().in, g.peak().in);
    legend(1, kSent, "Отправлено: ", g.current().out, g.peak().out);
    paintGraph(p, graphArea());
    paintBars(p, barsArea());
}

void TrafficGraphView::paintGraph(QPainter& p, const QRect& area) {
    const TrafficGraph& g = page_.live;
    const std::uint64_t scale = g.scale();
    p.setPen(kGrid);
    for (int i = 0; i <= 4; ++i) {
        const int y = area.bottom() - area.height() * i / 4;
        p.drawLine(area.left(), y, area.right(), y);
    }
    for (int i = 0; i <= 10; i += 5) {
        const int x = area.left() + area.width() * i / 10;
        p.drawLine(x, area.top(), x, area.bottom());
    }
    // Newest at the right edge, one pixel column per step of ten minutes / width.
    const auto point = [&](int i, std::uint64_t v) {
        const int slot = TrafficGraph::kSamples - g.size() + i;
        const double x = area.left() + static_cast<double>(area.width() - 1) * slot /
                                           (TrafficGraph::kSamples - 1);
        const double y = area.bottom() - static_cast<double>(area.height() - 1) *
                                             static_cast<double>(v) / static_cast<double>(scale);
        return QPointF(x, y);
    };
    if (g.size() > 0) {
        p.setRenderHint(QPainter::Antialiasing, true);
        QPainterPath received;
        received.moveTo(point(0, 0).x(), area.bottom());
        QPainterPath sent;
        for (int i = 0; i < g.size(); ++i) {
            const TrafficGraph::Sample s = g.at(i);
            received.lineTo(point(i, s.in));
            if (i == 0) {
                sent.moveTo(point(i, s.out));
            } else {
                sent.lineTo(point(i, s.out));
            }
        }
        received.lineTo(point(g.size() - 1, 0).x(), area.bottom());
        received.closeSubpath();
        QColor fill = kReceived;
        fill.setAlpha(90);
        p.fillPath(received, fill);
        p.strokePath(received, QPen(kReceived, 1));
        p.strokePath(sent, QPen(kSent, 1.5));
        p.setRenderHint(QPainter::Antialiasing, false);
    }
    // The axis: its top and middle in kilobits per second; the time under it.
    p.setPen(palette().text().color());
    const int line = fontMetrics().height();
    p.drawText(QRect(area.left() + 2, area.top(), area.width(), line), Qt::AlignLeft | Qt::AlignTop,
               qs(rateText(scale, separator_)) + " Кбит/с");
    p.drawText(QRect(area.left() + 2, area.top() + area.height() / 2 - line, area.width(), line),
               Qt::AlignLeft | Qt::AlignBottom, qs(rateText(scale / 2, separator_)));
    p.drawRect(area.adjusted(0, 0, -1, -1));
    const QRect under(area.left(), area.bottom() + 1, area.width(), line);
    p.drawText(under, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("10 мин назад"));
    p.drawText(under, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("5 мин"));
    p.drawText(under, Qt::AlignRight | Qt::AlignTop, QStringLiteral("сейчас"));
}

void TrafficGraphView::paintBars(QPainter& p, const QRect& area) {
    const auto& days = page_.days;
    double top = 0;
    for (const HistoryRecord& d : days)
        top = std::max(top, megabytes(d.received + d.sent));
    // The axis' steps are whole megabytes: a fraction goes up to the next.
    top = static_cast<double>(axisTop(static_cast<std::uint64_t>(std::ceil(top)), 1));
    const int line = fontMetrics().height();
    p.setPen(palette().text().color());
    const QRect head(area.left(), area.top() - line - 2, area.width(), line);
    p.drawText(head, Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Траффик по дням за %1 дн., Мб").arg(days.size()));
    p.setPen(kGrid);
    p.drawLine(area.left(), area.top(), area.right(), area.top());
    p.drawLine(area.left(), area.top() + area.height() / 2, area.right(),
               area.top() + area.height() / 2);
    p.drawLine(area.left(), area.bottom(), area.right(), area.bottom());
    // The top of the bars' axis, as the graph's.
    p.setPen(palette().text().color());
    p.drawText(QRect(area.left() + 2, area.top() + 1, area.width(), line),
               Qt::AlignLeft | Qt::AlignTop,
               QString::number(top, 'f', top < 10 ? 1 : 0).replace('.', QChar(separator_)));
    if (days.empty()) return;
    const double slot = static_cast<double>(area.width()) / static_cast<double>(days.size());
    for (std::size_t i = 0; i < days.size(); ++i) {
        const HistoryRecord& d = days[i];
        const int left = area.left() + static_cast<int>(slot * static_cast<double>(i)) + 1;
        const int width = std::max(static_cast<int>(slot) - 2, 1);
        const auto height = [&](std::int64_t kb) {
            return static_cast<int>(megabytes(kb) / top * area.height() + 0.5);
        };
        const int received = height(d.received);
        const int sent = height(d.received + d.sent) - received;
        p.fillRect(QRect(left, area.bottom() - received + 1, width, received), kReceived);
        p.fillRect(QRect(left, area.bottom() - received - sent + 1, width, sent), kSent);
        // Day numbers under every fifth bar from the last (today) back.
        if ((days.size() - 1 - i) % 5 == 0 && d.day.size() == 10) {
            p.setPen(palette().text().color());
            const QRect under(left - 8, area.bottom() + 1, width + 16, line);
            p.drawText(under, Qt::AlignHCenter | Qt::AlignTop, qs(d.day.substr(8)));
        }
    }
}

int TrafficGraphView::barAt(const QPoint& at) const {
    const QRect area = barsArea();
    if (page_.days.empty() || !area.adjusted(0, -2, 0, 2).contains(at)) return -1;
    const int i = (at.x() - area.left()) * static_cast<int>(page_.days.size()) / area.width();
    return std::clamp(i, 0, static_cast<int>(page_.days.size()) - 1);
}

bool TrafficGraphView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const int i = barAt(help->pos());
    if (i < 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    // The day's figures, as the statistics pages show them.
    const HistoryRecord& d = page_.days[static_cast<std::size_t>(i)];
    const QString day =
        qs(d.day.substr(8, 2) + "." + d.day.substr(5, 2) + "." + d.day.substr(0, 4));
    const QString text = day + QStringLiteral("\nНа линии: ") + qs(durationText(d.seconds)) +
                         QStringLiteral("\nПолучено/отправлено: ") +
                         qs(trafficText({d.received, d.sent}, separator_)) +
                         QStringLiteral(" Мб\nДеньги: ") + qs(moneyText(d.money, separator_)) +
                         QStringLiteral("\nСоединений: ") + QString::number(d.connections);
    QToolTip::showText(help->globalPos(), text, this);
    return true;
}

}  // namespace velmor
