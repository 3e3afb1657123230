#include "app/instance/ControlProtocol.h"
#include "app/instance/ControlServer.h"
#include "app/instance/LocalSocket.h"
#include "tests/app/support/UiTestApp.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace dustlyn {
namespace {

using Request = ControlProtocol::Request;
using Reply = ControlProtocol::Reply;

// Every message is one line: the line feed that ends it is its only one, whatever the texts
// hold, and the line without it reads back as what was sent.
std::string framed(const std::string& encoded) {
    EXPECT_FALSE(encoded.empty());
    EXPECT_EQ(encoded.find('\n'), encoded.size() - 1) << encoded;
    return encoded.substr(0, encoded.size() - 1);
}

TEST(ControlProtocol, messagesReadBackAsSentFromOneLine) {
    const Request request{{"rules add",
                           {"/home/u/Büro/two\nlines \"quoted\" \\ tab\t"},
                           {{"--folder", {"~/Pictures", "/tmp/a b"}}, {"--glob", {"Shot*.png"}}}},
                          true};
    EXPECT_EQ(ControlProtocol::decodeRequest(framed(ControlProtocol::encodeRequest(request))),
              request);
    const MoveProgress progress{3, 10, 4096, 1 << 20};
    EXPECT_EQ(ControlProtocol::decodeReply(framed(ControlProtocol::encodeProgress(progress))),
              Reply(progress));
    CommandOutput answer;
    answer.line("Moved 2 files:");
    answer.fail(1, "dustlyn sweep: could not move \"a\nb\": Permission denied");
    EXPECT_EQ(ControlProtocol::decodeReply(framed(ControlProtocol::encodeAnswer(answer))),
              Reply(answer));
    // A name that is not UTF-8 reaches the caller with its bad byte replaced, not lost.
    CommandOutput odd;
    odd.line("caf\xe9.txt");
    const auto decoded = ControlProtocol::decodeReply(framed(ControlProtocol::encodeAnswer(odd)));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::get<CommandOutput>(*decoded).out, "caf\xef\xbf\xbd.txt\n");
}

TEST(ControlProtocol, refusesWhatIsNotAWholeMessage) {
    const std::string request = framed(ControlProtocol::encodeRequest({{"sweep", {}, {}}, false}));
    const std::string answer = framed(ControlProtocol::encodeAnswer({}));
    for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
             {"nothing", ""},
             {"not JSON", "sweep --quiet"},
             {"cut short", request.substr(0, request.size() / 2)},
             {"a list", "[\"sweep\"]"},
             {"no options", R"({"command":"sweep","arguments":[]})"},
             {"a number for the command", R"({"command":7,"arguments":[],"options":{}})"},
             {"two messages on one line", request + request}}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(ControlProtocol::decodeRequest(text));
    }
    for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
             {"cut short", answer.substr(0, answer.size() - 1)},
             {"progress without its total", R"({"progress":{"filesDone":1}})"},
             {"a text for the exit code", R"({"exitCode":"0","out":"","err":""})"}}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(ControlProtocol::decodeReply(text));
    }
}

// What the running instance answers a client that sends `bytes` and then stops writing.
CommandOutput answerTo(const std::filesystem::path& socket, const std::string& bytes) {
    std::optional<CommandOutput> answer;
    std::atomic<bool> done = false;
    std::thread client([&] {
        const int fd = LocalSocket::connectTo(socket, 30);
        if (fd >= 0) {
            LocalSocket::writeAll(fd, bytes);
            ::shutdown(fd, SHUT_WR);
            if (const auto line = LocalSocket::readLine(fd, ControlProtocol::maxMessage))
                if (const auto reply = ControlProtocol::decodeReply(*line))
                    if (const auto* output = std::get_if<CommandOutput>(&*reply))
                        answer = *output;
            ::close(fd);
        }
        done = true;
    });
    testing::spinUntil([&] { return done.load(); }, std::chrono::seconds(60));
    client.join();
    return answer.value_or(CommandOutput{-1, "", "no answer"});
}

TEST(ControlServer, answersARequestAndRefusesBadOnesWithAMessage) {
    testing::uiTestApp();
    testing::TempDir folder;
    ControlServer server(folder.path() / "control", [](const CommandLine& line, const auto&) {
        CommandOutput output;
        output.line("ran " + line.command);
        return output;
    });
    const std::string refusal = "dustlyn: the running Dustlyn did not understand the request\n";
    const std::string request = ControlProtocol::encodeRequest({{"sweep", {}, {}}, false});
    const struct {
        std::string name, bytes;
        CommandOutput expected;
    } cases[] = {
        {"a request", request, {0, "ran sweep\n", ""}},
        {"not JSON", "hello\n", {2, "", refusal}},
        {"cut short before its line feed", request.substr(0, 20), {2, "", refusal}},
        {"longer than any message may be",
         std::string(ControlProtocol::maxMessage + 1, 'x'),
         {2, "", refusal}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(answerTo(folder.path() / "control", c.bytes), c.expected);
    }
}

} // namespace
} // namespace dustlyn
