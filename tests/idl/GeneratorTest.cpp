// The generator refuses definitions it cannot turn into sound bindings, naming the line.

#include "platform/lumo/LumoTestSupport.hpp"
#include "support/ShellCommand.hpp"

namespace {

// Runs generate.py --list-sources over one definition holding `text`.
TestSupport::ShellRun Generate(const std::string& text)
{
    LumoTestSupport::TempDir dir;
    std::string idl = LumoTestSupport::Written(dir, "test.idl", "component settings\n" + text);
    const char* source = std::getenv("HOSTPREFD_SOURCE_DIR");
    std::string command = "python3 " + std::string(source != nullptr ? source : ".") +
                          "/idl/generate.py --list-sources --out " + dir.Path().string() + " " + idl + " 2>&1";
    return TestSupport::RunShell(command);
}

TEST(GeneratorTest, RefusesUnsoundDefinitions)
{
    const std::pair<const char*, const char*> cases[] = {
        {"package com.x\nstruct A\n  field b: Missing\n", "test.idl:4: unknown type 'Missing'"},
        {"package com.x\nstruct A\n  field b: map<long,string>\n", "map keys are strings"},
        {"package com.x\nstruct A\n  field b: list<secret>\n", "never inside a container"},
        {"package com.x\nstruct A\n  field b: set<double>\n", "set items"},
        {"package com.x\nstruct A\n  field b: string\n  field b: long\n", "declared twice"},
        {"package com.x\nstruct A\nstruct A\n", "declared twice"},
        {"service Com::X::BadSvc\n  operation Get fetch\n", "read|modify|task"},
        {"service Com::X::BadSvc\n  operation Run task\n    returns string\n", "returns belongs"},
        {"service Com::X::BadSvc\n  operation Get read\n    errors gone\n", "unknown error 'gone'"},
        {"service Com::X::Bad\n", "end in Svc"},
    };
    for (const auto& [text, expected] : cases) {
        auto run = Generate(text);
        EXPECT_NE(run.status, 0) << text;
        EXPECT_NE(run.output.find(expected), std::string::npos) << text << "\n" << run.output;
    }
}

}  // namespace
