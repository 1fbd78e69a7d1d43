// Lumo::Bindings::StructReader: reads the fields of one structure value into a generated
// native structure, refusing values that are not such a structure and fields that the
// structure does not declare.
//
// Lives for one conversion on one thread; failures go to the AdaptContext.
#pragma once

#include <initializer_list>
#include <string_view>

#include "platform/lumo/StructValue.hpp"
#include "platform/lumo/TypeAdapter.hpp"

namespace Lumo::Bindings {

class StructReader {
public:
    // Checks that `value` is a structure of type `typeId` (or untyped, as a direct decoding
    // yields) with no field outside `fields`. `typeId` empty accepts any type name.
    StructReader(const Data::DataValuePtr& value, std::string_view typeId,
                 std::initializer_list<std::string_view> fields, AdaptContext& context);

    // False when the value was refused.
    bool Ok() const { return value_ != nullptr; }

    // Reads field `name` into `native` (see ReadValue); false after a failure.
    template <class T>
    bool Get(std::string_view name, T& native)
    {
        size_t mark = context_.EnterField(name);
        if (!ReadValue(value_->GetField(name), native, context_)) {
            return false;
        }
        context_.Leave(mark);
        return true;
    }

private:
    const Data::StructValue* value_ = nullptr;
    AdaptContext& context_;
};

}  // namespace Lumo::Bindings
