// Lumo::Data::ScalarValue: the values that hold one plain datum (boolean, integer, double,
// string, secret, binary, datetime), one instantiation per kind.
//
// Immutable once shared, like every DataValue. A secret is a string that never appears in
// logs: its text form is masked.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/DateTime.hpp"

namespace Lumo::Data {

// Appends `text` in double quotes, escaping quotes, backslashes and control characters.
void AppendQuotedText(std::string& out, std::string_view text);

// The text forms of the scalar data (ScalarValue.cpp).
void AppendScalarText(std::string& out, bool value);
void AppendScalarText(std::string& out, int64_t value);
void AppendScalarText(std::string& out, double value);
void AppendScalarText(std::string& out, const std::vector<uint8_t>& value);
void AppendScalarText(std::string& out, const DateTime& value);

template <DataKind K, typename T>
class ScalarValue final : public DataValue {
public:
    static constexpr DataKind kKind = K;
    static bool IsKind(DataKind kind) { return kind == K; }

    explicit ScalarValue(T value) : DataValue(K), value_(std::move(value)) {}

    // A new shared value holding `value`.
    static std::shared_ptr<const ScalarValue> Create(T value)
    {
        return std::make_shared<const ScalarValue>(std::move(value));
    }

    const T& Get() const { return value_; }

    bool Equals(const DataValue& other) const override
    {
        const auto* same = other.As<ScalarValue>();
        if (same == nullptr) {
            return false;
        }
        if constexpr (K == DataKind::kDouble) {
            // NaN equals NaN here: a value must equal itself after a round trip.
            return value_ == same->value_ || (std::isnan(value_) && std::isnan(same->value_));
        } else {
            return value_ == same->value_;
        }
    }

    void AppendText(std::string& out) const override
    {
        if constexpr (K == DataKind::kSecret) {
            out += "<secret>";
        } else if constexpr (K == DataKind::kString) {
            AppendQuotedText(out, value_);
        } else {
            AppendScalarText(out, value_);
        }
    }

private:
    T value_;
};

using BooleanValue = ScalarValue<DataKind::kBoolean, bool>;
using IntegerValue = ScalarValue<DataKind::kInteger, int64_t>;
using DoubleValue = ScalarValue<DataKind::kDouble, double>;
using StringValue = ScalarValue<DataKind::kString, std::string>;
using SecretValue = ScalarValue<DataKind::kSecret, std::string>;
using BinaryValue = ScalarValue<DataKind::kBinary, std::vector<uint8_t>>;
using DateTimeValue = ScalarValue<DataKind::kDateTime, DateTime>;

}  // namespace Lumo::Data
