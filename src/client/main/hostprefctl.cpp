// hostprefctl: the command-line client of hostprefd.
#include <exception>
#include <iostream>

#include "client/ApiCatalog.hpp"
#include "client/Hostprefctl.hpp"

int main(int argc, char** argv)
{
    try {
        return HostprefCtl::Hostprefctl(HostprefCtl::ApiCatalog::BuiltIn(), std::cout, std::cerr).Run(argc, argv);
    } catch (const std::exception& error) {
        // Only a broken build (a metamodel the client cannot read) gets here.
        std::cerr << "hostprefctl: " << error.what() << '\n';
        return 1;
    }
}
