// Lumo::Data::VoidValue: the value of "nothing", the output of operations that return none.
//
// One shared immutable instance; thread-safe.
#pragma once

#include "platform/lumo/DataValue.hpp"

namespace Lumo::Data {

class VoidValue final : public DataValue {
public:
    static constexpr DataKind kKind = DataKind::kVoid;
    static bool IsKind(DataKind kind) { return kind == kKind; }

    // The one void value.
    static DataValuePtr GetInstance();

    bool Equals(const DataValue& other) const override { return other.Kind() == kKind; }
    void AppendText(std::string& out) const override { out += "void"; }

    VoidValue() : DataValue(kKind) {}
};

}  // namespace Lumo::Data
