// Lumo::Core::MethodResult: what an operation delivers through its result callback, an
// output value or an error value, plus two delivery flags.
//
// A small value (two shared pointers and flags), moved along the provider chain.
// Thread-safe as a const value.
#pragma once

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/ErrorValue.hpp"

namespace Lumo::Core {

class MethodResult {
public:
    // A successful result with `output` (null: the void value).
    static MethodResult FromOutput(Data::DataValuePtr output);
    // A failed result with `error` (null: as GetErrorInstance).
    static MethodResult FromError(Data::ErrorValuePtr error);
    // The internal server error: "com.orvane.lumo.std.errors.internal_server_error", no messages.
    static MethodResult GetErrorInstance();

    bool IsError() const { return error_ != nullptr; }
    // The output value; null for an error result.
    const Data::DataValuePtr& Output() const { return output_; }
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
    Data::ErrorValuePtr error_;
    bool stream_ = false;
    bool moreFollows_ = false;
};

}  // namespace Lumo::Core
