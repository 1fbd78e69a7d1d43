// Lumo::Protocol::Json::JsonDecodeResult: the outcome of decoding a data value from JSON,
// the value or the error value that says why there is none.
//
// A small value; thread-safe as a const value.
#pragma once

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/ErrorValue.hpp"

namespace Lumo::Protocol::Json {

struct JsonDecodeResult {
    Data::DataValuePtr value;   // set on success
    Data::ErrorValuePtr error;  // set on failure: an invalid_argument error with one message

    bool Ok() const { return error == nullptr; }
};

}  // namespace Lumo::Protocol::Json
