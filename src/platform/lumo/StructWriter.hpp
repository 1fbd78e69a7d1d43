// Lumo::Bindings::StructWriter: builds the structure value of a generated native structure,
// one field at a time.
//
// Lives for one conversion on one thread.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/lumo/StructValue.hpp"
#include "platform/lumo/TypeAdapter.hpp"

namespace Lumo::Bindings {

class StructWriter {
public:
    // A structure of type `typeId` with room for `fieldCount` fields.
    StructWriter(std::string_view typeId, size_t fieldCount);

    // Sets field `name` to the value of `native`.
    template <class T>
    StructWriter& Put(std::string_view name, const T& native)
    {
        value_->SetField(std::string(name), WriteValue(native));
        return *this;
    }
    // Sets field `name` to a secret holding `native`.
    StructWriter& PutSecret(std::string_view name, const std::string& native);
    // Sets field `name` to a set optional secret, or the unset optional.
    StructWriter& PutSecret(std::string_view name, const std::optional<std::string>& native);

    // The finished structure.
    Data::DataValuePtr Done() { return std::move(value_); }

private:
    std::shared_ptr<Data::StructValue> value_;
};

}  // namespace Lumo::Bindings
