// Lumo::Data::StructValue: a structure value, a type name and named fields.
//
// Built with SetField while held by its creator alone, then shared and never changed
// again; see CompoundValue.
#pragma once

#include "platform/lumo/CompoundValue.hpp"

namespace Lumo::Data {

class StructValue final : public CompoundValue {
public:
    static constexpr DataKind kKind = DataKind::kStruct;
    static bool IsKind(DataKind kind) { return kind == kKind; }

    // A structure of type `typeName` (may be empty for untyped data); `fields` must have
    // distinct names.
    explicit StructValue(std::string typeName, std::vector<Field> fields = {})
        : CompoundValue(kKind, std::move(typeName), std::move(fields))
    {
    }

    // A new structure of type `typeName`, open for SetField.
    static std::shared_ptr<StructValue> Create(std::string typeName)
    {
        return std::make_shared<StructValue>(std::move(typeName));
    }

    const std::string& TypeName() const { return Name(); }
};

using StructValuePtr = std::shared_ptr<const StructValue>;

}  // namespace Lumo::Data
