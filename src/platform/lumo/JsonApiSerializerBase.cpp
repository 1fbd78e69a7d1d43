#include "platform/lumo/JsonApiSerializerBase.hpp"

namespace Lumo::Protocol::Json {

void JsonApiSerializerBase::SerializeInvoke(std::string_view, const Core::MethodResult&, OutputRange&,
                                            Data::ErrorValuePtr&, bool) const
{
}

void JsonApiSerializerBase::SerializeInvokeProgress(std::string_view, const Data::DataValuePtr&, OutputRange&,
                                                    Data::ErrorValuePtr&) const
{
}

void JsonApiSerializerBase::SerializeError(const Data::ErrorValue&, OutputRange&, Data::ErrorValuePtr&) const {}

void JsonApiSerializerBase::WriteErrorMember(const Data::ErrorValue&, JsonWriter&) const {}

}  // namespace Lumo::Protocol::Json
