// The data-processing-unit command menu: which requests become which command lines, and which
// are refused (with the refusal's log line) before anything could run.
#include <gtest/gtest.h>

#include "../api/ApiTestSupport.hpp"
#include "software/TarncliService.hpp"

namespace {

using namespace Com::Orvane::Tarn::HostprefDaemon::DataProcessingUnit::TarncliSvc;

TarncliCmdSpec Spec(Frontend frontend, Command command, std::vector<Argument> arguments = {},
                    std::optional<std::vector<std::string>> depots = std::nullopt)
{
    return TarncliCmdSpec{frontend, command, std::move(depots), std::move(arguments)};
}

TEST(TarncliServiceTest, MenuEntriesAndCheckedArgumentsMakeTheCommandLine)
{
    const struct {
        TarncliCmdSpec spec;
        std::string line;
    } cases[] = {
        {Spec(Frontend::LOCALCLI, Command::QUARN_LIST), "/bin/localcli --formatter=xml software quarn list"},
        {Spec(Frontend::LOCALCLI_INTERNAL, Command::ACCEPTANCE_GET),
         "/bin/localcli --formatter=xml "
         "--plugin=/usr/lib/orvane/tarncli/int/ext/tarncli-softwareinternal.xml "
         "softwareinternal acceptance get"},
        {Spec(Frontend::TARNCLI, Command::QUARN_UPDATE,
              {{"-n", "net-driver:1.1.0"}, {"-d", "two words"}, {"--dry-run", ""}, {"-v", "a_b:c-d:1.0"}},
              std::vector<std::string>{"http://depot.local/main/index.xml"}),
         "/bin/tarncli --formatter=xml software quarn update --depot http://depot.local/main/index.xml "
         "-n \"net-driver:1.1.0\" -d \"two words\" --dry-run -v \"a_b:c-d:1.0\""},
        {Spec(Frontend::TARNCLI, Command::APPLY, {{"-s", "http://depot.local/main/specs/8.0.2.json"}}),
         "/bin/tarncli --formatter=xml software apply -s http://depot.local/main/specs/8.0.2.json"},
    };
    for (const auto& c : cases) EXPECT_EQ(AsyncServiceImpl::BuildCommandLine(c.spec), c.line);
}

TEST(TarncliServiceTest, RefusalsAreLoggedAndBuildNothing)
{
    const struct {
        TarncliCmdSpec spec;
        std::string logged;
    } cases[] = {
        {Spec(static_cast<Frontend>(3), Command::QUARN_LIST), "Invalid prefix."},
        {Spec(Frontend::TARNCLI, static_cast<Command>(21)), "Invalid command."},
        {Spec(Frontend::TARNCLI, Command::APPLY, {},
              std::vector<std::string>{"https://depot.local/index.xml"}),
         "Invalid Depot."},
        {Spec(Frontend::TARNCLI, Command::APPLY, {},
              std::vector<std::string>{"http://depot.local/index.json"}),
         "Invalid Depot."},
        {Spec(Frontend::TARNCLI, Command::APPLY, {{"-f;x", ""}}),
         "Invalid flag specified. Unsafe to continue."},
        {Spec(Frontend::TARNCLI, Command::APPLY, {{" ", "v"}}),
         "Invalid  flag specified. Unsafe to continue."},
        {Spec(Frontend::TARNCLI, Command::APPLY, {{"-s", "http://depot.local/spec.xml"}}),
         "Invalid spec argument specified. Unsafe to continue."},
        // A spec URL under another flag holds a colon and is no name:version.
        {Spec(Frontend::TARNCLI, Command::APPLY, {{"-u", "http://depot.local/main/specs/8.0.2.json"}}),
         "Invalid argument specified. Unsafe to continue."},
        {Spec(Frontend::TARNCLI, Command::APPLY, {{"-n", "a:b:c:d"}}),
         "Invalid argument specified. Unsafe to continue."},
    };
    for (const auto& c : cases) {
        LogCapture log;
        EXPECT_EQ(AsyncServiceImpl::BuildCommandLine(c.spec), "") << c.logged;
        EXPECT_EQ(ApiTest::LogLines(log), std::vector<std::string>{"0 [RunTarncliCmd] " + c.logged});
    }
}

}  // namespace
