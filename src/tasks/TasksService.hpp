// Com::Orvane::Hub::TasksSvc::AsyncServiceImpl: the tasks service. Reports the records of the
// task status store (written by configuration tasks and by launched tools) as task infos, and
// asks the task scheduler to abort a configuration task.
//
// Shared by the provider for the life of the process. Keeps no state between calls (each call
// opens its own access to the store), so calls may run on any thread at once.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "generated/Com/Orvane/Hub/TasksSvc.hpp"
#include "platform/host/taskdb/TaskInfo.hpp"
#include "platform/lumo/RequestLocalizer.hpp"
#include "tasks/TaskSchedular.hpp"

namespace Com::Orvane::Hub::TasksSvc {

class AsyncServiceImpl : public AsyncServiceInterface {
public:
    // Reads every record of the store, keyed by task id. Throws on failure.
    using RecordReader = std::function<std::map<std::string, ::TaskDB::TaskInfo>()>;

    // Over the host's task status store and the process's task scheduler.
    AsyncServiceImpl();
    // Over the records `reader` returns and `scheduler`, which must outlive the service.
    AsyncServiceImpl(RecordReader reader, LifeCycle::TaskSchedular& scheduler);

    // The info of one task; NotFound when the store has no such record.
    void Get(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::string task,
             ::Lumo::Core::AsyncResult<Task::Info> result) override;
    // The info of every well-formed record; `filter` is not consulted.
    void List(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::optional<FilterSpec> filter,
              ::Lumo::Core::AsyncResult<std::map<std::string, Task::Info>> result) override;
    // Asks the scheduler to abort `task`; succeeds whether or not it held that task.
    void Cancel(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::string task,
                ::Lumo::Core::AsyncResult<void> result) override;

    // The info a client is shown for `record`, messages rendered by `localizer`. Throws
    // LifeCycle::TaskInfoError when the record is not well formed.
    static Task::Info MakeInfo(const ::TaskDB::TaskInfo& record, const ::Lumo::L10n::RequestLocalizer& localizer);

private:
    static std::map<std::string, ::TaskDB::TaskInfo> ReadStore();

    RecordReader reader_;
    LifeCycle::TaskSchedular& scheduler_;
};

}  // namespace Com::Orvane::Hub::TasksSvc
