// The single-instance rendezvous of the SDL host: a second process finds the first one's window
// class, learns whether the window is minimised, has it raised or restored, and is never fooled
// by a socket file its dead owner left behind.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <vector>

#include "host/posix/instance_link.h"

namespace {

using namespace std::chrono_literals;
using tw::posix::AskInstance;
using tw::posix::InstanceReply;
using tw::posix::InstanceRequest;
using tw::posix::InstanceServer;
using tw::posix::InstanceSocketPath;

// A private folder for the sockets of one test (short, so the socket paths fit).
class SocketDir {
public:
    SocketDir() {
        char tmpl[] = "/tmp/twsockXXXXXX";
        const char* made = ::mkdtemp(tmpl);
        if (made) path_ = made;
    }
    ~SocketDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }
    std::string Socket(const std::string& cls) const { return InstanceSocketPath(path_, cls); }

private:
    std::string path_;
};

// Asks from a thread of its own while this thread answers, as the owner's window thread does.
InstanceReply AskWhileServing(InstanceServer& server, const std::string& path, InstanceRequest request,
                              const InstanceServer::Handler& handler) {
    auto reply = std::async(std::launch::async, [&] { return AskInstance(path, request); });
    while (reply.wait_for(1ms) != std::future_status::ready) server.ServePending(handler);
    return reply.get();
}

// Leaves a socket file with no listener behind, as a process that crashed does.
void MakeStaleSocket(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
    ASSERT_TRUE(std::filesystem::exists(path));
}

TEST(SdlInstance, SocketPathsKeepClassesApartAndInsideTheFolder) {
    const std::string uid = std::to_string(::getuid());
    EXPECT_EQ(InstanceSocketPath("/run/user/7", "TINTWIN"), "/run/user/7/tintwell-" + uid + "-TINTWIN.sock");

    std::string slash = InstanceSocketPath("/d", "../a/b");
    std::string underscore = InstanceSocketPath("/d", "___a_b");
    EXPECT_EQ(slash.rfind('/'), 2u) << slash;  // no folder of the class name's making
    EXPECT_EQ(slash.find(".."), std::string::npos) << slash;
    EXPECT_NE(slash, underscore);
    EXPECT_NE(InstanceSocketPath("/d", std::string(60, 'A')), InstanceSocketPath("/d", std::string(61, 'A')));

    EXPECT_EQ(InstanceSocketPath("", "TINTWIN"), "");
    EXPECT_EQ(InstanceSocketPath("/" + std::string(120, 'x'), "TINTWIN"), "");  // would not fit an address
}

TEST(SdlInstance, NobodyListeningMeansNoInstance) {
    SocketDir dir;
    InstanceReply reply = AskInstance(dir.Socket("TINTWIN"), InstanceRequest::Query);
    EXPECT_FALSE(reply.exists);
    EXPECT_FALSE(reply.answered);
    EXPECT_FALSE(AskInstance("", InstanceRequest::Raise).exists);
}

TEST(SdlInstance, OwnerAnswersQueriesAndCarriesOutRaiseAndRestore) {
    SocketDir dir;
    const std::string path = dir.Socket("TINTWIN");
    std::atomic<int> notified{0};
    InstanceServer server;
    ASSERT_TRUE(server.Listen(path, [&] { ++notified; }));

    bool iconic = true;
    std::vector<InstanceRequest> seen;
    auto handler = [&](InstanceRequest r) {
        seen.push_back(r);
        if (r == InstanceRequest::Restore) iconic = false;
        return iconic;
    };

    InstanceReply q = AskWhileServing(server, path, InstanceRequest::Query, handler);
    EXPECT_TRUE(q.exists);
    EXPECT_TRUE(q.answered);
    EXPECT_TRUE(q.iconic);

    InstanceReply raise = AskWhileServing(server, path, InstanceRequest::Raise, handler);
    EXPECT_TRUE(raise.answered);
    EXPECT_TRUE(raise.iconic);

    InstanceReply restore = AskWhileServing(server, path, InstanceRequest::Restore, handler);
    EXPECT_TRUE(restore.answered);
    EXPECT_FALSE(restore.iconic);  // the answer tells the state after the restore

    EXPECT_EQ(seen, (std::vector<InstanceRequest>{InstanceRequest::Query, InstanceRequest::Raise,
                                                  InstanceRequest::Restore}));
    EXPECT_EQ(notified.load(), 3);
    // Classes are independent.
    EXPECT_FALSE(AskInstance(dir.Socket("OTHER"), InstanceRequest::Query).exists);
}

TEST(SdlInstance, LiveOwnerCannotBeDisplaced) {
    SocketDir dir;
    const std::string path = dir.Socket("TINTWIN");
    InstanceServer first, second;
    ASSERT_TRUE(first.Listen(path, nullptr));
    EXPECT_FALSE(second.Listen(path, nullptr));
    EXPECT_FALSE(second.Listening());
    // The refused attempt left the owner reachable.
    InstanceReply reply = AskWhileServing(first, path, InstanceRequest::Query, [](InstanceRequest) { return false; });
    EXPECT_TRUE(reply.answered);
}

