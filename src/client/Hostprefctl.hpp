// Hostprefctl: one run of the command-line client — parses the command line, makes the
// call (or follows a task), prints the outcome and chooses the exit status.
//
// Created by main for one run; not thread-safe.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "client/ApiCatalog.hpp"
#include "client/CommandLine.hpp"
#include "client/Credentials.hpp"
#include "client/RpcClient.hpp"

namespace HostprefCtl {

class Hostprefctl {
public:
    Hostprefctl(const ApiCatalog& catalog, std::ostream& out, std::ostream& err);

    // Returns the exit status: 0 done, 1 failed, 2 usage, 3 cannot connect.
    int Run(int argc, char** argv);

private:
    int Execute(const Invocation& invocation);
    rapidjson::Value ReadParams(const Invocation& invocation, rapidjson::Document::AllocatorType& allocator) const;
    RpcAnswer Call(const ApiService& service, const ApiOperation& operation, rapidjson::Value& params,
                   AnswerForm form);
    RpcAnswer GetTask(const std::string& taskId, AnswerForm form);
    int FollowTask(const std::string& taskId);
    void PrintResult(const RpcAnswer& answer, const ApiType& type);
    int ReportError(const RpcAnswer& answer);
    int ReportUsage(const CLI::ParseError& error);

    const ApiCatalog& catalog_;
    std::ostream& out_;
    std::ostream& err_;
    CommandLine commandLine_;
    std::optional<RpcClient> client_;
    std::optional<Credentials> credentials_;
};

}  // namespace HostprefCtl
