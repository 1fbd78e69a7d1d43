// The accept loop in a child process that really runs out of descriptors.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <list>
#include <sstream>

#include "StreamTestSupport.hpp"
#include "transport/stream/StreamServer.hpp"

namespace {

using namespace std::chrono_literals;
using Lumo::Asio::AsyncPutbackStream;
using StreamTest::tcp;
using Clock = std::chrono::steady_clock;

void WriteLine(int fd, std::string line)
{
    line += '\n';
    (void)!::write(fd, line.data(), line.size());
}

// Writes each record as one line to a descriptor (a pipe to the parent).
class PipeLogger : public Lumo::Log::Logger {
public:
    explicit PipeLogger(int fd) : fd_(fd) {}
    std::unique_ptr<Lumo::Log::LogRecord> CreateRecord(uint32_t) override { return std::make_unique<Record>(fd_); }
    void Flush() override {}

private:
    struct Record : Lumo::Log::LogRecord {
        explicit Record(int fd) : fd(fd) {}
        std::ostream& Stream() override { return text; }
        ~Record() override { WriteLine(fd, text.str()); }
        int fd;
        std::ostringstream text;
    };
    int fd_;
};

// The child: serves `listenFd` with a descriptor limit that leaves room for two connections.
// Each accepted connection is logged with its peer port and kept until the peer closes it.
[[noreturn]] void ServeWithFewDescriptors(int listenFd, int logFd)
{
    boost::asio::io_context io;
    tcp::acceptor listening(io);
    listening.assign(tcp::v4(), listenFd);
    std::list<std::shared_ptr<AsyncPutbackStream>> open;
    auto server = Lumo::Asio::StreamServer<>::Create(
        Lumo::Asio::Acceptor(std::move(listening)), Lumo::Asio::StreamServerSpec{{60s, 60s}}, {},
        [&](std::shared_ptr<AsyncPutbackStream> stream) {
            boost::system::error_code ec;
            WriteLine(logFd, "accepted " + std::to_string(stream->Lowest().RemoteEndpoint(ec).port()));
            auto position = open.insert(open.end(), stream);
            auto buffer = std::make_shared<std::array<char, 64>>();
            // Nothing is expected from the peer: its end of file frees the descriptor.
            stream->async_read_some(boost::asio::buffer(*buffer),
                                    [&open, position, buffer](const boost::system::error_code&, std::size_t) {
                                        open.erase(position);
                                    });
        },
        std::make_shared<PipeLogger>(logFd));

    const rlimit limit{256, 256};
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
        WriteLine(logFd, "setrlimit failed");
        ::_exit(2);
    }
    // Inherited descriptors leave gaps below the limit (any above it stay open): fill every gap,
    // then give two back.
    std::vector<int> fillers;
    for (int fd = ::dup(logFd); fd >= 0; fd = ::dup(logFd)) fillers.push_back(fd);
    for (int i = 0; i < 2 && !fillers.empty(); ++i) {
        ::close(fillers.back());
        fillers.pop_back();
    }
    server->Start();
    io.run();
    ::_exit(0);
}

// The child's log as read from its pipe: waits until `part` appears, false when `limit` passes.
bool WaitFor(int fd, std::string& text, const std::string& part, Clock::duration limit)
{
    const auto end = Clock::now() + limit;
    while (text.find(part) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        pollfd entry{fd, POLLIN, 0};
        if (left <= 0) return false;
        if (::poll(&entry, 1, static_cast<int>(left)) <= 0) continue;
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) return text.find(part) != std::string::npos;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(DescriptorExhaustionTest, AcceptorBacksOffWhileOutOfDescriptorsAndAcceptsOnceTheyAreFree)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // The sanitizer runtimes open pipes of their own to probe memory during their checks;
    // with no descriptor left those probes fail and are reported as faults of the program.
    GTEST_SKIP() << "needs a process whose every descriptor belongs to the program";
#endif
    boost::asio::io_context io;
    tcp::acceptor listening(io);
    ASSERT_FALSE(Lumo::Asio::Acceptor::Listen(listening, tcp::endpoint(boost::asio::ip::address_v4::loopback(), 0)));
    const auto endpoint = listening.local_endpoint();
    int logPipe[2];
    ASSERT_EQ(::pipe(logPipe), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(logPipe[0]);
        ServeWithFewDescriptors(listening.native_handle(), logPipe[1]);
    }
    const std::shared_ptr<void> reap(nullptr, [pid, fd = logPipe[0]](void*) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ::close(fd);
    });
    ::close(logPipe[1]);
    listening.close();
    std::string log;
    const auto wait = [&](const std::string& part, Clock::duration limit) { return WaitFor(logPipe[0], log, part, limit); };

    // Connect until the child can no longer take a connection.
    std::vector<tcp::socket> clients;
    for (int i = 0; i < 20 && Count(log, ";DelayAcceptError") == 0; ++i) {
        clients.emplace_back(io).connect(endpoint);
        wait(";DelayAcceptError", 300ms);
    }
    ASSERT_GE(Count(log, "Accept Error: Too many open files;DelayAcceptError.Acceptor info:LocalEndpoint:127.0.0.1:" +
                             std::to_string(endpoint.port())),
              1u)
        << log;

    // Still out of descriptors a while later: it keeps retrying and has not given up.
    const std::size_t delaysBefore = Count(log, ";DelayAcceptError");
    wait("no such line", 1200ms);
    const std::size_t retries = Count(log, ";DelayAcceptError") - delaysBefore;
    EXPECT_GE(retries, 1u) << "a new attempt every 500 ms";
    EXPECT_LE(retries, 4u) << "attempts must be spaced, not spinning";

    // Free the descriptors: the child sees end of file on what it accepted and lets go.
    clients.clear();
    tcp::socket late(io);
    late.connect(endpoint);
    EXPECT_TRUE(wait("accepted " + std::to_string(late.local_endpoint().port()), 5s)) << log;
    EXPECT_EQ(Count(log, ";TerminalAcceptError") + Count(log, "Delay timer Accept Error"), 0u) << log;
}

}  // namespace
