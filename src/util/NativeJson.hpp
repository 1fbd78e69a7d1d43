// LifeCycle::NativeJson: the JSON documents exchanged with the host tools, to and from the native
// types of the API bindings, through the framework's adapters and the direct JSON form.
//
// Static only; thread-safe. Conversion complaints are logged with the tag of the calling
// operation and returned as the error the caller answers with.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/lumo/NativeToValueAdapter.hpp"
#include "platform/lumo/ValueToNativeAdapter.hpp"
#include "util/LumoJson.hpp"
#include "util/ServiceErrors.hpp"

namespace LifeCycle {

class NativeJson {
public:
    // `native` as the direct-form JSON a tool reads. Throws LumoJsonSerializationError.
    template <class T>
    static std::string Encode(const T& native)
    {
        return LumoJson::Encode(Lumo::Bindings::NativeToValueAdapter::Adapt(native));
    }

    // Reads `value` into `native`. On failure logs the adapter's messages tagged `tag` and
    // returns an error of `kind` carrying them; null on success.
    template <class T>
    static Lumo::Data::ErrorValuePtr Adapt(const Lumo::Data::DataValuePtr& value, T& native,
                                           const std::string& tag, const ServiceErrors::Kind& kind)
    {
        const auto complaint = Lumo::Bindings::ValueToNativeAdapter::Adapt(value, native);
        if (complaint == nullptr) {
            return nullptr;
        }
        const auto messages = ServiceErrors::MessagesOf(*complaint);
        LumoJson::LogAdapterMessages(messages, tag);
        return ServiceErrors::WithMessages(kind, messages);
    }

    // Called with the decoder's exception when a text is not JSON, to log it.
    using BadJsonLogger = std::function<void(const std::exception&)>;

    // Reads a tool's JSON output `text` into `native`. Text that is not JSON answers `kind`
    // without messages (after `onBadJson`); a value the adapter refuses answers as Adapt does.
    // Null on success.
    template <class T>
    static Lumo::Data::ErrorValuePtr Read(std::string_view text, T& native, const std::string& tag,
                                          const ServiceErrors::Kind& kind,
                                          const BadJsonLogger& onBadJson = nullptr)
    {
        Lumo::Data::DataValuePtr value;
        try {
            value = LumoJson::Decode(text);
        } catch (const std::exception& error) {
            if (onBadJson) {
                onBadJson(error);
            }
            return ServiceErrors::Bare(kind);
        }
        return Adapt(value, native, tag, kind);
    }
};

}  // namespace LifeCycle
