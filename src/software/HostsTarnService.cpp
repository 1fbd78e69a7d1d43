#include "software/HostsTarnService.hpp"

#include "software/ImageManager.hpp"

namespace Com::Orvane::Tarn::Hosts::Software::TarnSvc {

void AsyncServiceImpl::Get(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                           std::optional<std::string> /*host*/, ::Lumo::Core::AsyncResult<Info> result)
{
    namespace Errors = Com::Orvane::Lumo::Std::Errors;
    std::string output;
    const auto run =
        LifeCycle::RunCommand(std::string(LifeCycle::ImageManager::kQuery) + "tarn --get ", nullptr, &output);
    if (run.kind == LifeCycle::CommandResult::SpawnFailed) {
        return result.Fail(LifeCycle::ImageManager::NotRun(Errors::InternalServerError, run.code));
    }
    Info info;
    if (auto error = LifeCycle::ImageManager::ReadReport(output, info)) {
        return result.Fail(error);
    }
    result.Succeed(std::move(info));
}

}  // namespace Com::Orvane::Tarn::Hosts::Software::TarnSvc
