// A whole program on virtual time: the main window over a temporary program directory and
// phonebook.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/tform1.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "platform/virtual_loop.h"
#include "ras_test_support.h"
#include "scripted_ui.h"

namespace velmor::test {

// One program run over a program directory and a phonebook.
struct Program {
    Program(VirtualLoop& loop, const std::string& dir, const std::string& phonebook,
            bool rasAvailable = true)
        : ras(rasAvailable ? ras::makePhonebookService(loop, phonebook)
                           : ras::makeUnavailableService()),
          form(loop, *ras, ui, dir + "/", LocaleFormat::russian()) {}

    void start() {
        form.FormCreate("");
        form.FormShow();
    }

    ScriptedUI ui;
    std::unique_ptr<ras::RasService> ras;
    TForm1 form;
};

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        loop_.setLocalDateTime({2026, 12, 7, 0, 30, 15, 0});
        book_ = dir_.file("phonebook.ini");
    }
    std::string ini() const { return dir_.file("Velmor.ini"); }
    std::string log() const { return cp1251ToUtf8(readFile(dir_.file("Velmor.log"))); }
    std::unique_ptr<Program> program(bool rasAvailable = true) {
        return std::make_unique<Program>(loop_, dirPath(), book_, rasAvailable);
    }
    std::string dirPath() const { return std::filesystem::path(ini()).parent_path().string(); }

    // Runs the program to the point where the user has set a password, then closes it.
    void firstRun(const std::string& password = "пароль") {
        auto p = program();
        p->ui.lockDialog = ScriptedUI::typing(password);
        p->start();
        ASSERT_TRUE(p->form.Close());
    }

    // A program that has run once (a password is set) on a phonebook with the one entry "Тест",
    // with these keys written into the main section, not started yet. Minimizing and restoring
    // through the front end run the form's display-mode steps.
    std::unique_ptr<Program> prepared(
        const std::vector<std::pair<std::string, std::string>>& mainKeys = {}) {
        writeFile(book_,
                  "[Тест]\nDevice=sim\nSimStepMs=100\nPhoneNumber=1\nUserName=u\nPassword=p\n");
        firstRun();
        {
            Profile profile(ini());
            for (const auto& [key, value] : mainKeys)
                profile.writeString("Brontavel", key, value);
        }
        auto p = program();
        Program* raw = p.get();
        p->ui.onMinimize = [raw] { raw->form.ApplyModeOnMinimize(); };
        p->ui.onRestore = [raw] { raw->form.ApplyModeOnRestore(); };
        return p;
    }

    TempDir dir_;
    VirtualLoop loop_;
    std::string book_;
};

}  // namespace velmor::test
