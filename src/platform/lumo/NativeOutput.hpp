// Lumo::Data::NativeOutput: an operation's output still in its native form. The answer's
// encoder has it emit itself into a ValueSink, which spares building and freeing a tree of
// values for every answer; whoever needs the data value gets it built on request.
//
// Immutable once made, so it is shared between threads like a data value.
#pragma once

#include <utility>

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/ValueSink.hpp"

namespace Lumo::Data {

class NativeOutput {
public:
    virtual ~NativeOutput() = default;

    // Sends the events of the value ToValue would build to `sink`.
    virtual void Emit(ValueSink& sink) const = 0;
    // The output as a data value, built anew on every call.
    virtual DataValuePtr ToValue() const = 0;
};

// The output of native type T, converted by `Adapter` (a TypeAdapter<T>).
template <class T, class Adapter>
class NativeOutputOf final : public NativeOutput {
public:
    explicit NativeOutputOf(T native) : native_(std::move(native)) {}

    void Emit(ValueSink& sink) const override { Adapter::Emit(native_, sink); }
    DataValuePtr ToValue() const override { return Adapter::ToValue(native_); }

private:
    T native_;
};

}  // namespace Lumo::Data
