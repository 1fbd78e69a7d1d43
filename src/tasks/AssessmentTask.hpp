// LifeCycle::AssessmentTask: what the four assessment tasks (validate, impact, compliance,
// check-apply) share: parsing the desired document, the cluster context, validating the
// document with errors mapped back to where the document sets them, and the compliance
// result. Each kind adds its own operation and result.
//
// Owned like every ConfigManagerTaskImpl; Run runs on the scheduler's worker thread.
#pragma once

#include <rapidjson/document.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "generated/Com/Orvane/Tarn/HostprefDaemon/ConfigurationSvc/ClusterContext.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/ConfigurationSvc/ComplianceInfo.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/ConfigurationSvc/ImpactInfo.hpp"
#include "generated/Com/Orvane/Tarn/HostprefDaemon/ConfigurationSvc/ValidationError.hpp"
#include "platform/host/configmanager/ConfigManager.hpp"
#include "tasks/ConfigManagerTaskImpl.hpp"

namespace LifeCycle {

class AssessmentTask : public ConfigManagerTaskImpl {
public:
    // The call's input.
    struct Input {
        std::string desiredDocument;
        std::optional<Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc::ClusterContext> clusterContext;
        bool strict = false;
    };
    using ValidationErrors =
        std::vector<Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc::ValidationError>;

    void Run() final;

protected:
    // `validationEnd`: where the validation's share of the progress ends (it starts at 10).
    AssessmentTask(std::string name, std::string taskId, std::shared_ptr<Api::AuditContext> auditContext,
                   std::shared_ptr<const Input> input, int validationEnd);

    const Input& GetInput() const { return *input_; }

    // The kind's result for a document with validation errors.
    virtual Lumo::Data::DataValuePtr InvalidResult(ValidationErrors errors) = 0;
    // The kind's operation on a valid `desired` document, with the serialized cluster
    // `context`; records a result or an error. An exception other than a configuration
    // store failure is the kind's to handle.
    virtual void Operate(const rapidjson::Value& desired, const std::string& context) = 0;

    // Where `path` (a pointer into the merged tree) is set in `desired`: its pointer in the
    // first of the profile, this host's host-specific entry and the host override that has
    // it; nullopt when none does.
    std::optional<std::string> MapPath(const rapidjson::Value& desired, const std::string& path);
    // Records `result`, at 95 percent, as the outcome of a run that went well.
    void Finish(Lumo::Data::DataValuePtr result);

    // MapPath, or where the profile would set `path`.
    std::string MapPathOrProfile(const rapidjson::Value& desired, const std::string& path);

    // The library's compliance document as the client's list of differences.
    Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc::ComplianceInfo CollectCompliance(
        const rapidjson::Value& compliance, const rapidjson::Value& desired);
    std::vector<Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc::ImpactInfo> ImpactInfos(
        const TarnConfigManager::ImpactResult& impact, const rapidjson::Value& desired);

private:
    std::string ContextJson() const;
    // The document's validation errors (empty: valid), or nullopt when validation failed and
    // the error is recorded.
    std::optional<ValidationErrors> ValidateDocument(const rapidjson::Value& desired,
                                                     const std::string& context);

    const std::shared_ptr<const Input> input_;
    const int validationEnd_;
    std::optional<std::string> hostUuid_;  // read when first needed
    static constexpr const char* kValidationErrorId = "com.orvane.tarn.host_settings.cm.validation.error";
    static constexpr const char* kValidationInternalErrorId =
        "com.orvane.tarn.host_settings.cm.validation.internal.error";
    static constexpr int kValidationStart = 10;
};

}  // namespace LifeCycle
