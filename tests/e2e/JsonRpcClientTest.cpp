// An off-the-shelf JSON-RPC 2.0 client library (Debian's python3-jsonrpclib-pelix) calling
// the real daemon over HTTP POST: the envelope, named parameters, dotted method names and
// the error object must be what such a library expects, with no daemon-specific code.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>

#include "support/DaemonProcess.hpp"
#include "support/ShellCommand.hpp"
#include "support/TempHostRoot.hpp"

using namespace std::chrono_literals;
using TestSupport::DaemonProcess;
using TestSupport::RunShell;
using TestSupport::TempHostRoot;

namespace {

// The library's proxy turns attribute chains into dotted method names and keyword
// arguments into named parameters; a JSON-RPC error object becomes a ProtocolError.
constexpr const char* kClient = R"(import sys
from jsonrpclib import ServerProxy, ProtocolError
from jsonrpclib.config import Config
proxy = ServerProxy("http://127.0.0.1:%s/" % sys.argv[1], config=Config(content_type="application/json"))
# The framework's services and the tasks service; which others a host serves is not this test's business.
services = proxy.com.orvane.lumo.std.introspection.service.list()
print(" ".join(s for s in services if s.startswith("com.orvane.lumo.std.") or s == "com.orvane.hub.tasks"))
print(" ".join(proxy.com.orvane.lumo.std.introspection.operation.list(service_id="com.orvane.hub.tasks")))
try:
    proxy.com.orvane.hub.tasks.list()
except ProtocolError as error:
    print("refused", error.args[0][0], error.args[0][1])
)";

}  // namespace

TEST(JsonRpcClientLibrary, CallsTheDaemonWithNamedParametersAndSeesItsErrorObject)
{
    TempHostRoot root;
    DaemonProcess daemon(root);
    ASSERT_TRUE(daemon.WaitListening(root.Port())) << daemon.Stderr();
    std::string script = root.Dir() + "/client.py";
    std::ofstream(script) << kClient;

    // The Debian interpreter, which is the one the package installs the library for.
    EXPECT_EQ(RunShell("/usr/bin/python3 " + script + " " + std::to_string(root.Port()) + " 2>&1").output,
              "com.orvane.hub.tasks com.orvane.lumo.std.introspection.operation "
              "com.orvane.lumo.std.introspection.provider com.orvane.lumo.std.introspection.service "
              "com.orvane.lumo.std.metadata.authentication.service com.orvane.lumo.std.metadata.cli.command "
              "com.orvane.lumo.std.metadata.cli.namespace com.orvane.lumo.std.metadata.metamodel.component "
              "com.orvane.lumo.std.metadata.metamodel.service\n"
              "get list cancel\n"
              "refused -32000 Operation com.orvane.hub.tasks.list requires an authenticated user.\n");

    EXPECT_EQ(daemon.ExitCodeAfterTerm(1000ms), 0) << daemon.Stderr();
}
