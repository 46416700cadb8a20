// The pure parts of the serial modem: result lines, pppd's log, its options words, lock files,
// the system checks and the phonebook's modem keys.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>

#include "platform/linux/modem_checks.h"
#include "platform/linux/modem_diagnosis.h"
#include "platform/linux/modem_dialogue.h"
#include "platform/linux/ppp_interface.h"
#include "platform/linux/pppd_failure.h"
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
        {"VOICE", K::Failure, ras::kErrorVoiceAnswer, 0},
        {"DELAYED 120", K::Failure, ras::kErrorFromDevice, 0},
        {"BLACKLISTED", K::Failure, ras::kErrorFromDevice, 0},
        {"DIALING LOCKED", K::Failure, ras::kErrorFromDevice, 0},
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
    EXPECT_EQ(parseAtResult(" +CME ERROR: SIM PIN required\r").text,
              "+CME ERROR: SIM PIN required");
    // What an answer means, in either form a modem gives it.
    EXPECT_NE(resultMeaning("+CME ERROR: SIM PIN required").find("PIN-код"), std::string::npos);
    EXPECT_EQ(resultMeaning("+CME ERROR: 11"), resultMeaning("+CME ERROR: sim pin required"));
    EXPECT_NE(resultMeaning("+CME ERROR: 10").find("нет SIM"), std::string::npos);
    EXPECT_NE(resultMeaning("BLACKLISTED").find("выключают и включают"), std::string::npos);
    EXPECT_EQ(resultMeaning("NO CARRIER"), "");
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

    // The log wins over the exit code. Only the server's refusal is a refused login: pppd's own
    // troubles here never make the dial cycle try the next login.
    PppdFacts facts;
    const std::pair<int, int> byExit[] = {
        {19, ras::kErrorAuthenticationFailure}, {16, ras::kErrorRemoteDisconnection},
        {15, ras::kErrorRemoteDisconnection},   {1, ras::kErrorPortNotAvailable},
        {2, ras::kErrorPortNotAvailable},       {3, ras::kErrorPortNotAvailable},
        {4, ras::kErrorPortNotAvailable},       {7, ras::kErrorPortNotAvailable},
        {6, ras::kErrorPortAlreadyOpen},        {5, ras::kErrorUserDisconnection},
        {10, ras::kErrorPppLcpTerminated},      {-1, ras::kErrorPppLcpTerminated}};
    for (const auto& [exit, code] : byExit)
        EXPECT_EQ(pppdFailure(facts, exit), code) << exit;
    notePppdLine(facts, "pppd: must be root to run pppd, since it is not setuid-root");
    notePppdLine(facts, "Exit.");
    const std::string notRoot = pppdFailureText(facts, 3, PppEnvironment{});
    EXPECT_NE(notRoot.find("«must be root to run pppd, since it is not setuid-root»"),
              std::string::npos);
    EXPECT_NE(notRoot.find("sudo chmod 4754 /usr/sbin/pppd"), std::string::npos);
    notePppdLine(facts, "Remote message: Login incorrect");
    notePppdLine(facts, "LCP: timeout sending Config-Requests");
    EXPECT_EQ(pppdFailure(facts, 4), ras::kErrorPppTimeout);
    notePppdLine(facts, "PAP authentication failed");
    EXPECT_EQ(pppdFailure(facts, 16), ras::kErrorAuthenticationFailure);
    EXPECT_NE(pppdFailureText(facts, 19, PppEnvironment{}).find("Сервер: «Login incorrect»"),
              std::string::npos);

    EXPECT_EQ(optionWord(R"(a "b" \c ё)"), R"("a \"b\" \\c ё")");
    // No secret among the arguments, whatever the entry.
    EXPECT_EQ(
        pppdArguments(0x1001, false),
        (std::vector<std::string>{"call", "velmor", "nocrtscts", "file", "/proc/self/fd/4",
                                  "passwordfd", "3", "logfd", "2", "ipparam", "velmor-4097"}));

    // A pppd that knows the option names it somewhere in its file, perhaps across two reads.
    TempDir dir;
    std::string program(65530, 'x');
    writeFile(dir.file("pppd"), program + "replacedefaultroute");
    EXPECT_TRUE(pppdKnowsOption(dir.file("pppd"), "replacedefaultroute"));
    writeFile(dir.file("old"), program + "defaultroute");
    EXPECT_FALSE(pppdKnowsOption(dir.file("old"), "replacedefaultroute"));
    EXPECT_FALSE(pppdKnowsOption(dir.file("none"), "replacedefaultroute"));
    // The default route with the lowest metric, as the kernel lists them.
    writeFile(dir.file("route"),
              "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n"
              "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\n"
              "ppp0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\n"
              "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\n");
    EXPECT_EQ(defaultRouteDevice(dir.file("route")), "ppp0");
    EXPECT_EQ(defaultRouteDevice(dir.file("no-table")), "");
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

