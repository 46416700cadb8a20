// The first start of the headless program in a test's home: it stores the program password given
// in DIR/password, so that later starts ask nothing; then the program's own keys are set.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/profile.h"
#include "support/process.h"

namespace velmor::test {

inline void firstHeadlessStart(const std::vector<std::string>& env, const std::string& dir,
                               const std::vector<std::pair<std::string, std::string>>& keys) {
    std::ofstream(dir + "/password") << "секрет\n";
    ChildProcess first(binary("velmor"), {"--headless", "--password-file", dir + "/password"}, env);
    ASSERT_TRUE(first.waitForOutput("Жду Ваших приказаний")) << first.err();
    first.signal(SIGTERM);
    ASSERT_EQ(first.wait().status, 0);
    Profile ini(dir + "/Velmor.ini");
    for (const auto& [key, value] : keys)
        ini.writeString("Brontavel", key, value);
}

}  // namespace velmor::test
