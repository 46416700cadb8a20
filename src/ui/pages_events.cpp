// The inner pages of "События": the connect and loss sounds, and the programs started with a
// connection.
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>

#include "ui/icons.h"
#include "ui/list_views.h"
#include "ui/pages.h"

namespace velmor {
namespace {

QGroupBox* soundGroup(PageContext& ctx, const char* groupName, GroupBox& group,
                      const char* checkName, CheckBox& check, const char* editName, Edit& edit,
                      const char* openName, Button& open, Binder::Handler onOpen,
                      const char* testName, Button& test, Binder::Handler onTest) {
    QGroupBox* box = makeGroup(ctx, groupName, group);
    auto* layout = new QVBoxLayout(box);
    compact(layout);
    layout->addWidget(makeCheck(ctx, checkName, check));
    layout->addLayout(
        hbox({makeEdit(ctx, editName, edit), makeButton(ctx, openName, open, std::move(onOpen)),
              makeButton(ctx, testName, test, std::move(onTest))}));
    return box;
}

}  // namespace

QWidget* buildSoundsPage(PageContext& ctx) {
    SoundsPage& p = ctx.f.sounds;
    auto* page = new QVBoxLayout;
    page->setSpacing(8);
    page->addWidget(makeHeading(ctx, "HeadLabel", p.HeadLabel));
    page->addWidget(soundGroup(ctx, "ConnGroup", p.ConnGroup, "ConnCheck", p.ConnCheck, "ConnEdit",
                               p.ConnEdit, "Button6", p.Button6, VELMOR_ON(ctx, Button6Click),
                               "Button7", p.Button7, VELMOR_ON(ctx, Button7Click)));
    page->addWidget(soundGroup(ctx, "DisconnGroup", p.DisconnGroup, "DisconnCheck", p.DisconnCheck,
                               "DisconnEdit", p.DisconnEdit, "Button9", p.Button9,
                               VELMOR_ON(ctx, Button9Click), "Button8", p.Button8,
                               VELMOR_ON(ctx, Button8Click)));
    page->addStretch(1);
    return pageOf(page);
}

QWidget* buildAppsPage(PageContext& ctx) {
    AppsPage& p = ctx.f.apps;
    MainForm& f = ctx.f;
    auto* programs = new ReportList(ctx.b, p.capplist, [&f] {
        std::vector<ListRow> rows;
        for (const AppEntry& app : f.programs)
            rows.push_back({{qs(app.description)}, std::nullopt, app.checked});
        return rows;
    });
    programs->setObjectName(QStringLiteral("capplist"));
    programs->onDoubleClick(VELMOR_ON(ctx, BitBtn10Click));
    programs->onCheck([&h = ctx.h](int row, bool checked) { h.capplistChange(row, checked); });

    auto* page = new QVBoxLayout;
    page->setSpacing(4);
    page->addWidget(makeHeading(ctx, "HeadLabel1", p.HeadLabel1));
    page->addWidget(makeLabel(ctx, "HeadLabel2", p.HeadLabel2), 0, Qt::AlignHCenter);
    page->addWidget(programs, 1);
    QPushButton* add = makeButton(ctx, "BitBtn9", p.BitBtn9, VELMOR_ON(ctx, BitBtn9Click));
    QPushButton* edit = makeButton(ctx, "BitBtn10", p.BitBtn10, VELMOR_ON(ctx, BitBtn10Click));
    QPushButton* remove = makeButton(ctx, "BitBtn14", p.BitBtn14, VELMOR_ON(ctx, BitBtn14Click));
    add->setIcon(resourceIcon(QStringLiteral("add")));
    edit->setIcon(resourceIcon(QStringLiteral("edit")));
    remove->setIcon(resourceIcon(QStringLiteral("delete")));
    page->addLayout(hbox({add, edit, remove, nullptr}));
    return pageOf(page);
}

}  // namespace velmor
