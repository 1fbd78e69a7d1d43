// Fuzz target: the configuration manager's reading of desired documents, which come from
// clients. Any input must be accepted or refused with the configuration store's parse or
// empty-document error, never crash; an accepted document merges into a tree whose
// validation errors each point at a value of that tree, and whose comparison with the empty
// store and with itself is consistent.
#include <rapidjson/pointer.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "FuzzSupport.hpp"
#include "platform/host/configmanager/CMErrorCodes.hpp"
#include "platform/host/configmanager/ConfigManager.hpp"
#include "platform/host/configmanager/ConfigStoreException.hpp"
#include "platform/host/configmanager/SettingDiff.hpp"

namespace {

namespace fs = std::filesystem;
using TarnConfigStore::ConfigStoreException;

// A handle that never cancels and keeps nothing.
class FuzzTaskHandle : public TarnConfigManager::TaskHandle {
public:
    bool IsCancelled() const override { return false; }
    void UpdateProgress(float) override {}
    std::shared_ptr<Notifications> GetNotifications() override { return nullptr; }
    std::shared_ptr<TaskHandle> CreateSubTask(int) override { return std::make_shared<FuzzTaskHandle>(); }
    std::string GetTaskId() const override { return "fuzz"; }
};

// The demo host's schemas without their plugins (a process per input would only measure
// process starts), in a host root of our own.
void MakeHostRoot()
{
    char pattern[] = "/tmp/hostprefd-fuzz-XXXXXX";
    const fs::path root = mkdtemp(pattern);
    const fs::path schemas = root / "usr/lib/orvane/configmanager/schemas";
    fs::create_directories(schemas);
    for (const auto& entry : fs::directory_iterator(FUZZ_FIXTURE_SCHEMAS)) {
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        rapidjson::Document schema;
        schema.Parse(text.str().c_str());
        if (!schema.IsObject()) continue;
        schema.RemoveMember("x-validation-plugin");
        schema.RemoveMember("x-apply-plugin");
        rapidjson::StringBuffer out;
        rapidjson::Writer<rapidjson::StringBuffer> writer(out);
        schema.Accept(writer);
        std::ofstream(schemas / entry.path().filename()) << out.GetString();
    }
    fs::create_directories(root / "sys/class/dmi/id");
    std::ofstream(root / "sys/class/dmi/id/product_uuid") << "4C4C4544-0042-3510-8052-B4C04F4B4E31\n";
    setenv("HOSTPREFD_ROOT", root.c_str(), 1);
}

size_t SettingCount(const rapidjson::Value& tree)
{
    size_t count = 0;
    ConfigStoreDocument::ForEachSetting(
        tree, [&](const std::string&, const std::string&, const std::string&, const rapidjson::Value&) { ++count; });
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    MakeHostRoot();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ConfigStoreDocument::DocumentPtr desired;
    try {
        desired = ConfigStoreDocument::CreateDocument(text);
        TarnConfigManager::GenerateHostDocumentSchema(*desired);
    } catch (const ConfigStoreException& error) {
        FUZZ_CHECK(error.GetErrorCode() == TarnConfigManager::kParseError ||
                   error.GetErrorCode() == TarnConfigManager::kEmptyDocument ||
                   error.GetErrorCode() == TarnConfigManager::kSchemaNotFound);
        return 0;
    }
    rapidjson::Document merged;
    TarnConfigManager::CreateMergedDocument(*desired, merged);
    TarnConfigManager::ValidationResult result;
    TarnConfigManager::Validate(merged, *desired, "{}", result, Fuzz::Seed(data, size) & 1,
                                std::make_shared<FuzzTaskHandle>());
    FUZZ_CHECK(!result.errorInfo.HasMessage());
    for (const TarnConfigManager::ValidationError& error : result.errors) {
        FUZZ_CHECK(rapidjson::Pointer(error.path.c_str()).Get(merged) != nullptr);
        FUZZ_CHECK(!error.messages.empty());
    }
    const auto schemas = TarnSchemaStore::SchemaStore::GetStore();
    const rapidjson::Value empty(rapidjson::kObjectType);
    FUZZ_CHECK(TarnConfigManager::SettingDiff::Between(empty, merged, *schemas, true).size() == SettingCount(merged));
    FUZZ_CHECK(TarnConfigManager::SettingDiff::Between(merged, merged, *schemas, true).empty());
    FUZZ_CHECK(ConfigStoreDocument::IsDocumentEmpty(merged) == (SettingCount(merged) == 0));
    return 0;
}
