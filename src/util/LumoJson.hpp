// LifeCycle::LumoJson: converts between the JSON texts exchanged with host tools and API data
// values, and logs the complaints of the value-to-native conversion.
//
// Stateless; thread-safe. Failures are logged and thrown as LumoJsonSerializationError.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/lumo/BaseMessage.hpp"
#include "platform/lumo/DataValue.hpp"

namespace LifeCycle {

// Which JSON encoding a text uses.
enum class JsonForm {
    kDirect = 0,     // plain JSON of the structure, as host tools read and write it
    kFramework = 1,  // the framework's tagged form, which keeps kinds and type names
};

class LumoJson {
public:
    // The value that `text` encodes in `form`; gzip-compressed text is inflated first. The
    // text "null" (a top-level unset optional) gives a null pointer. Throws
    // LumoJsonSerializationError on bad input.
    static Lumo::Data::DataValuePtr Decode(std::string_view text, JsonForm form = JsonForm::kDirect);

    // `value` as direct-form JSON text. Throws LumoJsonSerializationError for a null value.
    static std::string Encode(const Lumo::Data::DataValuePtr& value);

    // Logs one failure line per message of a failed value-to-native conversion, tagged `tag`.
    static void LogAdapterMessages(const std::vector<Lumo::BaseMessage>& messages, const std::string& tag);
};

}  // namespace LifeCycle
