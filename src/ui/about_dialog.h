// The about box window: product, version, home page link and the update check button.
#pragma once

#include <QDialog>

class QPushButton;

namespace velmor {

class TAboutBox;

class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    AboutDialog(TAboutBox& box, QWidget* parent);
    ~AboutDialog() override;

    QPushButton* updateButton() const { return update_; }

  private:
    void redraw();

    TAboutBox& box_;
    QPushButton* update_ = nullptr;
};

}  // namespace velmor
