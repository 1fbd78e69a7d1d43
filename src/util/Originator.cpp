#include "util/Originator.hpp"

#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>

#include "platform/host/CSLogger.hpp"
#include "platform/host/HostRoot.hpp"

namespace LifeCycle {

namespace {

// Length of the build suffix that ends a base image schema stem ("-24.1.0").
constexpr size_t kSchemaSuffixLength = 7;

}  // namespace

bool Originator::IsDpuHost()
{
    struct stat status {};
    return stat(HostRoot::Path(kDpuMarker).c_str(), &status) == 0;
}

std::string Originator::For(const std::string& name) { return "quarn[" + name + "]"; }

std::string Originator::FindBaseImageName()
{
    namespace fs = std::filesystem;
    const std::string baseName = IsDpuHost() ? "tarnio-base" : "tarn-base";

    // Entries are taken in directory order. Besides the base image's own schema, an entry that
    // is not a ".json" schema file (such as an unpacked schema bundle) is accepted as well.
    std::error_code error;
    fs::directory_iterator entries(HostRoot::Path(kSchemaDir), error);
    const fs::directory_iterator end;
    for (; !error && entries != end; entries.increment(error)) {
        const fs::path& path = entries->path();
        const std::string fileName = path.filename().string();
        if (fileName.starts_with(baseName) || path.extension() != ".json") {
            std::string name = path.stem().string();
            name.resize(name.size() > kSchemaSuffixLength ? name.size() - kSchemaSuffixLength : 0);
            CSLogger::Log(2, "Using '%s' for tarn-base originator ID", name.c_str());
            return name;
        }
    }
    throw std::runtime_error("Unable to find tarn-base schema");
}

const std::string& Originator::Default()
{
    // An exception leaves the static uninitialised, so a later call tries again.
    static const std::string originator = For(FindBaseImageName());
    return originator;
}

}  // namespace LifeCycle
