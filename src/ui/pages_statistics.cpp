// The inner pages of "Статистика": time on line, traffic, money, and the tariff settings.
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "ui/pages.h"

namespace velmor {
namespace {

QFrame* separator() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// Eight rows, "caption value": the totals of every connection, then those of the selected one;
// the reset button closes the selected connection's part. unit heads the value column.
QWidget* statisticsPage(PageContext& ctx, const char* rowPrefix, std::vector<Label>& rows,
                        std::initializer_list<std::pair<const char*, Label*>> values,
                        const char* resetName, Button& reset, Binder::Handler onReset,
                        const QString& unit = {}) {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    int line = 0;
    if (!unit.isEmpty()) {
        auto* head = new QLabel(unit);
        head->setObjectName(QString::fromLatin1(rowPrefix) + QStringLiteral("Unit"));
        grid->addWidget(head, line++, 1, Qt::AlignRight);
    }
    int i = 0;
    for (const auto& [name, label] : values) {
        if (i == 4) grid->addWidget(separator(), line++, 0, 1, 2);
        const std::string rowName = std::string(rowPrefix) + std::to_string(i);
        if (i < static_cast<int>(rows.size()))
            grid->addWidget(makeLabel(ctx, rowName.c_str(), rows[static_cast<std::size_t>(i)]),
                            line, 0);
        FormLabel* value = makeLabel(ctx, name, *label);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(value, line++, 1);
        ++i;
    }
    grid->setColumnStretch(0, 1);

    auto* page = new QVBoxLayout;
    page->addLayout(grid);
    page->addStretch(1);
    page->addLayout(hbox({nullptr, makeButton(ctx, resetName, reset, std::move(onReset))}));
    return pageOf(page);
}

// " Месячный лимит " of the entry: time and traffic limits, the share warned at, the hang-up. (The
// month's use shows on the page "График".)
QGroupBox* quotaGroup(PageContext& ctx) {
    QuotaGroup& q = ctx.f.quota;
    const auto changed = VELMOR_ON(ctx, QuotaChanged);
    QGroupBox* box = makeGroup(ctx, "QuotaBox", q.QuotaBox);
    QSpinBox* hours = makeSpin(ctx, "QuotaHours", q.QuotaHours, changed);
    QSpinBox* megabytes = makeSpin(ctx, "QuotaMegabytes", q.QuotaMegabytes, changed);
    QSpinBox* share = makeSpin(ctx, "QuotaShare", q.QuotaShare, changed);
    hours->setFixedWidth(52);
    megabytes->setFixedWidth(78);
    share->setFixedWidth(46);
    auto* layout = new QVBoxLayout(box);
    compact(layout);
    layout->setSpacing(3);
    layout->addLayout(
        hbox({makeCheck(ctx, "QuotaTimeCheck", q.QuotaTimeCheck, changed), hours,
              makeLabel(ctx, "QuotaHoursUnit", q.QuotaHoursUnit), nullptr,
              makeCheck(ctx, "QuotaTrafficCheck", q.QuotaTrafficCheck, changed), megabytes,
              makeLabel(ctx, "QuotaMegabytesUnit", q.QuotaMegabytesUnit)}));
    layout->addLayout(hbox({makeLabel(ctx, "QuotaShareLabel", q.QuotaShareLabel), share,
                            makeLabel(ctx, "QuotaShareUnit", q.QuotaShareUnit), nullptr,
                            makeCheck(ctx, "QuotaHangUpCheck", q.QuotaHangUpCheck, changed)}));
    return box;
}

}  // namespace

QWidget* buildTimeStatsPage(PageContext& ctx) {
    TimeStatsPage& p = ctx.f.timeStats;
    return statisticsPage(ctx, "TimeRowLabel", p.RowLabels,
                          {{"TotalAllLabel", &p.TotalAllLabel},
                           {"TodayAllLabel", &p.TodayAllLabel},
                           {"InInternetMonthLabel", &p.InInternetMonthLabel},
                           {"InInternetLastMonthLabel", &p.InInternetLastMonthLabel},
                           {"InCurrentAllLabel", &p.InCurrentAllLabel},
                           {"InInternetCurrentMonthLabel", &p.InInternetCurrentMonthLabel},
                           {"InInternetCurrentLastMonthLabel", &p.InInternetCurrentLastMonthLabel},
                           {"InCurrentLastLabel", &p.InCurrentLastLabel}},
                          "SpeedButton1", p.SpeedButton1, VELMOR_ON(ctx, SpeedButton1Click));
}

QWidget* buildTrafficStatsPage(PageContext& ctx) {
    TrafficStatsPage& p = ctx.f.trafficStats;
    return statisticsPage(ctx, "TrafficRowLabel", p.RowLabels,
                          {{"TrafficAllLabel", &p.TrafficAllLabel},
                           {"TrafficMonthLabel", &p.TrafficMonthLabel},
                           {"TrafficTodayLabel", &p.TrafficTodayLabel},
                           {"TrafficLastMonthLabel", &p.TrafficLastMonthLabel},
                           {"TrafficCurrentLabel", &p.TrafficCurrentLabel},
                           {"TrafficCurrentMonthLabel", &p.TrafficCurrentMonthLabel},
                           {"TrafficCurrentLastMonthLabel", &p.TrafficCurrentLastMonthLabel},
                           {"TrafficLastLabel", &p.TrafficLastLabel}},
                          "SpeedButton2", p.SpeedButton2, VELMOR_ON(ctx, SpeedButton2Click),
                          QStringLiteral("Мб"));
}

QWidget* buildMoneyStatsPage(PageContext& ctx) {
    MoneyStatsPage& p = ctx.f.moneyStats;
    return statisticsPage(ctx, "MoneyRowLabel", p.RowLabels,
                          {{"DengiAllLabel", &p.DengiAllLabel},
                           {"DengiMonthLabel", &p.DengiMonthLabel},
                           {"DengiLastMonthLabel", &p.DengiLastMonthLabel},
                           {"DengiTodayLabel", &p.DengiTodayLabel},
                           {"DengiCurrentAllLabel", &p.DengiCurrentAllLabel},
                           {"DengiCurrentMonthLabel", &p.DengiCurrentMonthLabel},
                           {"DengiCurrentLastMonthLabel", &p.DengiCurrentLastMonthLabel},
                           {"DengiLastLabel", &p.DengiLastLabel}},
                          "SpeedButton3", p.SpeedButton3, VELMOR_ON(ctx, SpeedButton3Click));
}

QWidget* buildTariffPage(PageContext& ctx) {
    TariffPage& p = ctx.f.tariffs;

    auto* count = new QGroupBox;
    count->setObjectName(QStringLiteral("tariffcount"));
    std::vector<QRadioButton*> choices;
    auto* countLayout = new QHBoxLayout(count);
    compact(countLayout);
    for (int i = 0; i < 3; ++i) {
        auto* choice = new QRadioButton;
        choice->setObjectName(QStringLiteral("tariffcount%1").arg(i));
        choices.push_back(choice);
        countLayout->addWidget(choice);
    }
    countLayout->addStretch(1);
    ctx.b.radioGroup(count, choices, p.tariffcount, VELMOR_ON(ctx, tariffcountClick));

    // Rows "С <from> по <to> <price> д.е.", under the heads "исключая", "включая", "цена часа".
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    grid->addWidget(makeLabel(ctx, "FromHead", p.FromHead), 0, 1, Qt::AlignCenter);
    grid->addWidget(makeLabel(ctx, "ToHead", p.ToHead), 0, 3, Qt::AlignCenter);
    grid->addWidget(makeLabel(ctx, "PriceHead", p.PriceHead), 0, 4, Qt::AlignCenter);
    struct Row {
        const char* from;
        SpinEdit& fromEdit;
        Binder::Handler onFrom;
        const char* to;
        SpinEdit& toEdit;
        const char* price;
        NumberEdit& priceEdit;
    };
    FormHandlers& h = ctx.h;
    Row rows[3] = {
        {"time1", p.time1, [&h] { h.time1Change(); }, "SpinEdit2", p.SpinEdit2, "tariff1",
         p.tariff1},
        {"time2", p.time2, [&h] { h.time2Change(); }, "SpinEdit4", p.SpinEdit4, "tariff2",
         p.tariff2},
        {"time3", p.time3, [&h] { h.time3Change(); }, "SpinEdit6", p.SpinEdit6, "tariff3",
         p.tariff3},
    };
    for (int r = 0; r < 3; ++r) {
        Row& row = rows[r];
        const int line = r + 1;
        const auto rowLabel = [&](int column) {
            const std::size_t i = static_cast<std::size_t>(3 * r + column);
            const std::string name = "TariffRowLabel" + std::to_string(i);
            return makeLabel(ctx, name.c_str(), p.RowLabels[i]);
        };
        QSpinBox* from = makeSpin(ctx, row.from, row.fromEdit, row.onFrom);
        QSpinBox* to = makeSpin(ctx, row.to, row.toEdit);
        NumberLineEdit* price = makeNumberEdit(ctx, row.price, row.priceEdit,
                                               [&h, &e = row.priceEdit] { h.tariffExit(e); });
        from->setFixedWidth(52);
        to->setFixedWidth(52);
        price->setFixedWidth(80);
        grid->addWidget(rowLabel(0), line, 0, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(from, line, 1);
        grid->addWidget(rowLabel(1), line, 2, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(to, line, 3);
        grid->addWidget(price, line, 4);
        grid->addWidget(rowLabel(2), line, 5);
    }
    grid->setColumnStretch(6, 1);

    auto* page = new QVBoxLayout;
    page->setSpacing(4);
    page->addWidget(makeLabel(ctx, "HeadLabel", p.HeadLabel), 0, Qt::AlignHCenter);
    page->addWidget(count);
    page->addLayout(grid);
    page->addStretch(1);
    page->addWidget(quotaGroup(ctx));
    return pageOf(page);
}

}  // namespace velmor
