// authn_pam_probe: runs password logins through the daemon's authentication and call audit
// in a process of its own, so that tests can start it under a PAM stand-in (pam_wrapper).
//
// Usage: authn_pam_probe HEX_USER HEX_PASSWORD [HEX_USER HEX_PASSWORD ...]
// Arguments are hexadecimal so that any byte (even NUL) can be passed. One line per login
// on standard output: "accepted <user>" or "refused <error name> <message text>".
#include <cstdio>
#include <memory>
#include <string>

#include "api/authn/AsyncAuthnFilter.hpp"
#include "api/authn/UserPassHandler.hpp"
#include "api/authz/CallRegistrar.hpp"
#include "platform/lumo/ActivationHelpers.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/ScalarValue.hpp"

namespace {

// The service stand-in: answers with the authenticated user name.
class EchoUser : public Lumo::Core::AsyncApiProvider {
public:
    std::string Name() const override { return "EchoUser"; }
    void Invoke(const Lumo::Core::MethodIdentifier&, Lumo::Data::DataValuePtr,
                std::shared_ptr<Lumo::Core::AsyncActivation> activation,
                Lumo::Core::AsyncApiResultCb resultCb) override
    {
        std::string user = Lumo::Core::ActivationHelpers::ExtractUsername(*activation).value_or("");
        resultCb(Lumo::Core::MethodResult::FromOutput(Lumo::Data::StringValue::Create(user)));
    }
};

bool FromHex(const char* hex, std::string& out)
{
    std::string text(hex);
    if (text.size() % 2 != 0) {
        return false;
    }
    for (size_t i = 0; i < text.size(); i += 2) {
        out.push_back(static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return true;
}

std::string FirstMessage(const Lumo::Data::ErrorValue& error)
{
    auto list =
        Lumo::Data::ValueCast<Lumo::Data::ListValue>(error.GetField(Lumo::Data::ErrorValue::kMessagesField));
    if (!list || list->Size() == 0) {
        return "";
    }
    auto message = Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*list->Items().front());
    return message ? message->localized : "";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: %s HEX_USER HEX_PASSWORD ...\n", argv[0]);
        return 2;
    }
    auto handler = std::make_shared<Host::Settings::SettingsApi::Authn::UserPassHandler>();
    auto authn =
        std::make_shared<Lumo::Authn::Filter::AsyncAuthnFilter>(handler, std::make_shared<EchoUser>());
    auto chain = std::make_shared<Lumo::Observer::CallRegistrar>(authn);
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string user;
        std::string password;
        if (!FromHex(argv[i], user) || !FromHex(argv[i + 1], password)) {
            return 2;
        }
        Lumo::Core::ExecutionContext context;
        context.securityContext.emplace("userName", Lumo::Core::SecurityContextWrappedEntry::Plain(user));
        context.securityContext.emplace("password",
                                        Lumo::Core::SecurityContextWrappedEntry::Secret(password));
        context.applicationContext.emplace("opId", "probe-" + std::to_string(i / 2));
        Lumo::Core::ActivationHelpers::SetPeerTcpBindingInfo(context, "127.0.0.1", 40000);
        chain->Invoke({"com.orvane.hub.tasks", "get"}, nullptr,
                      Lumo::Core::AsyncActivation::GetInstance(std::move(context)),
                      [](Lumo::Core::MethodResult result) {
                          if (result.IsError()) {
                              std::printf("refused %s %s\n", result.Error()->Name().c_str(),
                                          FirstMessage(*result.Error()).c_str());
                          } else {
                              auto user = Lumo::Data::ValueCast<Lumo::Data::StringValue>(result.Output());
                              std::printf("accepted %s\n", user ? user->Get().c_str() : "");
                          }
                      });
    }
    return 0;
}
