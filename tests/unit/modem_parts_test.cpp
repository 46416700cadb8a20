// The pure parts of the serial modem: result lines, pppd's log, its options words, lock files,
// the system checks and the phonebook's modem keys.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>

#include "platform/linux/modem_checks.h"
#include "platform/linux/modem_dialogue.h"
#include "platform/linux/pppd_link.h"
#include "platform/linux/serial_port.h"
#include "platform/phonebook.h"
#include "platform/ras.h"
#include "ras_test_support.h"

using namespace velmor;
using namespace velmor::modem;
using velmor::test::TempDir;
using velmor::test::writeFile;

TEST(ModemDialogue, ResultLinesGiveTheirCodesAndSpeed) {
    using K = AtResult::Kind;
    struct Case {
        const char* line;
        K kind;
        int error;
        std::uint32_t speed;
    } cases[] = {
        {"OK", K::Ok, 0, 0},
        {"  OK\r", K::Ok, 0, 0},
        {"CONNECT", K::Connect, 0, 0},
        {"CONNECT 115200", K::Connect, 0, 115200},
        {"CONNECT 33600/ARQ/V34/LAPM/V42BIS", K::Connect, 0, 33600},
        {"CONNECT 99999999999999", K::Connect, 0, 0xFFFFFFFFu},
        {"BUSY", K::Failure, ras::kErrorLineBusy, 0},
        {"NO ANSWER", K::Failure, ras::kErrorNoAnswer, 0},
        {"NO CARRIER", K::Failure, ras::kErrorNoCarrier, 0},
        {"NO DIALTONE", K::Failure, ras::kErrorNoDialtone, 0},
        {"NO DIAL TONE", K::Failure, ras::kErrorNoDialtone, 0},
        {"ERROR", K::Failure, ras::kErrorHardwareFailure, 0},
        {"+CME ERROR: 30", K::Failure, ras::kErrorHardwareFailure, 0},
        {"ATDT5550101", K::None, 0, 0},  // the echo
        {"RING", K::None, 0, 0},
        {"CONNECTED", K::None, 0, 0},
        {"", K::None, 0, 0},
    };
    for (const Case& c : cases) {
        const AtResult r = parseAtResult(c.line);
        EXPECT_EQ(r.kind, c.kind) << c.line;
        EXPECT_EQ(r.error, c.error) << c.line;
        EXPECT_EQ(r.speed, c.speed) << c.line;
    }
    EXPECT_EQ(dialCommand("9Wt555-0101"), "ATD9Wt555-0101");
    EXPECT_EQ(dialCommand("t5\r\nATH"), "ATDt5ATH");  // stays one command line
}

TEST(PppdLink, LogLinesAndExitCodes) {
    using K = PppdEvent::Kind;
    struct Case {
        const char* line;
        K kind;
        const char* value;
        std::uint32_t protocol;
    } cases[] = {
        {"Using interface ppp0", K::Interface, "ppp0", 0},
        {"Connect: ppp1 <--> /dev/ttyUSB0", K::Connect, "ppp1", 0},
        {"PAP authentication succeeded", K::AuthSucceeded, "", ras::kAuthPap},
        {"CHAP authentication succeeded: Access granted", K::AuthSucceeded, "", ras::kAuthChap},
        {"PAP authentication failed", K::AuthFailed, "", 0},
        {"CHAP authentication failed: Access denied", K::AuthFailed, "", 0},
        {"local  IP address 10.0.0.2", K::LocalAddress, "10.0.0.2", 0},
        {"remote IP address 10.0.0.1", K::RemoteAddress, "10.0.0.1", 0},
        {"remote IP address 10.0.0.300", K::None, "", 0},
        {"LCP: timeout sending Config-Requests", K::LcpTimeout, "", 0},
        {"pppd: This system lacks kernel support for PPP.  This could be because",
         K::NoKernelSupport, "", 0},
        // What the server says is its own business.
        {"Remote message: PAP authentication failed", K::None, "", 0},
        {"Terminating on signal 15", K::None, "", 0},
    };
    for (const Case& c : cases) {
        const PppdEvent e = parsePppdLine(c.line);
        EXPECT_EQ(e.kind, c.kind) << c.line;
        EXPECT_EQ(e.value, c.value) << c.line;
        EXPECT_EQ(e.protocol, c.protocol) << c.line;
    }

    // The log wins over the exit code, which counts only where the log said nothing.
    PppdFacts facts;
    EXPECT_EQ(pppdFailure(facts, 16), ras::kErrorRemoteDisconnection);
    EXPECT_EQ(pppdFailure(facts, -1), ras::kErrorRemoteDisconnection);
    EXPECT_EQ(pppdFailure(facts, 19), ras::kErrorAuthenticationFailure);
    EXPECT_EQ(pppdFailure(facts, 4), ras::kErrorPortNotAvailable);
    EXPECT_EQ(pppdFailure(facts, 2), ras::kErrorPortNotAvailable);
    facts.lcpTimeout = true;
    EXPECT_EQ(pppdFailure(facts, 4), ras::kErrorPppTimeout);
    facts.authFailed = true;
    EXPECT_EQ(pppdFailure(facts, 16), ras::kErrorAuthenticationFailure);

    EXPECT_EQ(optionWord(R"(a "b" \c ё)"), R"("a \"b\" \\c ё")");
    // No secret among the arguments, whatever the entry.
    EXPECT_EQ(
        pppdArguments(0x1001, false),
        (std::vector<std::string>{"call", "velmor", "nocrtscts", "file", "/proc/self/fd/4",
                                  "passwordfd", "3", "logfd", "2", "ipparam", "velmor-4097"}));
}

