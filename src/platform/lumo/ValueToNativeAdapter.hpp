// Lumo::Bindings::ValueToNativeAdapter: reads a data value into a native type of the
// generated bindings.
//
// Stateless; thread-safe.
#pragma once

#include "platform/lumo/TypeAdapter.hpp"

namespace Lumo::Bindings {

struct ValueToNativeAdapter {
    // Reads `value` into `native`. Null on success; otherwise an InvalidArgument error whose
    // one message ("lumo.data.unset.non.optional.field", "lumo.data.unset.field",
    // "lumo.data.invalid.type" or "lumo.data.bad.cast2") names where reading stopped.
    // `native` may be partly written after a failure.
    template <class T>
    static Data::ErrorValuePtr Adapt(const Data::DataValuePtr& value, T& native,
                                     const L10n::RequestLocalizer& localizer = L10n::RequestLocalizer())
    {
        AdaptContext context(localizer);
        if (!ReadValue(value, native, context)) {
            return context.Error();
        }
        return nullptr;
    }
};

}  // namespace Lumo::Bindings
