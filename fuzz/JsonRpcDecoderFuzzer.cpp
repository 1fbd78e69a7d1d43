// Fuzz target: the JSON-RPC request decoder. Any input must decode or yield an error value,
// never crash; every decoded request must encode again to a body that decodes to an equal
// request, and the answer serializers must turn its input (as a result) and any decoding
// error into valid JSON.
#include <rapidjson/document.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzSupport.hpp"
#include "platform/lumo/CollectingOutputRange.hpp"
#include "platform/lumo/JsonApiDirectResponseSerializer.hpp"
#include "platform/lumo/JsonApiRequestDeserializer.hpp"
#include "platform/lumo/JsonApiRequestSerializer.hpp"
#include "platform/lumo/JsonApiResponseSerializer.hpp"

namespace {

using namespace Lumo::Protocol::Json;

bool IsOneJsonText(std::string_view text)
{
    rapidjson::Document document;
    document.Parse<rapidjson::kParseValidateEncodingFlag>(text.data(), text.size());
    return !document.HasParseError();
}

void CheckAnswers(const JsonApiSerializerBase& serializer, const JsonApiRequestDeserializer::Result& decoded)
{
    CollectingOutputRange out;
    Lumo::Data::ErrorValuePtr error;
    if (decoded.Ok()) {
        serializer.SerializeInvoke(decoded.request->requestId,
                                   Lumo::Core::MethodResult::FromOutput(decoded.request->input), out, error,
                                   false);
    } else {
        serializer.SerializeError(*decoded.error, out, error);
    }
    FUZZ_CHECK(error == nullptr);
    FUZZ_CHECK(out.Pieces().size() == 1);
    FUZZ_CHECK(IsOneJsonText(out.Pieces().front().Bytes()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const JsonApiRequestDeserializer decoder;
    std::string_view body(reinterpret_cast<const char*>(data), size);
    auto decoded = decoder.Deserialize(body);
    FUZZ_CHECK(decoded.Ok() == decoded.request.has_value());

    CheckAnswers(JsonApiResponseSerializer(), decoded);
    CheckAnswers(JsonApiDirectResponseSerializer(), decoded);
    if (!decoded.Ok()) {
        return 0;
    }

    const JsonApiRequest& request = *decoded.request;
    std::string encoded = JsonApiRequestSerializer::Serialize(request);
    auto again = decoder.Deserialize(encoded);
    FUZZ_CHECK(again.Ok());
    FUZZ_CHECK(again.request->requestId == request.requestId);
    FUZZ_CHECK(again.request->method == request.method);
    FUZZ_CHECK(Lumo::Data::Equal(again.request->input, request.input));
    FUZZ_CHECK(again.request->executionContext.applicationContext ==
               request.executionContext.applicationContext);
    FUZZ_CHECK(again.request->executionContext.securityContext == request.executionContext.securityContext);
    return 0;
}
