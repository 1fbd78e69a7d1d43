// FeatureTable: the host's feature switches, each with a position, a name and a state.
//
// Read from a file of lines "<position> <Name> enabled|disabled"; a line that does not
// fit is skipped and logged. A value type; the process-wide table behind the
// FeatureState_* calls is guarded by its user.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

class FeatureTable {
public:
    // Positions run from 0 to kSize - 1.
    static constexpr size_t kSize = 256;

    // The table of the file at `path`; empty (every feature disabled) when it is missing.
    static FeatureTable Load(const std::string& path);

    // The state of the named feature, or nothing when no such feature is listed.
    std::optional<bool> Find(std::string_view name) const;

    // The state of the feature at `position`; false when none is listed there.
    bool IsEnabledAt(size_t position) const;

    // Every listed feature's state by name.
    const std::map<std::string, bool, std::less<>>& ByName() const { return byName_; }

private:
    // Adds one parsed line; false when its position or name is taken.
    bool Add(size_t position, std::string name, bool enabled);

    std::map<std::string, bool, std::less<>> byName_;
    std::map<size_t, bool> byPosition_;
};
