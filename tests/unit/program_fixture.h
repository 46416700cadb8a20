// A whole program on virtual time: the main window over a temporary program directory and
// phonebook.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>
#include <memory>

#include "app/tform1.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "platform/virtual_loop.h"
#include "ras_test_support.h"
#include "scripted_ui.h"

namespace velmor::test {

// The remote access service of a program run, with a script for the next dials: a scripted dial
// reports its notifications one every stepMs, as a device that does things the simulated line
// never does would, and is gone once hung up. Unscripted dials go to the service underneath.
class ScriptedDials : public ras::RasService {
  public:
    struct Note {
        int state;
        int error;
        bool withNext = false;  // the next one follows at once, before this one is delivered
    };
    ScriptedDials(EventLoop& loop, std::unique_ptr<ras::RasService> real)
        : loop_(loop), real_(std::move(real)) {}

    // The notifications of the next dials, in turn; a dial whose script is a lone error below 0 is
    // refused at once with that error's code.
    std::deque<std::vector<Note>> script;
    int stepMs = 100;

    bool available() const override { return real_->available(); }
    int enumEntries(std::vector<std::string>& n) override { return real_->enumEntries(n); }
    int getEntryProperties(std::string_view e, ras::EntryProperties& o) override {
        return real_->getEntryProperties(e, o);
    }
    int getEntryDialParams(std::string_view e, ras::DialParams& o) override {
        return real_->getEntryDialParams(e, o);
    }
    int deleteEntry(std::string_view e) override { return real_->deleteEntry(e); }
    int readEntry(std::string_view e, PhonebookEntry& o) override { return real_->readEntry(e, o); }
    int writeEntry(const PhonebookEntry& e, std::string_view old) override {
        return real_->writeEntry(e, old);
    }
    std::vector<std::string> takeProblems() override { return real_->takeProblems(); }
    int dial(const ras::DialRequest& r, ras::Notifier n, ras::Handle& h) override {
        if (script.empty()) return real_->dial(r, std::move(n), h);
        std::vector<Note> notes = std::move(script.front());
        script.pop_front();
        if (notes.size() == 1 && notes[0].error < 0) return -notes[0].error;
        h = ++lastHandle_;
        auto& line = lines_[h];
        line.notes = std::move(notes);
        line.notifier = std::move(n);
        line.timer = std::make_unique<Timer>(loop_, stepMs, true);
        line.timer->onTimer = [this, h] {
            Line& l = lines_.at(h);
            const ras::Notifier notify = l.notifier;
            Note note;
            do {
                note = l.notes[l.next++];
                l.last = note;
                notify(h, 0, note.state, note.error);
            } while (note.withNext && l.next < l.notes.size());
            if (l.next == l.notes.size()) l.timer->setEnabled(false);
        };
        return 0;
    }
    int hangUp(ras::Handle h) override {
        if (h <= kFirstHandle) return real_->hangUp(h);
        return lines_.erase(h) != 0 ? 0 : ras::kErrorInvalidHandle;
    }
    int getConnectStatus(ras::Handle h, ras::ConnectStatus& o) override {
        if (h <= kFirstHandle) return real_->getConnectStatus(h, o);
        const auto it = lines_.find(h);
        if (it == lines_.end()) return ras::kErrorInvalidHandle;
        o.state = it->second.last.state;
        o.error = it->second.last.error;
        return 0;
    }
    int enumConnections(std::vector<ras::Connection>& o) override {
        return real_->enumConnections(o);
    }
    int getProjection(ras::Handle h, ras::Projection& o) override {
        return real_->getProjection(h, o);
    }
    int getConnectionStatistics(ras::Handle h, ras::Statistics& o) override {
        return real_->getConnectionStatistics(h, o);
    }
    int clearConnectionStatistics(ras::Handle h) override {
        return real_->clearConnectionStatistics(h);
    }
    std::string errorString(int code) const override { return real_->errorString(code); }

  private:
    struct Line {
        std::vector<Note> notes;
        std::size_t next = 0;
        Note last{0, 0};
        ras::Notifier notifier;
        std::unique_ptr<Timer> timer;
    };
    static constexpr ras::Handle kFirstHandle = 0x70000000;
    EventLoop& loop_;
    std::unique_ptr<ras::RasService> real_;
    std::map<ras::Handle, Line> lines_;
    ras::Handle lastHandle_ = kFirstHandle;
};

// One program run over a program directory and a phonebook.
struct Program {
    Program(VirtualLoop& loop, const std::string& dir, const std::string& phonebook,
            bool rasAvailable = true)
        : ras(std::make_unique<ScriptedDials>(loop, rasAvailable
                                                        ? ras::makePhonebookService(loop, phonebook)
                                                        : ras::makeUnavailableService())),
          form(loop, *ras, ui, dir + "/", LocaleFormat::russian()) {}

    ScriptedDials& dials() { return static_cast<ScriptedDials&>(*ras); }

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
    // How many times the log holds text.
    int count(const std::string& text) const {
        const std::string l = log();
        int n = 0;
        for (auto at = l.find(text); at != std::string::npos; at = l.find(text, at + 1))
            ++n;
        return n;
    }
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
