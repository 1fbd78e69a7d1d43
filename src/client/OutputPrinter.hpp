// OutputPrinter: prints an operation's result (direct JSON form) for a person, guided by
// the operation's declared output type: tasks as TaskView shows them, lists and maps of
// structures as tables, everything else as a ValueText outline. Not thread-safe.
#pragma once

#include <rapidjson/document.h>

#include <ostream>

#include "client/ApiCatalog.hpp"

namespace HostprefCtl {

class OutputPrinter {
public:
    OutputPrinter(const ApiCatalog& catalog, std::ostream& out) : catalog_(catalog), out_(out) {}

    // Prints `result`, declared as `type`; nothing for an empty answer.
    void Print(const rapidjson::Value& result, const ApiType& type);

private:
    // A table of the rows of a list or map of structures; false when it has no plain column.
    bool PrintTable(const rapidjson::Value& rows, bool keyed);

    const ApiCatalog& catalog_;
    std::ostream& out_;
};

}  // namespace HostprefCtl
