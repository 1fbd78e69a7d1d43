// FeatureState: the host's feature switches, by name and by position in the feature list.
//
// The switches are read from /etc/orvane/features below the host root (lines
// "<position> <Name> enabled|disabled"); a feature that is not listed is disabled.
// Process-wide; thread-safe.
#pragma once

#include <cstddef>
#include <optional>

inline constexpr const char* kFeaturesPath = "/etc/orvane/features";

// Reads the feature file, logging only what is wrong with it.
void FeatureState_InitSilentMode();

// Reads the feature file again and logs each feature whose state differs from the
// previous reading (a feature that appears counts as a change from disabled).
void FeatureState_InitDeltaMode();

// Whether the named feature is enabled; an unknown name is disabled and logged.
bool GetFeatureState_Slow(const char* name);

// The named feature's state, or nothing when the feature is not listed. Logs nothing.
std::optional<bool> FeatureState_Find(const char* name);

// The feature list by position: the host addresses some features by their place.
class FeatureList {
public:
    // Whether the feature at `position` is enabled; false for an empty or invalid position.
    static bool IsEnabled(size_t position);
};
