#include "software/HostsTarnService.hpp"

#include "platform/host/CSLogger.hpp"
#include "software/ImageManager.hpp"
#include "util/NativeJson.hpp"

namespace Com::Orvane::Tarn::Hosts::Software::TarnSvc {

void AsyncServiceImpl::Get(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                           std::optional<std::string> /*host*/, ::Lumo::Core::AsyncResult<Info> result)
{
    namespace Errors = Com::Orvane::Lumo::Std::Errors;
    using LifeCycle::ServiceErrors;
    std::string output;
    const auto run =
        LifeCycle::RunCommand(std::string(LifeCycle::ImageManager::kQuery) + "tarn --get ", nullptr, &output);
    if (run.kind == LifeCycle::CommandResult::SpawnFailed) {
        return result.Fail(LifeCycle::ImageManager::NotRun(Errors::InternalServerError, run.code));
    }
    if (output == "null") {
        CSLogger::Log(0, "[%s] Result is null ", "Get");
        return result.Fail(ServiceErrors::Bare(Errors::NotFound));
    }
    Info info;
    if (auto error = LifeCycle::NativeJson::Read(output, info, "Get", Errors::InternalServerError)) {
        return result.Fail(error);
    }
    result.Succeed(std::move(info));
}

}  // namespace Com::Orvane::Tarn::Hosts::Software::TarnSvc
