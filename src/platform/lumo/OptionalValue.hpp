// Lumo::Data::OptionalValue: a value that may be unset, or set and wrapping one value.
//
// Immutable; the unset value is one shared instance. Thread-safe for readers.
#pragma once

#include "platform/lumo/DataValue.hpp"

namespace Lumo::Data {

class OptionalValue final : public DataValue {
public:
    static constexpr DataKind kKind = DataKind::kOptional;
    static bool IsKind(DataKind kind) { return kind == kKind; }

    // Unset when `value` is null.
    explicit OptionalValue(DataValuePtr value = nullptr) : DataValue(kKind), value_(std::move(value)) {}

    // The unset optional.
    static std::shared_ptr<const OptionalValue> GetInstance();
    // An optional set to `value`; the unset instance when `value` is null.
    static std::shared_ptr<const OptionalValue> Create(DataValuePtr value);

    bool IsSet() const { return value_ != nullptr; }
    // The wrapped value, null when unset.
    const DataValuePtr& Value() const { return value_; }

    bool Equals(const DataValue& other) const override;
    void AppendText(std::string& out) const override;

private:
    DataValuePtr value_;
};

}  // namespace Lumo::Data
