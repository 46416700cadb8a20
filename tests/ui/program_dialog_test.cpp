// The launched-program dialog window and the file dialog's filters.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractProxyModel>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <fstream>

#include "automation/program_dialog.h"
#include "automation/sound_notifications.h"
#include "ui/file_chooser.h"
#include "ui/program_dialog_window.h"
#include "ui_test_support.h"
#include "unit/scripted_ui.h"

namespace velmor::test {

TEST(FileChooser, ProgramsAreExecutableFilesOnThisSystem) {
    int programs = -2;
    EXPECT_EQ(
        qtNameFilters(kProgramFilter, &programs),
        (QStringList{QStringLiteral("Выполняемые файлы (*)"), QStringLiteral("Все файлы (*)")}));
    EXPECT_EQ(programs, 0);
    EXPECT_EQ(qtNameFilters(kSoundFilter, &programs),
              QStringList{QStringLiteral("Звуковые файлы (*.wav)")});
    EXPECT_EQ(programs, -1);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = dir.filePath(QStringLiteral("программа"));
    const QString text = dir.filePath(QStringLiteral("readme.txt"));
    std::ofstream(program.toStdString()) << "#!/bin/sh\n";
    std::ofstream(text.toStdString()) << "text\n";
    ::chmod(program.toLocal8Bit().constData(), 0755);
    ::chmod(text.toLocal8Bit().constData(), 0644);

    QFileDialog dialog;
    prepareFileDialog(dialog, kProgramFilter);
    dialog.setDirectory(dir.path());
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
    auto* proxy = dialog.proxyModel();
    ASSERT_NE(proxy, nullptr);
    auto* files = qobject_cast<QFileSystemModel*>(proxy->sourceModel());
    ASSERT_NE(files, nullptr);
    auto shownNames = [&] {
        QStringList names;
        const QModelIndex root = proxy->mapFromSource(files->index(dir.path()));
        for (int i = 0; i < proxy->rowCount(root); ++i)
            names << proxy->index(i, 0, root).data().toString();
        names.sort();
        return names;
    };
    auto settle = [&](int count) {
        QElapsedTimer t;
        t.start();
        while (shownNames().size() != count && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    };
    settle(1);
    EXPECT_EQ(shownNames(), QStringList{QStringLiteral("программа")});
    dialog.selectNameFilter(QStringLiteral("Все файлы (*)"));
    emit dialog.filterSelected(QStringLiteral("Все файлы (*)"));
    settle(2);
    EXPECT_EQ(shownNames(),
              (QStringList{QStringLiteral("readme.txt"), QStringLiteral("программа")}));
}

TEST(ProgramDialogWindow, ShowsTheFieldsBrowsesAndRefusesAnOpenQuote) {
    ScriptedUI ui;
    TForm8 form;
    AppEntry app;
    app.path = "/opt/a/prog";
    app.titlePart = "Прог";
    app.params = "-x";
    app.runMethod = 1;
    app.restart = true;
    app.mustKill = false;
    form.fill(app);
    ProgramDialogWindow window(form, ui);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Добавить приложение"));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("NoteLabel")), nullptr);
    form.Note = kX11WindowsOnly;
    ProgramDialogWindow noted(form, ui);
    EXPECT_EQ(child<QLabel>(&noted, "NoteLabel")->text().toStdString(), kX11WindowsOnly);
    EXPECT_EQ(child<QLineEdit>(&window, "Edit2")->text(), QStringLiteral("/opt/a/prog"));
    EXPECT_EQ(child<QLineEdit>(&window, "Edit3")->text(), QStringLiteral("Прог"));
    EXPECT_TRUE(child<QRadioButton>(&window, "RunMethod1")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(&window, "CheckBox1")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(&window, "CheckBox2")->isChecked());
    EXPECT_EQ(child<QCheckBox>(&window, "CheckBox2")->text(),
              QStringLiteral("Завершать работу после отсоединения \"вручную\""));

    // "Обзор" takes the chosen file, and its name as the empty description.
    ui.fileChooser = [](const std::string&) {
        return std::optional<std::string>("/usr/local/bin/клиент");
    };
    child<QPushButton>(&window, "Button1")->click();
    EXPECT_EQ(child<QLineEdit>(&window, "Edit2")->text(), QStringLiteral("/usr/local/bin/клиент"));
    EXPECT_EQ(child<QLineEdit>(&window, "Edit1")->text(), QStringLiteral("клиент"));
    EXPECT_EQ(ui.fileFilters.back(), kProgramFilter);

    child<QLineEdit>(&window, "Edit4")->setText(QStringLiteral("--name \"open"));
    child<QRadioButton>(&window, "RunMethod2")->setChecked(true);
    child<QPushButton>(&window, "OkButton")->click();
    EXPECT_FALSE(form.accepted());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "В параметрах запуска не закрыта кавычка.");
    child<QLineEdit>(&window, "Edit4")->setText(QStringLiteral("--name \"closed\""));
    child<QPushButton>(&window, "OkButton")->click();
    EXPECT_TRUE(form.accepted());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    const AppEntry result = form.result();
    EXPECT_EQ(result.path, "/usr/local/bin/клиент");
    EXPECT_EQ(result.params, "--name \"closed\"");
    EXPECT_EQ(result.runMethod, 2);
    EXPECT_TRUE(result.restart);
    EXPECT_FALSE(result.mustKill);
}

}  // namespace velmor::test