TEST(PppdLink, AWaitForPppdEndsInItsTimeEvenWithoutAPidfd) {
    auto child = [](int code, bool waitForSignal) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (waitForSignal) ::pause();
            ::_exit(code);
        }
        return PppdProcess{pid, -1, -1};
    };
    // A pppd that does not end on its own: the wait gives up when its time is over.
    PppdProcess stuck = child(0, true);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(reapPppd(stuck, 100), -2);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ::kill(stuck.pid, SIGKILL);
    EXPECT_EQ(reapPppd(stuck, 5000), -1);  // ended by a signal
    EXPECT_EQ(stuck.pid, -1);

    PppdProcess done = child(16, false);
    EXPECT_EQ(reapPppd(done, 5000), 16);
}

TEST(SerialPort, LockFilesInTheFormatEveryDialerReads) {
    EXPECT_EQ(lockFileName("/dev/ttyUSB0"), "LCK..ttyUSB0");
    EXPECT_EQ(lockFileName("/dev/pts/3"), "LCK..pts_3");
    EXPECT_EQ(lockFileName("/tmp/x/modem"), "LCK..modem");
    EXPECT_EQ(lockFileText(4242), "      4242\n");
    EXPECT_EQ(lockOwner("      4242\n"), 4242);
    EXPECT_EQ(lockOwner("4242"), 4242);
    EXPECT_FALSE(lockOwner(""));
    EXPECT_FALSE(lockOwner("   -1\n"));
    EXPECT_FALSE(lockOwner("12ab\n"));
    const auto alive = [](pid_t p) { return p == 100; };
    EXPECT_FALSE(lockIsStale("       100\n", alive));
    EXPECT_TRUE(lockIsStale("       101\n", alive));
    EXPECT_TRUE(lockIsStale("garbage", alive));

    // Taken, refused while held, taken over from a dead process, released only when ours.
    TempDir dir;
    writeFile(dir.file("port"), "");
    PortLock a, b;
    std::string why;
    ASSERT_EQ(a.take(dir.path.string(), dir.file("port"), why), PortLock::Result::Taken);
    EXPECT_EQ(test::readFile(dir.file("LCK..port")), lockFileText(::getpid()));
    EXPECT_EQ(b.take(dir.path.string(), dir.file("port"), why), PortLock::Result::Busy);
    a.release();
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    writeFile(dir.file("LCK..port"), lockFileText(dead));
    EXPECT_EQ(b.take(dir.path.string(), dir.file("port"), why), PortLock::Result::Taken);
    // An empty lock: being written now, or left by a dialer that ended before writing it.
    b.release();
    writeFile(dir.file("LCK..port"), "");
    EXPECT_EQ(a.take(dir.path.string(), dir.file("port"), why), PortLock::Result::Busy);
    const timespec longAgo[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.file("LCK..port").c_str(), longAgo, 0), 0);
    EXPECT_EQ(a.take(dir.path.string(), dir.file("port"), why), PortLock::Result::Taken);
    a.release();
    ASSERT_EQ(b.take(dir.path.string(), dir.file("port"), why), PortLock::Result::Taken);
    writeFile(dir.file("LCK..port"), lockFileText(1));  // someone else's now
    b.release();
    EXPECT_TRUE(std::filesystem::exists(dir.file("LCK..port")));
    EXPECT_EQ(a.take(dir.file("no-such-folder"), dir.file("port"), why), PortLock::Result::Failed);
    EXPECT_FALSE(why.empty());
}

