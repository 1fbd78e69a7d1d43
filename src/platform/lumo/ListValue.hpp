// Lumo::Data::ListValue: an ordered sequence of values.
//
// Filled through the builder calls while its creator holds it alone, then shared as a
// DataValuePtr and never changed again. Not thread-safe while being built.
#pragma once

#include <vector>

#include "platform/lumo/DataValue.hpp"

namespace Lumo::Data {

class ListValue final : public DataValue {
public:
    static constexpr DataKind kKind = DataKind::kList;
    static bool IsKind(DataKind kind) { return kind == kKind; }

    ListValue() : DataValue(kKind) {}
    explicit ListValue(std::vector<DataValuePtr> items) : DataValue(kKind), items_(std::move(items)) {}

    // A new list holding `items`, still open for Add.
    static std::shared_ptr<ListValue> Create(std::vector<DataValuePtr> items = {})
    {
        return std::make_shared<ListValue>(std::move(items));
    }

    // Builder: appends `item` (never null).
    void Add(DataValuePtr item) { items_.push_back(std::move(item)); }
    // Builder: reserves room for `count` items.
    void Reserve(size_t count) { items_.reserve(count); }

    const std::vector<DataValuePtr>& Items() const { return items_; }
    size_t Size() const { return items_.size(); }

    bool Equals(const DataValue& other) const override;
    void AppendText(std::string& out) const override;

private:
    std::vector<DataValuePtr> items_;
};

}  // namespace Lumo::Data
