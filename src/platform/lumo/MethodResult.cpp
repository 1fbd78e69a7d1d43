#include "platform/lumo/MethodResult.hpp"

#include "platform/lumo/StandardError.hpp"
#include "platform/lumo/VoidValue.hpp"

namespace Lumo::Core {

MethodResult MethodResult::FromOutput(Data::DataValuePtr output)
{
    if (output == nullptr) {
        output = Data::VoidValue::GetInstance();
    }
    return MethodResult(std::move(output), nullptr);
}

MethodResult MethodResult::FromNative(std::shared_ptr<const Data::NativeOutput> output)
{
    MethodResult result(nullptr, nullptr);
    result.native_ = std::move(output);
    return result;
}

MethodResult MethodResult::FromError(Data::ErrorValuePtr error)
{
    if (error == nullptr) {
        return GetErrorInstance();
    }
    return MethodResult(nullptr, std::move(error));
}

MethodResult MethodResult::GetErrorInstance()
{
    static const Data::ErrorValuePtr internal =
        Data::ErrorValue::Create(std::string(Com::Orvane::Lumo::Std::Errors::InternalServerError.Name()), {});
    return MethodResult(nullptr, internal);
}

}  // namespace Lumo::Core
