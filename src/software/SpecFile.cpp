#include "software/SpecFile.hpp"

#include "util/FileHelpers.hpp"
#include "util/NativeJson.hpp"

namespace LifeCycle {

std::string SpecFile::PathFor(const std::string& taskId) { return "/var/orvane/lifecycle/swspec-" + taskId; }

bool SpecFile::Write(const Com::Orvane::Tarn::HostprefDaemon::SoftwareSpec& spec, const std::string& path)
{
    try {
        WriteToFile(path, NativeJson::Encode(spec));
        return true;
    } catch (const std::exception&) {
        RemoveFiles({path});
        return false;
    }
}

}  // namespace LifeCycle
