// The page "Соединение": the entry selector, the phone and login lists, the dial button, the
// state lines and the lock button.
#include <QGridLayout>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "form/number_text.h"
#include "ui/icons.h"
#include "ui/list_views.h"
#include "ui/pages.h"

namespace velmor {
namespace {

QVBoxLayout* buttonColumn(std::initializer_list<QWidget*> buttons) {
    QVBoxLayout* l = vbox(buttons, 2);
    l->addStretch(1);
    return l;
}

// The lock button with its glyph and its pop-up menu "Сменить пароль".
QToolButton* lockButton(PageContext& ctx) {
    ConnectionPage& p = ctx.f.conn;
    QToolButton* lock = makeGlyphButton(ctx, "BitLock", p.BitLock, QStringLiteral("lock"),
                                        VELMOR_ON(ctx, BitLockClick));
    lock->setIconSize(QSize(20, 20));
    lock->setFixedSize(30, 30);
    ctx.b.onRefresh([lock, &p] { lock->setIcon(lockGlyph(p.BitLockGlyph)); });

    auto* menu = new QMenu(lock);
    menu->setObjectName(QStringLiteral("PopupChangePass"));
    QAction* n1 = menu->addAction(QString());
    n1->setObjectName(QStringLiteral("N1"));
    ctx.b.menuItem(n1, p.N1, VELMOR_ON(ctx, N1Click));
    lock->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(lock, &QWidget::customContextMenuRequested, lock,
                     [&b = ctx.b, &h = ctx.h, lock, menu](const QPoint& at) {
                         b.run([&h] { h.PopupChangePassPopup(); });
                         menu->exec(lock->mapToGlobal(at));
                     });
    return lock;
}

}  // namespace

QWidget* buildConnectionPage(PageContext& ctx) {
    ConnectionPage& p = ctx.f.conn;
    MainForm& f = ctx.f;

    // The entry selector and its three buttons.
    auto* combo = new DropDownCombo;
    combo->setObjectName(QStringLiteral("ComboBox1"));
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(10);
    ctx.b.comboBox(combo, p.ComboBox1, VELMOR_ON(ctx, ComboBox1Change));
    QObject::connect(combo, &DropDownCombo::aboutToDropDown, combo,
                     [&b = ctx.b, &h = ctx.h] { b.run([&h] { h.ComboBox1DropDown(); }); });
    auto* entryRow =
        hbox({combo,
              makeGlyphButton(ctx, "BitBtn6", p.BitBtn6, QStringLiteral("entry_create"),
                              VELMOR_ON(ctx, BitBtn6Click)),
              makeGlyphButton(ctx, "BitBtn8", p.BitBtn8, QStringLiteral("entry_edit"),
                              VELMOR_ON(ctx, BitBtn8Click)),
              makeGlyphButton(ctx, "BitBtn7", p.BitBtn7, QStringLiteral("entry_delete"),
                              VELMOR_ON(ctx, BitBtn7Click))},
             2);
    entryRow->setStretch(0, 1);

    // The phone list and its buttons.
    auto* phones = new ReportList(ctx.b, p.ListView1, [&f] {
        std::vector<ListRow> rows;
        for (const PhoneItem& item : f.phones)
            rows.push_back({{qs(item.number)}, item.mark, std::nullopt});
        return rows;
    });
    phones->setObjectName(QStringLiteral("ListView1"));
    phones->onDoubleClick(VELMOR_ON(ctx, ListView1DblClick));
    phones->enableReorder(QStringLiteral("TimerScrollPhone"),
                          [&h = ctx.h](int from, int to) { h.ListDrop(false, from, to); });

    // The login list: login and the money on the account with two decimals.
    auto* logins = new ReportList(ctx.b, p.ListView2, [&f] {
        std::vector<ListRow> rows;
        for (const LoginItem& item : f.logins) {
            const double money = parseReal(item.money).value_or(0);
            rows.push_back({{qs(item.login), qs(formatFixed(money, 2, f.locale.decimalSeparator))},
                            item.mark,
                            std::nullopt});
        }
        return rows;
    });
    logins->setObjectName(QStringLiteral("ListView2"));
    logins->setColumnAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    logins->onDoubleClick(VELMOR_ON(ctx, ListView2DblClick));
    logins->enableReorder(QStringLiteral("TimerScrollLogin"),
                          [&h = ctx.h](int from, int to) { h.ListDrop(true, from, to); });

    auto* lists = new QHBoxLayout;
    lists->setSpacing(2);
    lists->addWidget(phones, 1);
    lists->addLayout(
        buttonColumn({makeGlyphButton(ctx, "BitBtn1", p.BitBtn1, QStringLiteral("add"),
                                      VELMOR_ON(ctx, BitBtn1Click)),
                      makeGlyphButton(ctx, "BitBtn2", p.BitBtn2, QStringLiteral("delete"),
                                      VELMOR_ON(ctx, BitBtn2Click)),
                      makeGlyphButton(ctx, "BitBtn4", p.BitBtn4, QStringLiteral("exclude"),
                                      VELMOR_ON(ctx, BitBtn4Click)),
                      makeGlyphButton(ctx, "BitBtn3", p.BitBtn3, QStringLiteral("edit"),
                                      VELMOR_ON(ctx, BitBtn3Click))}));
    lists->addSpacing(6);
    lists->addWidget(logins, 1);
    lists->addLayout(
        buttonColumn({makeGlyphButton(ctx, "BitBtn11", p.BitBtn11, QStringLiteral("add"),
                                      VELMOR_ON(ctx, BitBtn11Click)),
                      makeGlyphButton(ctx, "BitBtn12", p.BitBtn12, QStringLiteral("delete"),
                                      VELMOR_ON(ctx, BitBtn12Click)),
                      makeGlyphButton(ctx, "BitBtn5", p.BitBtn5, QStringLiteral("exclude"),
                                      VELMOR_ON(ctx, BitBtn5Click)),
                      makeGlyphButton(ctx, "BitBtn13", p.BitBtn13, QStringLiteral("edit"),
                                      VELMOR_ON(ctx, BitBtn13Click))}));

    // The dial button and the lock.
    QPushButton* dial = makeButton(ctx, "Button1", p.Button1, VELMOR_ON(ctx, Button1Click));
    dial->setMinimumHeight(30);
    QFont bold = dial->font();
    bold.setBold(true);
    dial->setFont(bold);
    auto* dialRow = hbox({dial, lockButton(ctx)}, 6);
    dialRow->setStretch(0, 1);

    // The state lines.
    auto* state = new QGridLayout;
    state->setHorizontalSpacing(6);
    state->setVerticalSpacing(2);
    FormLabel* label2 = makeLabel(ctx, "Label2", p.Label2);
    FormLabel* label4 = makeLabel(ctx, "Label4", p.Label4);
    FormLabel* label6 = makeLabel(ctx, "Label6", p.Label6);
    QObject::connect(label6, &FormLabel::doubleClicked, label6,
                     [&b = ctx.b, &h = ctx.h] { b.run([&h] { h.Label6DblClick(); }); });
    for (FormLabel* l : {label2, label4, label6})
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // long texts are cut
    state->addWidget(makeLabel(ctx, "Label1", p.Label1), 0, 0);
    state->addWidget(label2, 0, 1);
    state->addWidget(makeLabel(ctx, "Label3", p.Label3), 1, 0);
    state->addWidget(label4, 1, 1);
    state->addWidget(makeLabel(ctx, "Label5", p.Label5), 2, 0);
    state->addWidget(label6, 2, 1);
    state->setColumnStretch(1, 1);

    auto* page = new QVBoxLayout;
    page->setSpacing(6);
    page->addLayout(entryRow);
    page->addLayout(lists, 1);
    page->addLayout(dialRow);
    page->addLayout(state);
    return pageOf(page);
}

}  // namespace velmor
