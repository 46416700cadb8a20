#include "ui/qt_user_interface.h"

#include "ui/about_dialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>
#include <algorithm>

#include "app/exit_dialog.h"
#include "app/lock_dialog.h"
#include "dialing/list_dialogs.h"
#include "form/form_model.h"
#include "platform/paths.h"
#include "platform/phonebook.h"
#include "ui/app_window.h"
#include "ui/binder.h"
#include "ui/entry_dialog.h"
#include "ui/exit_dialog_window.h"
#include "ui/file_chooser.h"
#include "ui/icons.h"
#include "ui/lock_dialog_window.h"
#include "ui/login_dialog_window.h"
#include "ui/phone_dialog.h"
#include "ui/program_dialog_window.h"

namespace velmor {
namespace {

// Swallows the tool-tip events of the whole application while hints are off.
class HintFilter : public QObject {
  public:
    explicit HintFilter(const bool& on) : on_(on) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!on_ && event->type() == QEvent::ToolTip) return true;
        return QObject::eventFilter(watched, event);
    }

  private:
    const bool& on_;
};

QMessageBox::Icon iconOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::Error:
            return QMessageBox::Critical;
        case MessageKind::Information:
            return QMessageBox::Information;
        case MessageKind::Warning:
            return QMessageBox::Warning;
        case MessageKind::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QtUserInterface::QtUserInterface(QString programDirectory)
    : programDir_(programDirectory.isEmpty() ? QCoreApplication::applicationDirPath()
                                             : std::move(programDirectory)),
      open_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    if (qApp) {
        hintFilter_ = new HintFilter(hintsOn_);
        qApp->installEventFilter(hintFilter_);
        // The title of the application; its windows without an icon of their own show this one.
        QCoreApplication::setApplicationName(QString::fromUtf8(kProgramTitle));
        if (QApplication::windowIcon().isNull()) QApplication::setWindowIcon(applicationIcon());
    }
}

QtUserInterface::~QtUserInterface() {
    if (hintFilter_) {
        if (qApp) qApp->removeEventFilter(hintFilter_);
        delete hintFilter_;
    }
}

void QtUserInterface::setMainWindow(AppWindow* window) {
    window_ = window;
    widget_ = window ? window->widget() : nullptr;
}

QWidget* QtUserInterface::dialogParent() const {
    // Over the dialog that is up (a message from the lock dialog), else over the main window.
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return widget_ && widget_->isVisible() ? widget_.data() : nullptr;
}

MessageResult QtUserInterface::messageBox(MessageKind kind, MessageButtons buttons,
                                          const std::string& text) {
    QMessageBox box(dialogParent());
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setWindowTitle(QString::fromUtf8(kProgramTitle));
    box.setTextFormat(Qt::PlainText);
    box.setText(qs(text));
    box.setIcon(iconOf(kind));
    // The buttons in the order shown; the first is the default one.
    struct Choice {
        QMessageBox::StandardButton button;
        const char* text;
        MessageResult result;
    };
    std::vector<Choice> choices;
    switch (buttons) {
        case MessageButtons::Ok:
            choices = {{QMessageBox::Ok, "OK", MessageResult::Ok}};
            break;
        case MessageButtons::OkIgnore:
            choices = {{QMessageBox::Ok, "OK", MessageResult::Ok},
                       {QMessageBox::Ignore, "Ignore", MessageResult::Ignore}};
            break;
        case MessageButtons::YesNo:
            choices = {{QMessageBox::Yes, "Да", MessageResult::Yes},
                       {QMessageBox::No, "Нет", MessageResult::No}};
            break;
        case MessageButtons::CancelIgnore:
            choices = {{QMessageBox::Cancel, "Отмена", MessageResult::Cancel},
                       {QMessageBox::Ignore, "Ignore", MessageResult::Ignore}};
            break;
    }
    QMessageBox::StandardButtons standard;
    for (const Choice& c : choices)
        standard |= c.button;
    box.setStandardButtons(standard);
    for (const Choice& c : choices)
        box.button(c.button)->setText(QString::fromUtf8(c.text));
    box.setDefaultButton(choices.front().button);
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (const Choice& c : choices) {
        if (c.button == pressed) return c.result;
    }
    return MessageResult::None;
}

