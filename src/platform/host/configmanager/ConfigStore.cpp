#include "platform/host/configmanager/ConfigStore.hpp"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <mutex>
#include <string>
#include <system_error>

#include "platform/host/CSLogger.hpp"
#include "platform/host/HostRoot.hpp"
#include "platform/host/configmanager/CMErrorCodes.hpp"
#include "platform/host/configmanager/ConfigStoreException.hpp"
#include "platform/host/configmanager/JsonFile.hpp"

namespace TarnConfigStore {

namespace {

std::mutex& ChangeMutex()
{
    static std::mutex mutex;
    return mutex;
}

[[noreturn]] void StoreUnavailable(const std::string& reason)
{
    CSLogger::Log(0, "ConfigStore: %s: %s", ConfigStore::kStorePath, reason.c_str());
    throw ConfigStoreException(TarnConfigManager::kDbConnectError,
                               "Failed to connect to ConfigStore: " + reason);
}

}  // namespace

ConfigStore::Snapshot ConfigStore::Read()
{
    auto file = std::make_shared<rapidjson::Document>();
    std::string reason;
    switch (JsonFile::Read(HostRoot::Path(kStorePath), *file, reason)) {
        case JsonFile::ReadStatus::kMissing: {
            file->SetObject();
            return {0, file};
        }
        case JsonFile::ReadStatus::kOk:
            break;
        default:
            StoreUnavailable(reason);
    }
    const auto generation = file->IsObject() ? file->FindMember("generation") : file->MemberEnd();
    const auto config = file->IsObject() ? file->FindMember("config") : file->MemberEnd();
    if (!file->IsObject() || generation == file->MemberEnd() || !generation->value.IsUint64() ||
        config == file->MemberEnd() || !config->value.IsObject()) {
        StoreUnavailable("not a configuration store");
    }
    // Callers hold the configuration tree only.
    auto tree = std::make_shared<rapidjson::Document>();
    tree->CopyFrom(config->value, tree->GetAllocator());
    return {generation->value.GetUint64(), tree};
}

uint64_t ConfigStore::Replace(const rapidjson::Value& config, uint64_t basedOn)
{
    std::lock_guard lock(ChangeMutex());
    const uint64_t current = Read().generation;
    if (current != basedOn) {
        throw ConfigStoreException(TarnConfigManager::kImpactInvalid,
                                   "The configuration store moved from generation " +
                                       std::to_string(basedOn) + " to " + std::to_string(current));
    }
    rapidjson::StringBuffer text;
    rapidjson::Writer<rapidjson::StringBuffer> writer(text);
    writer.StartObject();
    writer.Key("generation");
    writer.Uint64(current + 1);
    writer.Key("config");
    config.Accept(writer);
    writer.EndObject();
    try {
        JsonFile::Replace(HostRoot::Path(kStorePath), std::string_view(text.GetString(), text.GetSize()));
    } catch (const std::system_error& error) {
        CSLogger::Log(0, "ConfigStore: %s: %s", kStorePath, error.what());
        throw ConfigStoreException(TarnConfigManager::kStoreWriteError,
                                   std::string("The configuration store cannot be written: ") + error.what());
    }
    return current + 1;
}

}  // namespace TarnConfigStore
