// ManPage: hostprefctl's manual page in troff (man(7)) form, written from the same CLI11
// command tree and help sections as --help, so that it lists every command the client
// has. The build writes it with "hostprefctl --man". Stateless.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>

namespace HostprefCtl {

class ManPage {
public:
    static constexpr const char* kOption = "--man";

    static void Print(const CLI::App& app, std::ostream& out);
};

}  // namespace HostprefCtl
