// Lumo::Bindings::TypeAdapter<T>: converts one native type of the generated bindings to a
// data value and back. Specialized here for the scalar types, containers and enumerations;
// the generated bindings specialize it for each structure and describe each enumeration
// with EnumTraits.
//
// Stateless; thread-safe. Readers accept the forms a direct (untyped) decoding yields as well
// as the tagged ones: a string for an enumeration, a datetime or a binary, an integer for a
// double, an untyped structure for a string-keyed map, a bare value for an optional.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/lumo/AdaptContext.hpp"
#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/DateTime.hpp"
#include "platform/lumo/EnumValue.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/MapValue.hpp"
#include "platform/lumo/OptionalValue.hpp"
#include "platform/lumo/ValueSink.hpp"

namespace Lumo::Bindings {

// Specializations provide:
//   static Data::DataValuePtr ToValue(const T& native);
//   static void Emit(const T& native, Data::ValueSink& sink);
//   static bool FromValue(const Data::DataValuePtr& value, T& native, AdaptContext& context);
// Emit sends `sink` the events of the value ToValue builds, without building it.
// FromValue gets a non-null value that is not an optional, and returns false after
// recording a failure in `context`.
template <class T, class Enable = void>
struct TypeAdapter;

// What the generated bindings tell about an enumeration E: kTypeId and kNames, the
// constants' texts in the order of E's values 0, 1, 2 ...
template <class E>
struct EnumTraits;

template <class T>
inline constexpr bool kIsOptional = false;
template <class T>
inline constexpr bool kIsOptional<std::optional<T>> = true;

// Reads `value` (possibly null: the field is absent) into `native`. A non-optional native
// needs a value: absent fails with "lumo.data.unset.field", an unset optional with
// "lumo.data.unset.non.optional.field"; a set optional is read as what it holds. An opaque
// native takes any value as it stands.
template <class T>
bool ReadValue(const Data::DataValuePtr& value, T& native, AdaptContext& context)
{
    if constexpr (std::is_same_v<T, Data::DataValuePtr> || kIsOptional<T>) {
        return TypeAdapter<T>::FromValue(value, native, context);
    } else {
        if (value == nullptr) {
            return context.Fail(AdaptContext::kUnsetField, {context.Path()});
        }
        if (const auto* optional = value->As<Data::OptionalValue>()) {
            if (!optional->IsSet()) {
                return context.Fail(AdaptContext::kUnsetNonOptionalField, {context.Path()});
            }
            return ReadValue(optional->Value(), native, context);
        }
        return TypeAdapter<T>::FromValue(value, native, context);
    }
}

template <class T>
Data::DataValuePtr WriteValue(const T& native)
{
    return TypeAdapter<T>::ToValue(native);
}

template <class T>
void EmitValue(const T& native, Data::ValueSink& sink)
{
    TypeAdapter<T>::Emit(native, sink);
}

template <>
struct TypeAdapter<std::string> {
    static Data::DataValuePtr ToValue(const std::string& native);
    static void Emit(const std::string& native, Data::ValueSink& sink);
    static bool FromValue(const Data::DataValuePtr& value, std::string& native, AdaptContext& context);
};

template <>
struct TypeAdapter<int64_t> {
    static Data::DataValuePtr ToValue(int64_t native);
    static void Emit(int64_t native, Data::ValueSink& sink);
    static bool FromValue(const Data::DataValuePtr& value, int64_t& native, AdaptContext& context);
};

template <>
struct TypeAdapter<double> {
    static Data::DataValuePtr ToValue(double native);
    static void Emit(double native, Data::ValueSink& sink);
    static bool FromValue(const Data::DataValuePtr& value, double& native, AdaptContext& context);
};

template <>
struct TypeAdapter<bool> {
    static Data::DataValuePtr ToValue(bool native);
    static void Emit(bool native, Data::ValueSink& sink);
    static bool FromValue(const Data::DataValuePtr& value, bool& native, AdaptContext& context);
};

template <>
struct TypeAdapter<std::vector<uint8_t>> {
    static Data::DataValuePtr ToValue(const std::vector<uint8_t>& native);
    static void Emit(const std::vector<uint8_t>& native, Data::ValueSink& sink);
    static bool FromValue(const Data::DataValuePtr& value, std::vector<uint8_t>& native, AdaptContext& context);
};

template <>
struct TypeAdapter<DateTime> {
    static Data::DataValuePtr ToValue(const DateTime& native);
    static void Emit(const DateTime& native, Data::ValueSink& sink);
    static bool FromValue(const Data::DataValuePtr& value, DateTime& native, AdaptContext& context);
};

// Opaque: any value, kept as it stands; a null native travels as the unset optional.
template <>
struct TypeAdapter<Data::DataValuePtr> {
    static Data::DataValuePtr ToValue(const Data::DataValuePtr& native);
    static void Emit(const Data::DataValuePtr& native, Data::ValueSink& sink);
    static bool FromValue(const Data::DataValuePtr& value, Data::DataValuePtr& native, AdaptContext& context);
};

// Any error value; a null native travels as the unset optional.
template <>
struct TypeAdapter<Data::ErrorValuePtr> {
    static Data::DataValuePtr ToValue(const Data::ErrorValuePtr& native);
    static void Emit(const Data::ErrorValuePtr& native, Data::ValueSink& sink);
    static bool FromValue(const Data::DataValuePtr& value, Data::ErrorValuePtr& native, AdaptContext& context);
};

// The framework's message structure "com.orvane.lumo.std.localizable_message".
template <>
struct TypeAdapter<Com::Orvane::Lumo::Std::LocalizableMessage> {
    static Data::DataValuePtr ToValue(const Com::Orvane::Lumo::Std::LocalizableMessage& native);
    static void Emit(const Com::Orvane::Lumo::Std::LocalizableMessage& native, Data::ValueSink& sink);
    static bool FromValue(const Data::DataValuePtr& value, Com::Orvane::Lumo::Std::LocalizableMessage& native,
                          AdaptContext& context);
};

// A secret is a std::string natively; fields of type secret are written with this.
struct SecretAdapter {
    static Data::DataValuePtr ToValue(const std::string& native);
    static void Emit(const std::string& native, Data::ValueSink& sink);
    static void Emit(const std::optional<std::string>& native, Data::ValueSink& sink);
};

template <class T>
struct TypeAdapter<std::optional<T>> {
    static Data::DataValuePtr ToValue(const std::optional<T>& native)
    {
        if (!native) {
            return Data::OptionalValue::GetInstance();
        }
        return Data::OptionalValue::Create(WriteValue(*native));
    }

