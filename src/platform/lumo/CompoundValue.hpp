// Lumo::Data::CompoundValue: the common part of structures and errors, a name and named
// fields in insertion order.
//
// Filled through SetField while its creator holds it alone, then shared and never changed
// again. Copying one is shallow (field values are shared), so a filter can copy an error,
// add a field and pass the copy on cheaply.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/lumo/DataValue.hpp"

namespace Lumo::Data {

class CompoundValue : public DataValue {
public:
    static bool IsKind(DataKind kind) { return kind == DataKind::kStruct || kind == DataKind::kError; }
    using Field = std::pair<std::string, DataValuePtr>;

    // The structure's type name or the error's name.
    const std::string& Name() const { return name_; }

    // Builder: sets field `name` to `value` (never null), replacing an earlier value.
    void SetField(std::string name, DataValuePtr value);
    // Builder: reserves room for `count` fields.
    void Reserve(size_t count) { fields_.reserve(count); }

    // The value of field `name`, or null when there is none.
    DataValuePtr GetField(std::string_view name) const;
    bool HasField(std::string_view name) const { return GetField(name) != nullptr; }
    const std::vector<Field>& Fields() const { return fields_; }

    // Equal when of the same kind and name, with the same fields in any order.
    bool Equals(const DataValue& other) const override;
    void AppendText(std::string& out) const override;

protected:
    // `fields` must have distinct names.
    CompoundValue(DataKind kind, std::string name, std::vector<Field> fields)
        : DataValue(kind), name_(std::move(name)), fields_(std::move(fields))
    {
    }
    CompoundValue(const CompoundValue&) = default;

private:
    std::string name_;
    std::vector<Field> fields_;
};

}  // namespace Lumo::Data
