// Lumo::Protocol::Json::JsonApiSerializerBase: writes the JSON-RPC 2.0 answers of the API
// (results, progress records, errors); the derived classes choose the JSON form of the data
// values inside (tagged or direct). The envelope is described in docs/api.md.
//
// Stateless; thread-safe. Each call hands exactly one piece to the output range, or none
// when it reports an error through `errOut`.
#pragma once

#include <string_view>

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/JsonWriter.hpp"
#include "platform/lumo/MethodResult.hpp"
#include "platform/lumo/OutputRange.hpp"

namespace Lumo::Protocol::Json {

class JsonApiSerializerBase {
public:
    virtual ~JsonApiSerializerBase() = default;

    // Writes the answer to request `requestIdText` (its id as JSON text; empty means null)
    // carrying `result`: "result" for an output, "error" for an error value. With
    // `streaming`, the message ends with a newline so that a stream of messages splits by
    // line. On failure sets `errOut` and writes nothing; otherwise leaves `errOut` alone.
    void SerializeInvoke(std::string_view requestIdText, const Core::MethodResult& result, OutputRange& out,
                         Data::ErrorValuePtr& errOut, bool streaming) const;

    // Writes a progress notification for request `requestIdText`, newline-terminated.
    // On failure sets `errOut` and writes nothing.
    void SerializeInvokeProgress(std::string_view requestIdText, const Data::DataValuePtr& progress,
                                 OutputRange& out, Data::ErrorValuePtr& errOut) const;

    // Writes an error answer whose id is null (the request could not be read).
    // On failure sets `errOut` and writes nothing.
    void SerializeError(const Data::ErrorValue& error, OutputRange& out, Data::ErrorValuePtr& errOut) const;

protected:
    // Writes `value` in this serializer's data form.
    virtual void WriteValue(const Data::DataValue& value, JsonWriter& writer) const = 0;
    // Writes the value `output` emits in this serializer's data form.
    virtual void WriteNative(const Data::NativeOutput& output, JsonWriter& writer) const = 0;

private:
    void WriteErrorMember(const Data::ErrorValue& error, JsonWriter& writer) const;
};

}  // namespace Lumo::Protocol::Json
