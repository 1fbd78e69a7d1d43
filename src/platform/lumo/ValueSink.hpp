// Lumo::Data::ValueSink: receives a value as a sequence of events instead of a tree, so an
// encoder can write a native output without building its data value first.
//
// The events of one value mirror the tree the native-to-value adapter would build: a
// structure is StartStruct, then Field and the field's value for each field, then EndStruct;
// a set optional is StartOptional, its value, EndOptional; the unset optional is Unset.
// A sink lives for one encoding on one thread.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/DateTime.hpp"

namespace Lumo::Data {

class ValueSink {
public:
    virtual ~ValueSink() = default;

    // A value already built, taken as it stands.
    virtual void Value(const DataValue& value) = 0;

    virtual void Bool(bool value) = 0;
    virtual void Integer(int64_t value) = 0;
    virtual void Double(double value) = 0;
    virtual void String(std::string_view value) = 0;
    virtual void Secret(std::string_view value) = 0;
    virtual void Binary(const std::vector<uint8_t>& value) = 0;
    virtual void Time(const DateTime& value) = 0;
    // A constant `name` of enumeration `typeName`.
    virtual void Enum(std::string_view typeName, std::string_view name) = 0;

    virtual void Unset() = 0;
    virtual void StartOptional() = 0;
    virtual void EndOptional() = 0;

    virtual void StartList() = 0;
    virtual void EndList() = 0;

    // A map with string keys: Key and the entry's value for each entry.
    virtual void StartStringMap() = 0;
    virtual void Key(std::string_view key) = 0;
    virtual void EndStringMap() = 0;

    virtual void StartStruct(std::string_view typeName) = 0;
    virtual void Field(std::string_view name) = 0;
    virtual void EndStruct() = 0;
};

}  // namespace Lumo::Data