void QtUserInterface::showLockDialog(TForm6& dialog) {
    LockDialogWindow window(dialog, *this, dialogParent());
    window.exec();
}

void QtUserInterface::showExitDialog(TForm7& dialog) {
    ExitDialogWindow::run(dialog, widget_.data());
}

bool QtUserInterface::editPhonebookEntry(PhonebookEntry& entry, bool creating) {
    EntryDialog window(entry, creating, dialogParent());
    if (window.exec() != QDialog::Accepted) return false;
    entry = window.result();
    return true;
}

void QtUserInterface::showAboutBox(TAboutBox& box) {
    AboutDialog window(box, dialogParent());
    window.exec();
}

void QtUserInterface::openUrl(const std::string& address) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void QtUserInterface::minimizeApplication() {
    minimized_ = true;
    if (AppWindow* w = mainWindow()) w->minimizeApplication();
}

void QtUserInterface::restoreApplication() {
    minimized_ = false;
    if (AppWindow* w = mainWindow()) w->restoreApplication();
}

bool QtUserInterface::taskbarButtonHideable() const {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool QtUserInterface::applicationMinimized() const {
    AppWindow* w = mainWindow();
    return w ? w->model().window.minimized : minimized_;
}

void QtUserInterface::bringToFront() {
    if (!widget_ || !widget_->isVisible()) return;
    widget_->raise();
    widget_->activateWindow();
}

void QtUserInterface::setHintsEnabled(bool on) {
    hintsOn_ = on;
    if (!on) QToolTip::hideText();
}

QString QtUserInterface::helpPage(const std::string& topic) const {
    const QString name = qs(topic);
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.startsWith(QLatin1Char('.')))
        return {};
    const QDir dir(programDir_);
    // Beside the program, or in the source tree of a build directory (build/bin); where neither
    // has a help folder, in the data folder of the installed program.
    QStringList folders;
    for (const char* folder : {"help", "../help", "../../help"})
        folders << dir.filePath(QLatin1String(folder));
    if (std::none_of(folders.begin(), folders.end(),
                     [](const QString& f) { return QFileInfo(f).isDir(); })) {
        const std::string data = installedDataDirectory(programDir_.toStdString());
        if (!data.empty()) folders << QString::fromStdString(data) + QStringLiteral("help");
    }
    for (const QString& folder : folders) {
        const QFileInfo page(folder + QLatin1Char('/') + name + QStringLiteral(".htm"));
        if (page.isFile()) return page.canonicalFilePath();
    }
    return {};
}

void QtUserInterface::showHelp(const std::string& topic) {
    const QString page = helpPage(topic);
    if (!page.isEmpty() && open_) open_(QUrl::fromLocalFile(page));
}

void QtUserInterface::showPhoneDialog(TForm2& dialog) {
    PhoneDialogWindow window(dialog, dialogParent());
    window.exec();
}

void QtUserInterface::showLoginDialog(LoginDialog& dialog) {
    // The money is typed with the separators the window shows numbers with.
    AppWindow* w = mainWindow();
    const LocaleFormat locale = w ? w->model().locale : LocaleFormat::fromSystem();
    LoginDialogWindow window(dialog, locale, dialogParent());
    window.exec();
}

void QtUserInterface::terminate() {
    terminate_ = true;
    // Once the running handler has returned.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
}

void QtUserInterface::refresh() {
    if (AppWindow* w = mainWindow()) w->refresh();
}

std::optional<std::string> QtUserInterface::chooseFile(const std::string& filter) {
    return chooseExistingFile(dialogParent(), filter);
}

void QtUserInterface::showProgramDialog(TForm8& dialog) {
    ProgramDialogWindow window(dialog, *this, dialogParent());
    window.exec();
}

}  // namespace velmor
