// authn_pam_probe: runs password logins through the daemon's authentication and call audit
// in a process of its own, so that tests can start it under a PAM stand-in (pam_wrapper).
//
// Usage: authn_pam_probe OUTPUT_FILE HEX_USER HEX_PASSWORD [HEX_USER HEX_PASSWORD ...]
// Credentials are hexadecimal so that any byte (even NUL) can be passed. One line per login
// in OUTPUT_FILE: "accepted <user>" or "refused <error name> <message id> [] <text>".
#include <cstdio>

#include "../../ApiTestSupport.hpp"
#include "api/authn/AsyncAuthnFilter.hpp"
#include "api/authn/UserPassHandler.hpp"
#include "api/authz/CallRegistrar.hpp"

namespace {

bool FromHex(const std::string& hex, std::string& out)
{
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return hex.size() % 2 == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    FILE* out = argc >= 4 && argc % 2 == 0 ? std::fopen(argv[1], "w") : nullptr;
    if (out == nullptr) {
        std::fprintf(stderr, "usage: %s OUTPUT_FILE HEX_USER HEX_PASSWORD ...\n", argv[0]);
        return 2;
    }
    auto handler = std::make_shared<Host::Settings::SettingsApi::Authn::UserPassHandler>();
    auto service = std::make_shared<ApiTest::RecordingProvider>(true);
    auto authn = std::make_shared<Lumo::Authn::Filter::AsyncAuthnFilter>(handler, service);
    auto chain = std::make_shared<Lumo::Observer::CallRegistrar>(authn);
    for (int i = 2; i + 1 < argc; i += 2) {
        std::string user, password;
        if (!FromHex(argv[i], user) || !FromHex(argv[i + 1], password)) return 2;
        Lumo::Core::ExecutionContext context;
        context.securityContext.emplace("userName", Lumo::Core::SecurityContextWrappedEntry::Plain(user));
        context.securityContext.emplace("password",
                                        Lumo::Core::SecurityContextWrappedEntry::Secret(password));
        context.applicationContext.emplace("opId", "probe-" + std::to_string(i / 2 - 1));
        Lumo::Core::ActivationHelpers::SetPeerTcpBindingInfo(context, "127.0.0.1", 40000);
        chain->Invoke({"com.orvane.hub.tasks", "get"}, nullptr,
                      Lumo::Core::AsyncActivation::GetInstance(std::move(context)),
                      [&service, out](Lumo::Core::MethodResult result) {
                          if (result.IsError()) {
                              std::fprintf(out, "refused %s\n", ApiTest::ErrorText(result).c_str());
                          } else {
                              std::fprintf(out, "accepted %s\n",
                                           service->Users().back().value_or("").c_str());
                          }
                      });
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
