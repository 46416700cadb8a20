// Where the program keeps its files: beside a program in a folder of its own, in the user's
// folder for an installed one.
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "temp_dir.h"

namespace velmor {
namespace {

namespace fs = std::filesystem;

class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* v = std::getenv(name)) old_ = v;
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(Paths, InstalledProgramKeepsItsFilesInTheUsersFolder) {
    const test::TempDir root;
    const std::string home = root.file("home"), build = root.file("build/bin") + "/",
                      bin = root.file("usr/bin") + "/";
    fs::create_directories(build);
    fs::create_directories(bin);
    fs::create_directories(root.file("usr/share/velmor"));
    const ScopedEnv h("HOME", home.c_str()), x("XDG_CONFIG_HOME", nullptr),
        v("VELMOR_HOME", nullptr);

    // A build (or a folder of its own): its files beside it.
    EXPECT_EQ(installedDataDirectory(build), "");
    EXPECT_EQ(programDirectory(build), build);

    // Installed: the data folder is found from bin/, and nothing is written there even though
    // the folder is writable (as /usr/bin is for root).
    EXPECT_EQ(installedDataDirectory(bin), root.file("usr/share/velmor") + "/");
    EXPECT_EQ(programDirectory(bin), home + "/.config/velmor/");
    EXPECT_TRUE(fs::is_directory(home + "/.config/velmor"));
    {
        const ScopedEnv relative("XDG_CONFIG_HOME", "relative");  // not absolute: ignored
        EXPECT_EQ(programDirectory(bin), home + "/.config/velmor/");
        const ScopedEnv xdg("XDG_CONFIG_HOME", root.file("cfg").c_str());
        EXPECT_EQ(programDirectory(bin), root.file("cfg/velmor/"));
        const ScopedEnv velmorHome("VELMOR_HOME", root.file("mine").c_str());
        EXPECT_EQ(programDirectory(bin), root.file("mine/"));
    }
}

}  // namespace
}  // namespace velmor
