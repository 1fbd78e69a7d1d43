// hostpref-taskdb: updates the task store from host tools and scripts.
#include <iostream>
#include <string>
#include <vector>

#include "platform/host/taskdb/TaskCli.hpp"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return TaskDB::TaskCli::Run(args, std::cout, std::cerr);
}
