#include "platform/lumo/ErrorValue.hpp"

#include "platform/lumo/ListValue.hpp"

namespace Lumo::Data {

std::shared_ptr<ErrorValue> ErrorValue::GetInstance(std::string name)
{
    return std::make_shared<ErrorValue>(std::move(name));
}

std::shared_ptr<ErrorValue> ErrorValue::Create(std::string name, std::vector<DataValuePtr> messages)
{
    auto error = std::make_shared<ErrorValue>(std::move(name));
    error->SetField(kMessagesField, ListValue::Create(std::move(messages)));
    return error;
}

}  // namespace Lumo::Data
