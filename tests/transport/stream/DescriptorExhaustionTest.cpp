// The accept loop in a child process that really runs out of descriptors.
#include <dirent.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "StreamTestSupport.hpp"
#include "transport/stream/StreamServer.hpp"

namespace {

using namespace std::chrono_literals;
using Lumo::Asio::AsyncPutbackStream;
using StreamTest::tcp;
using Clock = std::chrono::steady_clock;

// Writes each record as one line to a descriptor (a pipe to the parent).
class PipeLogger : public Lumo::Log::Logger {
public:
    explicit PipeLogger(int fd) : fd_(fd) {}
    std::unique_ptr<Lumo::Log::LogRecord> CreateRecord(uint32_t) override { return std::make_unique<Record>(fd_); }
    void Flush() override {}

    static void WriteLine(int fd, std::string line)
    {
        line += '\n';
        (void)!::write(fd, line.data(), line.size());
    }

private:
    class Record : public Lumo::Log::LogRecord {
    public:
        explicit Record(int fd) : fd_(fd) {}
        std::ostream& Stream() override { return text_; }
        ~Record() override { WriteLine(fd_, text_.str()); }

    private:
        int fd_;
        std::ostringstream text_;
    };
    int fd_;
};

int HighestOpenDescriptor()
{
    int highest = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) {
        return 1024;
    }
    const int own = ::dirfd(dir);
    while (dirent* entry = ::readdir(dir)) {
        const int fd = std::atoi(entry->d_name);
        if (fd != own) {
            highest = std::max(highest, fd);
        }
    }
    ::closedir(dir);
    return highest;
}

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
            PipeLogger::WriteLine(logFd,
                                  "accepted " + std::to_string(stream->Lowest().RemoteEndpoint(ec).port()));
            auto position = open.insert(open.end(), stream);
            auto buffer = std::make_shared<std::array<char, 64>>();
            // Nothing is expected from the peer: its end of file frees the descriptor.
            stream->async_read_some(boost::asio::buffer(*buffer),
                                    [&open, position, buffer](const boost::system::error_code&, std::size_t) {
                                        open.erase(position);
                                    });
        },
        std::make_shared<PipeLogger>(logFd));

    const auto room = static_cast<rlim_t>(HighestOpenDescriptor() + 3);
    const rlimit limit{room, room};
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
        PipeLogger::WriteLine(logFd, "setrlimit failed");
        ::_exit(2);
    }
    // Inherited descriptors leave gaps below the limit; fill every free slot, then give two back.
    std::vector<int> fillers;
    for (int fd = ::dup(logFd); fd >= 0; fd = ::dup(logFd)) {
        fillers.push_back(fd);
    }
    for (int i = 0; i < 2 && !fillers.empty(); ++i) {
        ::close(fillers.back());
        fillers.pop_back();
    }
    server->Start();
    io.run();
    ::_exit(0);
}

// Collects the child's lines from the read end of its log pipe.
class ChildLog {
public:
    explicit ChildLog(int fd) : fd_(fd) {}
    ~ChildLog() { ::close(fd_); }

    // Waits until some line contains `part`; false when `limit` passes first.
    bool WaitFor(const std::string& part, Clock::duration limit)
    {
        const auto end = Clock::now() + limit;
        while (!Contains(part)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0) {
                return false;
            }
            pollfd entry{fd_, POLLIN, 0};
            if (::poll(&entry, 1, static_cast<int>(left)) <= 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) {
                return Contains(part);
            }
            text_.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    }

    bool Contains(const std::string& part) const { return text_.find(part) != std::string::npos; }
    std::size_t Count(const std::string& part) const
    {
        std::size_t count = 0;
        for (auto at = text_.find(part); at != std::string::npos; at = text_.find(part, at + 1)) {
            ++count;
        }
        return count;
    }
    const std::string& Text() const { return text_; }

private:
    int fd_;
    std::string text_;
};

struct ChildGuard {
    pid_t pid;
    ~ChildGuard()
    {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
};

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
    ChildGuard guard{pid};
    ::close(logPipe[1]);
    listening.close();
    ChildLog log(logPipe[0]);

    // Connect until the child can no longer take a connection.
    std::vector<tcp::socket> clients;
    for (int i = 0; i < 20 && !log.Contains(";DelayAcceptError"); ++i) {
        clients.emplace_back(io).connect(endpoint);
        log.WaitFor(";DelayAcceptError", 300ms);
    }
    ASSERT_TRUE(log.Contains(";DelayAcceptError")) << log.Text();
    EXPECT_TRUE(log.Contains("Accept Error: Too many open files;DelayAcceptError.Acceptor info:LocalEndpoint:127.0.0.1:" +
                             std::to_string(endpoint.port())))
        << log.Text();

    // Still out of descriptors a while later: it keeps retrying and has not given up.
    const std::size_t delaysBefore = log.Count(";DelayAcceptError");
    log.WaitFor("no such line", 1200ms);
    const std::size_t retries = log.Count(";DelayAcceptError") - delaysBefore;
    EXPECT_GE(retries, 1u) << "a new attempt every 500 ms";
    EXPECT_LE(retries, 4u) << "attempts must be spaced, not spinning";

    // Free the descriptors: the child sees end of file on what it accepted and lets go.
    clients.clear();
    tcp::socket late(io);
    late.connect(endpoint);
    const std::string lateLine = "accepted " + std::to_string(late.local_endpoint().port());
    EXPECT_TRUE(log.WaitFor(lateLine, 5s)) << log.Text();
    EXPECT_FALSE(log.Contains(";TerminalAcceptError")) << log.Text();
    EXPECT_FALSE(log.Contains("Delay timer Accept Error")) << log.Text();
}

}  // namespace
