#include "util/LumoJson.hpp"

#include "platform/host/CSLogger.hpp"
#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/OptionalValue.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"
#include "util/Gzip.hpp"
#include "util/LumoJsonSerializationError.hpp"

namespace LifeCycle {

using Lumo::Protocol::Json::DirectJsonCodec;
using Lumo::Protocol::Json::JsonDecodeResult;
using Lumo::Protocol::Json::TaggedJsonCodec;

Lumo::Data::DataValuePtr LumoJson::Decode(std::string_view text, JsonForm form)
{
    std::string inflated;
    if (Gzip::HasSignature(text)) {
        try {
            inflated = Gzip::Decompress(text);
        } catch (const GzipError& error) {
            CSLogger::Log(0, "Decompression failed: %s", error.what());
            throw LumoJsonSerializationError(std::string("Decompression failed: ") + error.what());
        }
        text = inflated;
    }

    const JsonDecodeResult result =
        form == JsonForm::kFramework ? TaggedJsonCodec::Decode(text) : DirectJsonCodec::Decode(text);
    if (!result.Ok()) {
        const std::string reason = result.error->ToString();
        CSLogger::Log(0, "Deserialize from JSON failed: %s", reason.c_str());
        throw LumoJsonSerializationError("Deserialize from JSON failed: " + reason);
    }
    // The text "null" means "nothing": callers test the pointer, as for a tool that found
    // nothing to report.
    const auto* optional = result.value->As<Lumo::Data::OptionalValue>();
    if (optional != nullptr && !optional->IsSet()) {
        return nullptr;
    }
    return result.value;
}

std::string LumoJson::Encode(const Lumo::Data::DataValuePtr& value)
{
    if (value == nullptr) {
        throw LumoJsonSerializationError("Serialize to JSON failed: no value");
    }
    return DirectJsonCodec::Encode(*value);
}

void LumoJson::LogAdapterMessages(const std::vector<Lumo::BaseMessage>& messages, const std::string& tag)
{
    for (const Lumo::BaseMessage& message : messages) {
        CSLogger::Log(0, "[%s] Could not adapt to native types : %s", tag.c_str(),
                      message.DefaultMessage().c_str());
    }
}

}  // namespace LifeCycle
