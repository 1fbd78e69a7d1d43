// Lumo::Data::MapValue: a map from key values to values, in insertion order.
//
// Keys are usually strings (e.g. task id to task info) but may be any value. Filled through
// the builder calls while its creator holds it alone, then shared and never changed again.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/lumo/DataValue.hpp"

namespace Lumo::Data {

class MapValue final : public DataValue {
public:
    static constexpr DataKind kKind = DataKind::kMap;
    static bool IsKind(DataKind kind) { return kind == kKind; }
    using Entry = std::pair<DataValuePtr, DataValuePtr>;

    MapValue() : DataValue(kKind) {}

    // A new empty map, open for Insert.
    static std::shared_ptr<MapValue> Create() { return std::make_shared<MapValue>(); }

    // Builder: appends an entry. Keys are expected to be distinct; lookups find the first.
    void Insert(DataValuePtr key, DataValuePtr value);
    // Builder: appends an entry with a string key.
    void Insert(std::string key, DataValuePtr value);
    // Builder: reserves room for `count` entries.
    void Reserve(size_t count) { entries_.reserve(count); }

    const std::vector<Entry>& Entries() const { return entries_; }
    size_t Size() const { return entries_.size(); }

    // The value of the first entry whose key is the string `key`, or null.
    DataValuePtr Find(std::string_view key) const;
    // The value of the first entry whose key equals `key`, or null.
    DataValuePtr Find(const DataValue& key) const;
    // True when every key is a string (also for an empty map).
    bool HasOnlyStringKeys() const;

    // Equal when both hold the same entries, in any order.
    bool Equals(const DataValue& other) const override;
    void AppendText(std::string& out) const override;

private:
    std::vector<Entry> entries_;
};

}  // namespace Lumo::Data