TEST(SerialPort, WhatIsStillToBeSentIsDroppedAtTheClose) {
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    SerialPort port;
    ASSERT_EQ(port.open(::ttyname(slave), ModemSettings{}), 0);
    EXPECT_FALSE(port.modemLines());  // a pseudo-terminal has none: carrier counts as up
    // The far end reads nothing, so the port's queue fills up, as with a modem that holds CTS low.
    ::fcntl(port.fd(), F_SETFL, ::fcntl(port.fd(), F_GETFL) | O_NONBLOCK);
    const std::string chunk(1024, 'x');
    std::size_t written = 0;
    for (ssize_t n; (n = ::write(port.fd(), chunk.data(), chunk.size())) > 0;)
        written += static_cast<std::size_t>(n);
    ASSERT_GT(written, 16384u);
    port.close();
    // What the far end gets now is what had gone through before the close, not the queue.
    std::size_t received = 0;
    char buf[4096];
    for (pollfd p{master, POLLIN, 0}; ::poll(&p, 1, 300) > 0;) {
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) break;
        received += static_cast<std::size_t>(n);
    }
    EXPECT_LT(received, written / 2) << received << " of " << written;
    ::close(master);
    ::close(slave);
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
    EXPECT_EQ(systemChecks(env, port).size(), 5u);

    // pppd gains root only as a setuid root program (or for root itself).
    ::chmod(env.pppd.c_str(), 0755);
    EXPECT_NE(rootProblem(env.pppd, 1000).find("sudo chmod 4754 " + env.pppd), std::string::npos);
    EXPECT_EQ(rootProblem(env.pppd, 0), "");
    struct statvfs fs {};
    if (::getuid() == 0 && ::statvfs(env.pppd.c_str(), &fs) == 0 && !(fs.f_flag & ST_NOSUID)) {
        ::chmod(env.pppd.c_str(), 04755);
        EXPECT_EQ(rootProblem(env.pppd, 1000), "");
    }
}

TEST(ModemDiagnosis, ModemManagerIsNamedAndKeptAwayByARuleWithTheModemsIds) {
    TempDir dir;
    const std::string port = dir.file("ttyUSB0");
    writeFile(port, "");
    // Nobody to be seen, but the service runs: it is named as the likely holder.
    EXPECT_NE(portHeldText("/dev/ttyACM0", {}, 812, "x").find("скорее всего"), std::string::npos);

    // The USB ids above the tty, as sysfs links them; none for a port not on USB.
    const std::string usb = dir.file("sys/devices/usb1/1-2");
    std::filesystem::create_directories(usb + "/1-2:1.0");
    writeFile(usb + "/idVendor", "12d1\n");
    writeFile(usb + "/idProduct", "1001\n");
    std::filesystem::create_directories(dir.file("sys/class/tty/ttyUSB0"));
    std::filesystem::create_symlink(usb + "/1-2:1.0", dir.file("sys/class/tty/ttyUSB0/device"));
    const auto ids = usbIdsOf(port, dir.file("sys"));
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->vendor + ":" + ids->product, "12d1:1001");
    EXPECT_FALSE(usbIdsOf(dir.file("ttyS0"), dir.file("sys")));
    EXPECT_EQ(udevRule("# VVVV:PPPP as lsusb shows\nATTRS{idVendor}==\"VVVV\", "
                       "ATTRS{idProduct}==\"PPPP\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"\n",
                       *ids),
              "ATTRS{idVendor}==\"12d1\", ATTRS{idProduct}==\"1001\", "
              "ENV{ID_MM_DEVICE_IGNORE}=\"1\"\n");
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
    good.modem.init3 = "AT+CGDCONT=1,\"IP\",\"apn\"";
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
