// The about box: the product, its version, the home page, and the update check on request.
#pragma once

#include <functional>
#include <string>

#include "desktop/download.h"
#include "form/user_interface.h"

namespace velmor {

class TAboutBox {
  public:
    TAboutBox(EventLoop& loop, UserInterface& ui, std::string homePage, std::string programDir);

    const std::string Caption = "О программе";
    const std::string Product = "Velmor";
    const std::string Version = "0.97";
    const std::string UpdateHint = "Проверить наличие на сервере новой версии";
    std::string Button2Caption = "Обновить";
    const std::string& homePage() const { return homePage_; }

    // "Обновить" starts the check; while it runs the button reads "Прервать" and stops it.
    void Button2Click();
    // The link label.
    void LinkClick();

    TDownload Download;
    // The button's caption changed outside a click (a download ended): the dialog redraws.
    std::function<void()> onChanged;

  private:
    void DownloadDoneFile(const std::string& fileName, std::int64_t size);
    // The check ended without a usable answer: the failure text, and the button back.
    void failed();

    UserInterface& ui_;
    std::string homePage_;
    std::string programDir_;
};

}  // namespace velmor