    static void Emit(const std::optional<T>& native, Data::ValueSink& sink)
    {
        if (!native) {
            sink.Unset();
            return;
        }
        sink.StartOptional();
        EmitValue(*native, sink);
        sink.EndOptional();
    }

    static bool FromValue(const Data::DataValuePtr& value, std::optional<T>& native, AdaptContext& context)
    {
        Data::DataValuePtr inner = value;
        if (inner != nullptr) {
            if (const auto* optional = inner->As<Data::OptionalValue>()) {
                inner = optional->Value();
            }
        }
        if (inner == nullptr) {
            native.reset();
            return true;
        }
        T read{};
        if (!ReadValue(inner, read, context)) {
            return false;
        }
        native = std::move(read);
        return true;
    }
};

// Shared reading of list and set items.
template <class T, class AddItem>
bool ReadItems(const Data::DataValuePtr& value, AdaptContext& context, AddItem addItem)
{
    const auto* list = value->As<Data::ListValue>();
    if (list == nullptr) {
        return context.FailType("list", value.get());
    }
    size_t index = 0;
    for (const auto& item : list->Items()) {
        size_t mark = context.EnterIndex(index++);
        T read{};
        if (!ReadValue(item, read, context)) {
            return false;
        }
        context.Leave(mark);
        addItem(std::move(read));
    }
    return true;
}

template <class Container>
Data::DataValuePtr WriteItems(const Container& native)
{
    auto list = Data::ListValue::Create();
    list->Reserve(native.size());
    for (const auto& item : native) {
        list->Add(WriteValue(item));
    }
    return list;
}

template <class Container>
void EmitItems(const Container& native, Data::ValueSink& sink)
{
    sink.StartList();
    for (const auto& item : native) {
        EmitValue(item, sink);
    }
    sink.EndList();
}

template <class T>
struct TypeAdapter<std::vector<T>> {
    static Data::DataValuePtr ToValue(const std::vector<T>& native) { return WriteItems(native); }
    static void Emit(const std::vector<T>& native, Data::ValueSink& sink) { EmitItems(native, sink); }