TEST(ModemChecks, EachMissingPartIsNamedWithItsFix) {
    TempDir dir;
    PppEnvironment env;
    env.pppd = dir.file("pppd");
    env.peersFile = dir.file("peers");
    env.pppDevice = dir.file("ppp");
    const std::string port = dir.file("ttyUSB0");
    for (const std::string& f : {env.pppd, env.peersFile, env.pppDevice, port})
        writeFile(f, "");
    ::chmod(env.pppd.c_str(), 0755);
    EXPECT_EQ(firstProblem(env, port), "");

    const auto problemWith = [&](const std::string& file, const std::string& fix) {
        std::filesystem::rename(file, file + ".away");
        const std::string problem = firstProblem(env, port);
        EXPECT_NE(problem.find(fix), std::string::npos) << problem;
        std::filesystem::rename(file + ".away", file);
    };
    problemWith(env.pppd, "sudo apt install ppp");
    problemWith(env.peersFile, "sudo install -m 0640 -g dip packaging/ppp/peers/velmor");
    problemWith(env.pppDevice, "sudo modprobe ppp_async");
    problemWith(port, "Нет порта " + port);
    ::chmod(env.pppd.c_str(), 0644);  // not startable, even for root
    EXPECT_NE(firstProblem(env, port).find(" dip и войдите в систему заново"), std::string::npos);
    EXPECT_EQ(systemChecks(env, port).size(), 4u);
}

TEST(Phonebook, ModemKeysHaveDefaultsAreCheckedAndWrittenForSerialEntries) {
    TempDir dir;
    const std::string path = dir.file("pb.ini");
    writeFile(path,
              "[Плохой]\r\nDevice=/dev/ttyS0\r\nSpeed=12345\r\nFlowControl=xon\r\n"
              "DialTimeout=0\r\n"
              "[Хороший]\r\nDevice=/dev/ttyUSB0\r\nSpeed=57600\r\nInit1=\r\nInit2=AT+CGDCONT=1,"
              "\"IP\",\"internet\"\r\nFlowControl=None\r\nDialTimeout=30\r\n"
              "[Имитатор]\r\nDevice=sim\r\n");
    Phonebook book(path);
    PhonebookEntry bad, good;
    ASSERT_EQ(book.find("Плохой", bad), Phonebook::Result::Ok);
    EXPECT_EQ(bad.modem, ModemSettings{});
    const auto problems = book.takeProblems();
    EXPECT_EQ(problems.size(), 3u);
    ASSERT_EQ(book.find("Хороший", good), Phonebook::Result::Ok);
    EXPECT_EQ(good.modem.speed, 57600u);
    EXPECT_EQ(good.modem.init1, "");
    EXPECT_EQ(good.modem.init2, "AT+CGDCONT=1,\"IP\",\"internet\"");
    EXPECT_EQ(good.modem.flowControl, FlowControl::None);
    EXPECT_EQ(good.modem.dialTimeoutSec, 30u);

    good.modem.speed = 230400;
    ASSERT_EQ(book.write(good, "Хороший"), Phonebook::Result::Ok);
    PhonebookEntry sim;
    ASSERT_EQ(book.find("Имитатор", sim), Phonebook::Result::Ok);
    ASSERT_EQ(book.write(sim, "Имитатор"), Phonebook::Result::Ok);
    const std::string text = test::readFile(path);
    EXPECT_NE(text.find("Speed=230400"), std::string::npos);
    EXPECT_EQ(text.find("Speed=", text.find("[Имитатор]")), std::string::npos);
    PhonebookEntry again;
    ASSERT_EQ(book.find("Хороший", again), Phonebook::Result::Ok);
    EXPECT_EQ(again.modem, good.modem);
}
