// Lumo::Bindings::NativeToValueAdapter: the data value of any native type of the generated
// bindings (structures, enumerations, scalars and their containers).
//
// Stateless; thread-safe.
#pragma once

#include "platform/lumo/TypeAdapter.hpp"

namespace Lumo::Bindings {

struct NativeToValueAdapter {
    // The value of `native`; never null (an unset optional or opaque is the unset optional).
    template <class T>
    static Data::DataValuePtr Adapt(const T& native)
    {
        return WriteValue(native);
    }
};

}  // namespace Lumo::Bindings
