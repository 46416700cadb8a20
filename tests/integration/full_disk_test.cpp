// Saves that the file system refuses: a full disk and a read-only one, each a small tmpfs in a
// mount namespace of a child process of its own.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "unit/program_fixture.h"

using namespace velmor;
using velmor::test::Program;
using velmor::test::ScriptedUI;
namespace fs = std::filesystem;

namespace {

constexpr int kNoNamespace = 77;

class FullDisk : public velmor::test::ProgramTest {
  protected:
    // Runs body in a child whose program directory is a fresh 256 kB tmpfs; the child's own test
    // failures decide its exit status.
    void inSmallFilesystem(const std::function<void()>& body) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount("tmpfs", dirPath().c_str(), "tmpfs", 0, "size=256k") != 0) {
                ::_exit(kNoNamespace);
            }
            body();
            ::_exit(::testing::Test::HasFailure() ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
        if (WEXITSTATUS(status) == kNoNamespace) {
            GTEST_SKIP() << "no mount namespace with a tmpfs can be made here (needs root or user "
                            "namespaces)";
        }
        EXPECT_EQ(WEXITSTATUS(status), 0) << "failures in the child, above";
    }

    // Fills what is left of the tmpfs.
    void fill() const {
        const int fd = ::open(dir_.file("filler").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        const std::string block(4096, 'x');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        const char one = 'x';
        while (::write(fd, &one, 1) > 0) {
        }
        ::close(fd);
    }
    int refusals(const ScriptedUI& ui) const {
        int n = 0;
        for (const std::string& t : ui.texts())
            n += t == "Unable to write to " + ini() + ".";
        return n;
    }
    bool tempsLeft() const {
        for (const auto& e : fs::directory_iterator(dirPath())) {
            if (e.path().filename().string().starts_with("Velmor.ini.tmp-")) return true;
        }
        return false;
    }
    // A save as selecting an entry makes one: the shown entry saved, then loaded again.
    static void reselect(Program& p) {
        p.form.ComboBox1DropDown();
        p.form.ComboBox1Change();
    }
};

}  // namespace

TEST_F(FullDisk, ARefusedSaveKeepsTheFileAndTheValuesAndIsSaidOnce) {
    inSmallFilesystem([&] {
        velmor::test::writeFile(book_, "[Тест]\nPhoneNumber=1\n");
        firstRun();
        const std::string before = velmor::test::readFile(ini());
        auto p = program();
        p->start();
        auto& m = p->form.Model;
        fill();
        m.phones.push_back({"777"});
        m.stats.inInternetAll = 4242;
        reselect(*p);
        reselect(*p);
        EXPECT_EQ(refusals(p->ui), 1);
        EXPECT_EQ(velmor::test::readFile(ini()), before);
        EXPECT_FALSE(tempsLeft());
        // A log line that fits only in part is taken back whole.
        const std::string logBefore = log();
        p->form.LogFile.AddLine(std::string(6000, '.'));
        EXPECT_EQ(log(), logBefore);
        // The values wait in memory: the load after each refused save still has them.
        ASSERT_EQ(m.phones.size(), 2u);
        EXPECT_EQ(m.stats.inInternetAll, 4242);
        // Room again: the next save writes them.
        fs::remove(dir_.file("filler"));
        reselect(*p);
        EXPECT_EQ(Profile(ini()).readString("RAS_Entry_Тест", "Phone_1", ""), "777");
        EXPECT_EQ(refusals(p->ui), 1);

        // A read-only file system: said once more (the last save got through), no crash at
        // the close, the file as it was.
        ASSERT_EQ(::mount("tmpfs", dirPath().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
        const std::string saved = velmor::test::readFile(ini());
        m.stats.inInternetAll = 5000;
        reselect(*p);
        EXPECT_TRUE(p->form.Close());
        EXPECT_EQ(refusals(p->ui), 2);
        EXPECT_EQ(velmor::test::readFile(ini()), saved);
        EXPECT_EQ(m.stats.inInternetAll, 5000);
    });
}