TEST(SdlInstance, StaleSocketFileIsNoInstanceAndIsReplaced) {
    SocketDir dir;
    const std::string path = dir.Socket("TINTWIN");
    MakeStaleSocket(path);
    EXPECT_FALSE(AskInstance(path, InstanceRequest::Query).exists);

    InstanceServer server;
    ASSERT_TRUE(server.Listen(path, nullptr));
    EXPECT_TRUE(AskWhileServing(server, path, InstanceRequest::Query, [](InstanceRequest) { return false; }).answered);
}

TEST(SdlInstance, AFileThatIsNotASocketIsLeftAlone) {
    SocketDir dir;
    const std::string path = dir.Socket("TINTWIN");
    { std::FILE* f = std::fopen(path.c_str(), "w"); ASSERT_NE(f, nullptr); std::fputs("keep", f); std::fclose(f); }
    InstanceServer server;
    EXPECT_FALSE(server.Listen(path, nullptr));
    EXPECT_EQ(std::filesystem::file_size(path), 4u);
}

TEST(SdlInstance, ClosingRemovesOnlyTheOwnersOwnFile) {
    SocketDir dir;
    const std::string path = dir.Socket("TINTWIN");
    {
        InstanceServer server;
        ASSERT_TRUE(server.Listen(path, nullptr));
        server.Close();
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_FALSE(AskInstance(path, InstanceRequest::Query).exists);
    }
    // Someone else's socket now sits at the path: closing the old owner must not remove it.
    InstanceServer old, current;
    ASSERT_TRUE(old.Listen(path, nullptr));
    ::unlink(path.c_str());
    ASSERT_TRUE(current.Listen(path, nullptr));
    old.Close();
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(AskWhileServing(current, path, InstanceRequest::Query, [](InstanceRequest) { return false; }).answered);
}

TEST(SdlInstance, BusyOwnerStillExistsAndTheAskerGivesUpInTime) {
    SocketDir dir;
    const std::string path = dir.Socket("TINTWIN");
    InstanceServer server;  // never serves: its window thread is busy
    ASSERT_TRUE(server.Listen(path, nullptr));
    auto start = std::chrono::steady_clock::now();
    InstanceReply reply = AskInstance(path, InstanceRequest::Raise, 200);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(reply.exists);
    EXPECT_FALSE(reply.answered);
    EXPECT_GE(took, 150ms);
    EXPECT_LT(took, 1500ms);
}

TEST(SdlInstance, MalformedRequestsGetNoAnswerAndDoNotStopTheOwner) {
    SocketDir dir;
    const std::string path = dir.Socket("TINTWIN");
    std::atomic<int> notified{0};
    InstanceServer server;
    ASSERT_TRUE(server.Listen(path, [&] { ++notified; }));

    for (std::string junk : {std::string("hello\n"), std::string(200, 'q'), std::string("Query\n")}) {
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ASSERT_EQ(::send(fd, junk.data(), junk.size(), MSG_NOSIGNAL), static_cast<ssize_t>(junk.size()));
        char buf[8];
        pollfd p{fd, POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 3000), 1);
        // Closed without a word (a reset when the junk was left unread).
        ssize_t got = ::recv(fd, buf, sizeof buf, 0);
        EXPECT_TRUE(got == 0 || (got < 0 && errno == ECONNRESET)) << junk;
        ::close(fd);
    }
    EXPECT_EQ(server.ServePending([](InstanceRequest) { return false; }), 0);
    EXPECT_EQ(notified.load(), 0);
    EXPECT_TRUE(AskWhileServing(server, path, InstanceRequest::Query, [](InstanceRequest) { return false; }).answered);
}

TEST(SdlInstance, AnotherProcessIsFoundWhileAliveAndForgottenWhenKilled) {
    SocketDir dir;
    const std::string path = dir.Socket("TINTWIN");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        InstanceServer server;
        char ok = server.Listen(path, nullptr) ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        for (;;) {
            server.ServePending([](InstanceRequest) { return true; });  // a minimised window
            ::usleep(1000);
        }
    }
    ::close(ready[1]);
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ::close(ready[0]);

    InstanceReply reply = AskInstance(path, InstanceRequest::Query);
    EXPECT_EQ(ok, '1');
    EXPECT_TRUE(reply.exists);
    EXPECT_TRUE(reply.answered);
    EXPECT_TRUE(reply.iconic);

    // Killed outright, it cannot remove its socket file.
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(AskInstance(path, InstanceRequest::Query).exists);
    InstanceServer successor;
    EXPECT_TRUE(successor.Listen(path, nullptr));
}

}  // namespace
