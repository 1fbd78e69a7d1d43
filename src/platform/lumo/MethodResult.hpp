// Lumo::Core::MethodResult: what an operation delivers through its result callback, an
// output value (a data value, or a native output that an encoder writes without building the
// value) or an error value, plus two delivery flags.
//
// A small value (three shared pointers and flags), moved along the provider chain.
// Thread-safe as a const value.
#pragma once

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/NativeOutput.hpp"

namespace Lumo::Core {

class MethodResult {
public:
    // A successful result with `output` (null: the void value).
    static MethodResult FromOutput(Data::DataValuePtr output);
    // A successful result whose output is still native (never null).
    static MethodResult FromNative(std::shared_ptr<const Data::NativeOutput> output);
    // A failed result with `error` (null: as GetErrorInstance).
    static MethodResult FromError(Data::ErrorValuePtr error);
    // The internal server error: "com.orvane.lumo.std.errors.internal_server_error", no messages.
    static MethodResult GetErrorInstance();

    bool IsError() const { return error_ != nullptr; }
    // The output value, built from a native output on every call; null for an error result.
    Data::DataValuePtr Output() const { return native_ != nullptr ? native_->ToValue() : output_; }
    // The native output, or null when the output is a data value or the result an error.
    const std::shared_ptr<const Data::NativeOutput>& Native() const { return native_; }
    // The error value; null for a successful result.
    const Data::ErrorValuePtr& Error() const { return error_; }

    // The stream flag: the operation answers as a stream of results.
    bool IsStream() const { return stream_; }
    void SetStream(bool stream) { stream_ = stream; }

    // The continuation: more deliveries follow this one on the same call (streaming progress).
    bool MoreFollows() const { return moreFollows_; }
    void SetMoreFollows(bool moreFollows) { moreFollows_ = moreFollows; }

private:
    MethodResult(Data::DataValuePtr output, Data::ErrorValuePtr error)
        : output_(std::move(output)), error_(std::move(error))
    {
    }

    Data::DataValuePtr output_;
    std::shared_ptr<const Data::NativeOutput> native_;
    Data::ErrorValuePtr error_;
    bool stream_ = false;
    bool moreFollows_ = false;
};

}  // namespace Lumo::Core
