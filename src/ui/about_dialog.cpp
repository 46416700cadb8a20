#include "ui/about_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/about_box.h"

namespace velmor {

AboutDialog::AboutDialog(TAboutBox& box, QWidget* parent) : QDialog(parent), box_(box) {
    setObjectName("AboutBox");
    setWindowTitle(QString::fromStdString(box.Caption));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(48, 48));
    head->addWidget(icon);
    auto* title = new QLabel(
        QString("<b>%1</b><br>Версия %2")
            .arg(QString::fromStdString(box.Product), QString::fromStdString(box.Version)),
        this);
    head->addWidget(title, 1);
    layout->addLayout(head);
    layout->addWidget(new QLabel("Программа дозвона и учёта подключений к Интернету", this));
    auto* link = new QLabel(
        QString("<a href=\"%1\">%1</a>").arg(QString::fromStdString(box.homePage())), this);
    link->setObjectName("HomePageLink");
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(link, &QLabel::linkActivated, this, [this] { box_.LinkClick(); });
    layout->addWidget(link);
    auto* buttons = new QHBoxLayout;
    update_ = new QPushButton(this);
    update_->setObjectName("Button2");
    update_->setToolTip(QString::fromStdString(box.UpdateHint));
    connect(update_, &QPushButton::clicked, this, [this] {
        box_.Button2Click();
        redraw();
    });
    auto* close = new QPushButton("Закрыть", this);
    close->setObjectName("CloseButton");
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(update_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    box_.onChanged = [this] { redraw(); };
    redraw();
}

AboutDialog::~AboutDialog() {
    box_.onChanged = nullptr;
}

void AboutDialog::redraw() {
    update_->setText(QString::fromStdString(box_.Button2Caption));
}

}  // namespace velmor
