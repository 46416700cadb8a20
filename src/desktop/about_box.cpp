#include "desktop/about_box.h"

#include <cstdio>

namespace velmor {

TAboutBox::TAboutBox(EventLoop& loop, UserInterface& ui, std::string homePage,
                     std::string programDir)
    : Download(loop), ui_(ui), homePage_(std::move(homePage)), programDir_(std::move(programDir)) {
    Download.URL = homePage_ + "/update.inf";
    Download.OnDoneFile = [this](const std::string& name, std::int64_t size) {
        DownloadDoneFile(name, size);
    };
    // A check that failed (no answer within the time limit, no connection) says so, unless the
    // user stopped it and has been told already.
    Download.OnError = [this] {
        if (Button2Caption != "Прервать") return;
        failed();
    };
}

void TAboutBox::failed() {
    ui_.messageBox(MessageKind::Error, MessageButtons::Ok,
                   "Ошибка. Проверьте подключение к Интернету и повторите попытку.");
    Button2Caption = "Обновить";
    if (onChanged) onChanged();
}

void TAboutBox::Button2Click() {
    if (Button2Caption == "Обновить") {
        Button2Caption = "Прервать";
        Download.FileName = programDir_ + "update.inf";
        Download.GetFile();
    } else {
        Button2Caption = "Обновить";
        Download.AbortDownload();
        ui_.messageBox(MessageKind::Error, MessageButtons::Ok, "Ошибка. Прервано пользователем.");
    }
}

void TAboutBox::LinkClick() {
    ui_.openUrl(homePage_);
}

void TAboutBox::DownloadDoneFile(const std::string& /*fileName*/, std::int64_t size) {
    const std::string path = programDir_ + "update.inf";
    std::string line;
    // Exactly the four characters of a version, and a version they must be (not the first bytes
    // of an error page).
    if (size != 4 || !takeFirstLine(path, line) || !looksLikeVersion(line)) {
        std::remove(path.c_str());
        failed();
        return;
    }
    if (isNewerVersion(line)) {
        if (ui_.messageBox(MessageKind::Question, MessageButtons::YesNo,
                           "Найдена новая версия (" + line + ") Открыть сайт программы?") ==
            MessageResult::Yes) {
            ui_.openUrl(homePage_);
        }
    } else {
        ui_.messageBox(MessageKind::Information, MessageButtons::Ok, "У Вас уже последняя версия");
    }
    Button2Caption = "Обновить";
    if (onChanged) onChanged();
}

}  // namespace velmor
