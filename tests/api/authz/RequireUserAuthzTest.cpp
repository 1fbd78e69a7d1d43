// The require-user authorization filter: who gets through, what a refused caller sees, and
// the access-denied record it leaves.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "AuditLogReader.hpp"
#include "ChainDoubles.hpp"
#include "api/authz/CallRegistrar.hpp"
#include "api/authz/RequireUserAuthz.hpp"
#include "platform/lumo/ActivationHelpers.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/StandardError.hpp"
#include "support/TempHostRoot.hpp"

namespace {

using AuditTest::ReadAuditLog;
using AuditTest::RecordsOf;
namespace Core = Lumo::Core;

// Keeps the framework's log lines.
class LinesLogger : public Lumo::Log::Logger {
public:
    class Record : public Lumo::Log::LogRecord {
    public:
        explicit Record(std::vector<std::string>& lines) : lines_(lines) {}
        ~Record() override { lines_.push_back(text_.str()); }
        std::ostream& Stream() override { return text_; }

    private:
        std::vector<std::string>& lines_;
        std::ostringstream text_;
    };
    std::unique_ptr<Lumo::Log::LogRecord> CreateRecord(uint32_t) override
    {
        return std::make_unique<Record>(lines);
    }
    void Flush() override {}
    std::vector<std::string> lines;
};

class RequireUserAuthzTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("HOSTPREFD_ROOT", root_.Dir().c_str(), 1);
        config_->requireUser = {"com.orvane.hub.tasks"};
        config_->anonymous = {"com.orvane.lumo.std.introspection.operation"};
    }
    void TearDown() override { ::unsetenv("HOSTPREFD_ROOT"); }

    std::shared_ptr<Core::AsyncApiProvider> Chain()
    {
        auto authz = std::make_shared<Lumo::Authz::Filter::RequireUserAuthz>(config_, posted_.Dispatcher(),
                                                                             service_, logger_);
        return std::make_shared<Lumo::Observer::CallRegistrar>(authz);
    }

    // Calls `service`.get, as `user` when given, and runs the posted work; the final result.
    std::optional<Core::MethodResult> Call(const std::string& service, std::optional<std::string> user = {})
    {
        Core::ExecutionContext context;
        context.applicationContext.emplace("opId", "op-9");
        Core::ActivationHelpers::SetPeerTcpBindingInfo(context, "127.0.0.1", 1234);
        auto activation = Core::AsyncActivation::GetInstance(context);
        if (user) {
            activation->authData = Core::AuthenticationData{*user, {}};
        }
        std::optional<Core::MethodResult> answer;
        Chain()->Invoke({service, "get"}, nullptr, activation,
                        [&answer](Core::MethodResult r) { answer = r; });
        answeredAtOnce_ = answer.has_value();
        posted_.RunAll();
        return answer;
    }

    TestSupport::TempHostRoot root_;
    std::shared_ptr<Lumo::Authz::AuthzRequireUserConfig> config_ =
        std::make_shared<Lumo::Authz::AuthzRequireUserConfig>();
    std::shared_ptr<ChainTest::RecordingService> service_ = std::make_shared<ChainTest::RecordingService>();
    std::shared_ptr<LinesLogger> logger_ = std::make_shared<LinesLogger>();
    ChainTest::PostedWork posted_;
    bool answeredAtOnce_ = false;
};

TEST_F(RequireUserAuthzTest, CallWithoutUserIsRefusedOnALaterTurnAndRecorded)
{
    auto answer = Call("com.orvane.hub.tasks");
    ASSERT_TRUE(answer.has_value());
    EXPECT_FALSE(answeredAtOnce_) << "the refusal goes through the dispatcher";
    ASSERT_TRUE(answer->IsError());
    EXPECT_TRUE(Com::Orvane::Lumo::Std::Errors::Unauthenticated.Matches(*answer->Error()));
    auto list = Lumo::Data::ValueCast<Lumo::Data::ListValue>(answer->Error()->GetField("messages"));
    ASSERT_TRUE(list && list->Size() == 1);
    auto message = Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*list->Items()[0]);
    EXPECT_EQ(message->id, "com.orvane.lumo.authz.user.required");
    EXPECT_EQ(message->localized, "Operation com.orvane.hub.tasks.get requires an authenticated user.");
    EXPECT_TRUE(service_->methods.empty());

    auto denied = RecordsOf(ReadAuditLog(root_.Dir()), "service.access.denied");
    ASSERT_EQ(denied.size(), 1u);
    EXPECT_EQ(denied[0].subject, "@unknown");
    EXPECT_EQ(denied[0].object, "com.orvane.hub.tasks:get");
    EXPECT_FALSE(denied[0].success);
    EXPECT_EQ(denied[0].items["ip"], "127.0.0.1");
    EXPECT_EQ(denied[0].items["opID"], "op-9");
    ASSERT_EQ(logger_->lines.size(), 1u);
    EXPECT_NE(logger_->lines[0].find("com.orvane.hub.tasks.get"), std::string::npos);
}

TEST_F(RequireUserAuthzTest, UsersAndOpenServicesPass)
{
    auto withUser = Call("com.orvane.hub.tasks", "alice");
    auto anonymous = Call("com.orvane.lumo.std.introspection.operation");
    ASSERT_TRUE(withUser && anonymous);
    EXPECT_FALSE(withUser->IsError());
    EXPECT_FALSE(anonymous->IsError());
    EXPECT_EQ(service_->methods,
              (std::vector<std::string>{"com.orvane.hub.tasks.get",
                                        "com.orvane.lumo.std.introspection.operation.get"}));
    EXPECT_TRUE(RecordsOf(ReadAuditLog(root_.Dir()), "service.access.denied").empty());
    EXPECT_TRUE(logger_->lines.empty());
}

TEST_F(RequireUserAuthzTest, UnlistedServicesAreClosedUnlessConfiguredOpen)
{
    auto closed = Call("com.orvane.unknown");
    ASSERT_TRUE(closed.has_value());
    EXPECT_TRUE(closed->IsError());

    config_->closedByDefault = false;
    auto open = Call("com.orvane.unknown");
    ASSERT_TRUE(open.has_value());
    EXPECT_FALSE(open->IsError());
    // A listed service stays closed either way.
    auto listed = Call("com.orvane.hub.tasks");
    ASSERT_TRUE(listed.has_value());
    EXPECT_TRUE(listed->IsError());
    EXPECT_EQ(service_->methods, std::vector<std::string>{"com.orvane.unknown.get"});
}

}  // namespace
