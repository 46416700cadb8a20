#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "desktop/about_box.h"
#include "desktop/download.h"
#include "program_fixture.h"
#include "support/http_server.h"

using namespace velmor;
using velmor::test::LoopbackHttpServer;
namespace fs = std::filesystem;

namespace {

// Handles posted work until done() holds or the time is up.
template <class F>
bool runUntil(VirtualLoop& loop, F done, int timeoutMs = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        loop.processMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

struct Outcome {
    bool ended = false;
    bool ok = false;
    std::int64_t size = -1;
};

void watch(TDownload& d, Outcome& o) {
    d.OnDoneFile = [&o](const std::string&, std::int64_t size) {
        o.ended = o.ok = true;
        o.size = size;
    };
    d.OnError = [&o] { o.ended = true; };
}

using UpdateCheckTest = velmor::test::ProgramTest;

// A downloader of "update.inf" from a loopback server into a folder of its own.
class DownloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        d.URL = server.url() + "/update.inf";
        d.FileName = dir.file("update.inf");
        watch(d, o);
    }
    VirtualLoop loop;
    velmor::test::TempDir dir;
    LoopbackHttpServer server;
    TDownload d{loop};
    Outcome o;
};

}  // namespace

TEST_F(DownloadTest, GetsTheFileAndReportsOnlyWholeAnswers) {
    server.setResponse(velmor::test::httpOk("0.98"));
    d.GetFile();
    ASSERT_TRUE(runUntil(loop, [&] { return o.ended; }));
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.size, 4);
    std::string line;
    ASSERT_TRUE(takeFirstLine(d.FileName, line));
    EXPECT_EQ(line, "0.98");
    EXPECT_FALSE(fs::exists(d.FileName));  // read once and deleted
    const std::string request = server.requests().at(0);
    EXPECT_EQ(request.rfind("GET /update.inf HTTP/1.0\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("User-Agent: Velmor/0.97\r\n"), std::string::npos);
    EXPECT_NE(request.find("Accept: */*\r\n"), std::string::npos);
    EXPECT_NE(request.find("no-cache"), std::string::npos);

    // No Content-Length, a short body, an error page of the right length: failures.
    for (const std::string& answer :
         {std::string("HTTP/1.0 200 OK\r\n\r\n0.98"),
          std::string("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0.98"),
          std::string("HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\nnope")}) {
        o = {};
        server.setResponse(answer);
        d.GetFile();
        ASSERT_TRUE(runUntil(loop, [&] { return o.ended; }));
        EXPECT_FALSE(o.ok) << answer;
    }

    // While one runs, another start does nothing; an abort ends it as a failure.
    o = {};
    server.setResponse(velmor::test::httpOk("0.98"), 3000);
    const auto before = server.requests().size();
    d.GetFile();
    d.GetFile();
    EXPECT_TRUE(d.running());
    d.AbortDownload();
    ASSERT_TRUE(runUntil(loop, [&] { return o.ended; }));
    EXPECT_FALSE(o.ok);
    EXPECT_LE(server.requests().size(), before + 1);
}

TEST_F(DownloadTest, RefusesLongBodiesAndEndsSlowTransfersWithoutLeavingAFile) {
    d.TimeLimitMs = 1000;
    auto leftOver = [&] { return !fs::is_empty(dir.path); };

    // Longer than 64 KiB, with its length announced or not: nothing written, nothing announced.
    const std::string big = "0.98\r\n" + std::string(64 * 1024, 'x');
    for (const std::string& answer : {velmor::test::httpOk(big), "HTTP/1.0 200 OK\r\n\r\n" + big}) {
        o = {};
        server.setResponse(answer);
        d.GetFile();
        ASSERT_TRUE(runUntil(loop, [&] { return o.ended; }));
        EXPECT_FALSE(o.ok);
        EXPECT_FALSE(leftOver());
    }
    // 64 KiB exactly is still a file.
    o = {};
    server.setResponse(velmor::test::httpOk(big.substr(0, 64 * 1024)));
    d.GetFile();
    ASSERT_TRUE(runUntil(loop, [&] { return o.ended; }));
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(fs::file_size(d.FileName), 64u * 1024u);
    fs::remove(d.FileName);

    // A byte every 50 ms: ended by the time limit, and the part received is not left behind.
    o = {};
    server.setResponse(velmor::test::httpOk("0.98" + std::string(100, ' ')), 0, 50);
    const auto start = std::chrono::steady_clock::now();
    d.GetFile();
    ASSERT_TRUE(runUntil(loop, [&] { return o.ended; }));
    EXPECT_FALSE(o.ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_FALSE(leftOver());
}

TEST(Download, AddressAndVersionRules) {
    std::string host, object;
    TDownload::splitAddress("HTTP://velmor.invalid/update.inf", host, object);
    EXPECT_EQ(host, "velmor.invalid");
    EXPECT_EQ(object, "/update.inf");
    TDownload::splitAddress("127.0.0.1:8080/a/b", host, object);
    EXPECT_EQ(host, "127.0.0.1:8080");
    EXPECT_EQ(object, "/a/b");
    EXPECT_TRUE(isNewerVersion("0.98"));
    EXPECT_FALSE(isNewerVersion("0.97"));
    EXPECT_FALSE(isNewerVersion("0.100"));  // compared as text
    EXPECT_TRUE(isNewerVersion("1.0"));
    EXPECT_TRUE(looksLikeVersion("0.98"));
    EXPECT_TRUE(looksLikeVersion("1.2.3 \t"));
    EXPECT_FALSE(looksLikeVersion(".98"));
    EXPECT_FALSE(looksLikeVersion("098"));
    EXPECT_FALSE(looksLikeVersion(""));
    for (const char* line : {"<html>", "<p>0.98</p>", "0.98beta", "0. 98", " 0.98", "1,0"})
        EXPECT_FALSE(looksLikeVersion(line)) << line;
}

TEST_F(UpdateCheckTest, AutomaticCheckAsksToOpenTheSiteForANewerVersion) {
    LoopbackHttpServer server;
    firstRun();
    auto p = program();
    p->start();
    p->form.HomePage = server.url();
    for (const auto& [file, asks] : std::vector<std::pair<std::string, bool>>{
             {"0.98  \r\n", true},
             {"0.97", false},
             {"0.100", false},
             {"098", false},
             {"<html><head><title>velmor.example</title></head></html>", false},
             {"9.x", false}}) {
        p->ui.messages.clear();
        server.setResponse(velmor::test::httpOk(file));
        p->form.CheckForUpdate();
        ASSERT_TRUE(runUntil(loop_, [&] { return !p->form.Download.running(); }));
        EXPECT_FALSE(fs::exists(dirPath() + "/update.inf"));
        if (asks) {
            ASSERT_EQ(p->ui.texts(), std::vector<std::string>{
                                         "Найдена новая версия (0.98). Открыть сайт программы?"});
            EXPECT_EQ(p->ui.openedUrls, std::vector<std::string>{server.url()});
        } else {
            EXPECT_TRUE(p->ui.messages.empty()) << file;
        }
    }
}

TEST_F(UpdateCheckTest, AboutBoxChecksOnRequest) {
    LoopbackHttpServer server;
    velmor::test::ScriptedUI ui;
    const std::string dir = dirPath() + "/";
    struct Case {
        std::string file;
        std::string message;
    };
    for (const Case& c :
         {Case{"0.98", "Найдена новая версия (0.98) Открыть сайт программы?"},
          Case{"0.97", "У Вас уже последняя версия"},
          Case{"0.98\r\n", "Ошибка. Проверьте подключение к Интернету и повторите попытку."},
          Case{"<a.b", "Ошибка. Проверьте подключение к Интернету и повторите попытку."}}) {
        TAboutBox box(loop_, ui, server.url(), dir);
        server.setResponse(velmor::test::httpOk(c.file));
        ui.messages.clear();
        ui.answers = {MessageResult::No};
        box.Button2Click();
        EXPECT_EQ(box.Button2Caption, "Прервать");
        ASSERT_TRUE(runUntil(loop_, [&] { return box.Button2Caption == "Обновить"; }));
        EXPECT_EQ(ui.texts(), std::vector<std::string>{c.message});
        EXPECT_FALSE(fs::exists(dir + "update.inf"));
    }
    // Pressing "Прервать" stops the check, and that is all it says.
    TAboutBox box(loop_, ui, server.url(), dir);
    server.setResponse(velmor::test::httpOk("0.98"), 2000);
    ui.messages.clear();
    box.Button2Click();
    box.Button2Click();
    EXPECT_EQ(box.Button2Caption, "Обновить");
    ASSERT_TRUE(runUntil(loop_, [&] { return !box.Download.running(); }));
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"Ошибка. Прервано пользователем."});
    box.LinkClick();
    EXPECT_EQ(ui.openedUrls.back(), server.url());

    // A server that takes the connection and never answers: the time limit ends the check in
    // the failure text.
    const int silent = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof at;
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&at), length), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&at), &length);
    TAboutBox quiet(loop_, ui, "http://127.0.0.1:" + std::to_string(ntohs(at.sin_port)), dir);
    quiet.Download.TimeLimitMs = 800;
    ui.messages.clear();
    quiet.Button2Click();
    EXPECT_TRUE(runUntil(
        loop_, [&] { return quiet.Button2Caption == "Обновить"; }, 4000));
    EXPECT_EQ(ui.texts(), std::vector<std::string>{
                              "Ошибка. Проверьте подключение к Интернету и повторите попытку."});
    ::close(silent);
}