    static bool FromValue(const Data::DataValuePtr& value, std::vector<T>& native, AdaptContext& context)
    {
        native.clear();
        return ReadItems<T>(value, context, [&native](T&& item) { native.push_back(std::move(item)); });
    }
};

// Sets travel as lists; a repeated item is kept once.
template <class T>
struct TypeAdapter<std::set<T>> {
    static Data::DataValuePtr ToValue(const std::set<T>& native) { return WriteItems(native); }
    static void Emit(const std::set<T>& native, Data::ValueSink& sink) { EmitItems(native, sink); }

    static bool FromValue(const Data::DataValuePtr& value, std::set<T>& native, AdaptContext& context)
    {
        native.clear();
        return ReadItems<T>(value, context, [&native](T&& item) { native.insert(std::move(item)); });
    }
};

// The entries of a string-keyed map, in whichever of the three forms a map arrives: a map
// value, an untyped structure (a JSON object decoded directly), or a list of structures
// with the fields "key" and "value". Calls `visit(key, value)` per entry until it returns
// false.
class MapEntries {
public:
    template <class Visit>
    static bool Read(const Data::DataValuePtr& value, AdaptContext& context, Visit visit)
    {
        std::vector<std::pair<std::string, Data::DataValuePtr>> entries;
        if (!Collect(value, context, entries)) {
            return false;
        }
        for (auto& [key, item] : entries) {
            size_t mark = context.EnterKey(key);
            if (!visit(std::move(key), item)) {
                return false;
            }
            context.Leave(mark);
        }
        return true;
    }

private:
    static bool Collect(const Data::DataValuePtr& value, AdaptContext& context,
                        std::vector<std::pair<std::string, Data::DataValuePtr>>& entries);
};

template <class V>
struct TypeAdapter<std::map<std::string, V>> {
    static Data::DataValuePtr ToValue(const std::map<std::string, V>& native)
    {
        auto map = Data::MapValue::Create();
        map->Reserve(native.size());
        for (const auto& [key, item] : native) {
            map->Insert(key, WriteValue(item));
        }
        return map;
    }

    static void Emit(const std::map<std::string, V>& native, Data::ValueSink& sink)
    {
        sink.StartStringMap();
        for (const auto& [key, item] : native) {
            sink.Key(key);
            EmitValue(item, sink);
        }
        sink.EndStringMap();
    }

    static bool FromValue(const Data::DataValuePtr& value, std::map<std::string, V>& native,
                          AdaptContext& context)
    {
        native.clear();
        return MapEntries::Read(value, context, [&](std::string key, const Data::DataValuePtr& item) {
            V read{};
            if (!ReadValue(item, read, context)) {
                return false;
            }
            native.insert_or_assign(std::move(key), std::move(read));
            return true;
        });
    }
};

// The text of a string value that stands for a constant of enumeration `typeId`.
bool ReadEnumText(const Data::DataValuePtr& value, std::string_view& text, std::string_view typeId,
                  AdaptContext& context);

// Enumerations: an enum value of the enumeration (or of an unnamed one), or a string,
// holding one of the declared constants.
template <class E>
struct TypeAdapter<E, std::enable_if_t<std::is_enum_v<E>>> {
    static Data::DataValuePtr ToValue(E native)
    {
        return Data::EnumValue::Create(std::string(EnumTraits<E>::kTypeId), std::string(NameOf(native)));
    }

    static void Emit(E native, Data::ValueSink& sink) { sink.Enum(EnumTraits<E>::kTypeId, NameOf(native)); }

    // The constant's text; empty for a number that names no constant.
    static std::string_view NameOf(E native)
    {
        auto index = static_cast<size_t>(native);
        return index < EnumTraits<E>::kNames.size() ? EnumTraits<E>::kNames[index] : "";
    }

    static bool FromValue(const Data::DataValuePtr& value, E& native, AdaptContext& context)
    {
        std::string_view text;
        if (const auto* constant = value->As<Data::EnumValue>()) {
            if (!constant->TypeName().empty() && constant->TypeName() != EnumTraits<E>::kTypeId) {
                return context.FailType(EnumTraits<E>::kTypeId, value.get());
            }
            text = constant->Value();
        } else if (!ReadEnumText(value, text, EnumTraits<E>::kTypeId, context)) {
            return false;
        }
        const auto& names = EnumTraits<E>::kNames;
        for (size_t i = 0; i < names.size(); ++i) {
            if (names[i] == text) {
                native = static_cast<E>(i);
                return true;
            }
        }
        return context.FailCast("\"" + std::string(text) + "\"", EnumTraits<E>::kTypeId);
    }
};

}  // namespace Lumo::Bindings
