#include "platform/lumo/StructWriter.hpp"

namespace Lumo::Bindings {

StructWriter::StructWriter(std::string_view typeId, size_t fieldCount)
    : value_(Data::StructValue::Create(std::string(typeId)))
{
    value_->Reserve(fieldCount);
}

StructWriter& StructWriter::PutSecret(std::string_view name, const std::string& native)
{
    value_->SetField(std::string(name), SecretAdapter::ToValue(native));
    return *this;
}

StructWriter& StructWriter::PutSecret(std::string_view name, const std::optional<std::string>& native)
{
    value_->SetField(std::string(name), native ? Data::OptionalValue::Create(SecretAdapter::ToValue(*native))
                                               : Data::OptionalValue::GetInstance());
    return *this;
}

}  // namespace Lumo::Bindings
