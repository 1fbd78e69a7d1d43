#include "platform/host/FeatureState.hpp"

#include <mutex>

#include "platform/host/CSLogger.hpp"
#include "platform/host/FeatureTable.hpp"
#include "platform/host/HostRoot.hpp"

namespace {

std::mutex featuresMutex;
FeatureTable features;  // guarded by featuresMutex; empty until the first reading

void LogChanges(const FeatureTable& before, const FeatureTable& after)
{
    for (const auto& [name, enabled] : after.ByName()) {
        if (before.Find(name).value_or(false) != enabled) {
            CSLogger::Log(2, "Features: %s is now %s", name.c_str(), enabled ? "enabled" : "disabled");
        }
    }
    for (const auto& [name, enabled] : before.ByName()) {
        if (enabled && !after.Find(name)) {
            CSLogger::Log(2, "Features: %s is no longer listed, now disabled", name.c_str());
        }
    }
}

}  // namespace

void FeatureState_InitSilentMode()
{
    FeatureTable table = FeatureTable::Load(HostRoot::Path(kFeaturesPath));
    std::lock_guard<std::mutex> lock(featuresMutex);
    features = std::move(table);
}

void FeatureState_InitDeltaMode()
{
    FeatureTable table = FeatureTable::Load(HostRoot::Path(kFeaturesPath));
    std::lock_guard<std::mutex> lock(featuresMutex);
    LogChanges(features, table);
    features = std::move(table);
}

std::optional<bool> FeatureState_Find(const char* name)
{
    if (name == nullptr) {
        return std::nullopt;
    }
    std::lock_guard<std::mutex> lock(featuresMutex);
    return features.Find(name);
}

bool GetFeatureState_Slow(const char* name)
{
    const std::optional<bool> state = FeatureState_Find(name);
    if (!state) {
        CSLogger::Log(1, "Features: unknown feature '%s', taken as disabled", name != nullptr ? name : "");
    }
    return state.value_or(false);
}

bool FeatureList::IsEnabled(size_t position)
{
    std::lock_guard<std::mutex> lock(featuresMutex);
    return features.IsEnabledAt(position);
}
