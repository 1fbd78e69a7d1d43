// The call registrar: one audit context per call, and one "api.call" record per finished call
// when the audit switch is on. The switch is decided once per process, so the calls run in a
// child.
#include <gtest/gtest.h>

#include "../ApiTestSupport.hpp"
#include "api/authz/AuditContext.hpp"
#include "api/authz/AuditSwitch.hpp"
#include "api/authz/CallRegistrar.hpp"

namespace {

namespace Core = Lumo::Core;

// The service stand-in: answers as the operation says, and can defer its call record as a
// task does.
class Service : public Core::AsyncApiProvider {
public:
    std::string Name() const override { return "Service"; }
    void Invoke(const Core::MethodIdentifier& method, Lumo::Data::DataValuePtr,
                std::shared_ptr<Core::AsyncActivation> activation, Core::AsyncApiResultCb resultCb) override
    {
        if (method.OperationId() == "start_task") {
            deferred = Api::AuditContext::Of(*activation);
            deferred->SetAuditEntry(Api::AuditContext::kMuteKey, "true");
        }
        if (method.OperationId() == "stream") {
            auto progress = Core::MethodResult::FromOutput(nullptr);
            progress.SetMoreFollows(true);
            resultCb(progress);
        }
        resultCb(method.OperationId() == "fail"
                     ? Core::MethodResult::FromError(Lumo::Data::ErrorValue::GetInstance("e"))
                     : Core::MethodResult::FromOutput(nullptr));
    }

    std::shared_ptr<Api::AuditContext> deferred;
};

void Call(Core::AsyncApiProvider& chain, const std::string& operation, std::optional<std::string> user = {})
{
    auto activation = Core::AsyncActivation::GetInstance({});
    if (user) activation->authData = Core::AuthenticationData{*user, {}};
    chain.Invoke({"com.orvane.hub.tasks", operation}, nullptr, activation, [](Core::MethodResult) {});
}

TEST(CallRegistrarTest, WithTheMarkerEachFinishedCallWritesOneRecord)
{
    ApiTest::EnvHostRoot root;
    root.WriteFile(Api::AuditSwitch::kMarkerPath, "");
    const std::string seen = ApiTest::InChild(root.Dir(), [&root] {
        auto service = std::make_shared<Service>();
        Lumo::Observer::CallRegistrar registrar(service);
        // Decided once: removing the marker now changes nothing.
        unlink(root.Path(Api::AuditSwitch::kMarkerPath).c_str());
        auto chain = std::make_shared<Lumo::Observer::CallRegistrar>(service);
        Call(*chain, "get", "alice");
        Call(*chain, "fail");
        Call(*chain, "start_task", "alice");
        const size_t beforeTaskEnd = ApiTest::AuditRecords(root.Dir()).size();
        Call(*chain, "stream", "bob");
        service->deferred->Complete(false);
        return std::to_string(Api::AuditSwitch::Current() == Api::AuditSwitch::kOn) + " " +
               std::to_string(beforeTaskEnd);
    });
    EXPECT_EQ(seen, "1 2") << "switch on, and no record for the task's call before the task ends";

    // The deferred call is recorded when its task ends, with the task's outcome.
    EXPECT_EQ(ApiTest::AuditRecords(root.Dir(), "api.call"),
              (std::vector<std::string>{"api.call alice com.orvane.hub.tasks:get ok",
                                        "api.call  com.orvane.hub.tasks:fail failed",
                                        "api.call bob com.orvane.hub.tasks:stream ok",
                                        "api.call alice com.orvane.hub.tasks:start_task failed"}));
}

}  // namespace
