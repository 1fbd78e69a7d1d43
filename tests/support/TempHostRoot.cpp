#include "support/TempHostRoot.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <boost/filesystem.hpp>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = boost::filesystem;

namespace TestSupport {

namespace {

std::string EnvOr(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : fallback;
}

}  // namespace

std::string BuildDir()
{
    return EnvOr("HOSTPREFD_BUILD_DIR", ".");
}

int FreeLoopbackPort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        throw std::runtime_error("socket failed");
    }
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(fd);
        throw std::runtime_error("bind failed");
    }
    close(fd);
    return ntohs(addr.sin_port);
}

TempHostRoot::TempHostRoot()
{
    char pattern[] = "/tmp/hostprefd-test.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    dir_ = pattern;
    fs::path fixtures = fs::path(EnvOr("HOSTPREFD_FIXTURES", "tests/fixtures")) / "hostroot";
    for (const auto& entry : fs::recursive_directory_iterator(fixtures)) {
        fs::path target = fs::path(dir_) / fs::relative(entry.path(), fixtures);
        if (fs::is_directory(entry.path())) {
            fs::create_directories(target);
        } else {
            fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
        }
    }
    port_ = FreeLoopbackPort();
    WriteFile("/etc/services", "hostprefd\t" + std::to_string(port_) + "/tcp\n");
}

TempHostRoot::~TempHostRoot()
{
    boost::system::error_code ignored;
    fs::remove_all(dir_, ignored);
}

void TempHostRoot::WriteFile(const std::string& hostPath, const std::string& content) const
{
    fs::path path = Path(hostPath);
    fs::create_directories(path.parent_path());
    std::ofstream out(path.string(), std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string TempHostRoot::ReadFile(const std::string& hostPath) const
{
    std::ifstream in(Path(hostPath), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool TempHostRoot::Exists(const std::string& hostPath) const
{
    return access(Path(hostPath).c_str(), F_OK) == 0;
}

}  // namespace TestSupport
