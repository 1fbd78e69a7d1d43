#include "platform/lumo/MapValue.hpp"

#include "platform/lumo/ScalarValue.hpp"

namespace Lumo::Data {

void MapValue::Insert(DataValuePtr key, DataValuePtr value)
{
    entries_.emplace_back(std::move(key), std::move(value));
}

void MapValue::Insert(std::string key, DataValuePtr value)
{
    entries_.emplace_back(StringValue::Create(std::move(key)), std::move(value));
}

DataValuePtr MapValue::Find(std::string_view key) const
{
    for (const auto& [k, v] : entries_) {
        const auto* text = k->As<StringValue>();
        if (text != nullptr && text->Get() == key) {
            return v;
        }
    }
    return nullptr;
}

DataValuePtr MapValue::Find(const DataValue& key) const
{
    for (const auto& [k, v] : entries_) {
        if (k->Equals(key)) {
            return v;
        }
    }
    return nullptr;
}

bool MapValue::HasOnlyStringKeys() const
{
    for (const auto& entry : entries_) {
        if (entry.first->Kind() != DataKind::kString) {
            return false;
        }
    }
    return true;
}

bool MapValue::Equals(const DataValue& other) const
{
    const auto* same = other.As<MapValue>();
    if (same == nullptr || entries_.size() != same->entries_.size()) {
        return false;
    }
    // Maps built the same way list their entries in the same order: compare pairwise first
    // and search only when the orders differ.
    size_t i = 0;
    for (; i < entries_.size(); ++i) {
        if (!Equal(entries_[i].first, same->entries_[i].first)) {
            break;
        }
        if (!Equal(entries_[i].second, same->entries_[i].second)) {
            return false;
        }
    }
    for (; i < entries_.size(); ++i) {
        DataValuePtr found = same->Find(*entries_[i].first);
        if (found == nullptr || !Equal(found, entries_[i].second)) {
            return false;
        }
    }
    return true;
}

void MapValue::AppendText(std::string& out) const
{
    out += '{';
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (i > 0) {
            out += ", ";
        }
        entries_[i].first->AppendText(out);
        out += ": ";
        entries_[i].second->AppendText(out);
    }
    out += '}';
}

}  // namespace Lumo::Data
