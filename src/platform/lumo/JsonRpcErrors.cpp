#include "platform/lumo/JsonRpcErrors.hpp"

namespace Lumo::Protocol::Json {

Data::ErrorValuePtr JsonRpcErrors::InvalidRequest(std::string_view) { return Data::ErrorValue::GetInstance("com.orvane.lumo.std.errors.invalid_argument"); }
Data::ErrorValuePtr JsonRpcErrors::InvalidMethod(std::string_view) { return Data::ErrorValue::GetInstance("com.orvane.lumo.std.errors.invalid_argument"); }
Data::ErrorValuePtr JsonRpcErrors::InvalidContext(std::string_view) { return Data::ErrorValue::GetInstance("com.orvane.lumo.std.errors.invalid_argument"); }
int64_t JsonRpcErrors::CodeOf(const Data::ErrorValue&) { return kServerError; }
std::string JsonRpcErrors::MessageOf(const Data::ErrorValue& error) { return error.Name(); }

}  // namespace Lumo::Protocol::Json
