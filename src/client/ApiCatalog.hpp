// ApiCatalog: the services, operations and types of the API, read from the metamodel that
// the build generates from idl/. hostprefctl builds its commands, checks parameters and
// lays out answers from it.
//
// Immutable after construction; safe to share between threads.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "client/ApiType.hpp"

namespace HostprefCtl {

struct ApiMember {
    std::string name;
    ApiType type;
    std::string doc;
};

struct ApiOperation {
    std::string id;
    std::string doc;
    std::vector<ApiMember> params;
    ApiType output;
    bool task = false;  // answers at once with the id of a task that carries it out
};

struct ApiService {
    std::string id;
    std::string doc;
    bool anonymous = false;  // callable without credentials (the framework's own services)
    std::vector<ApiOperation> operations;

    const ApiOperation* Find(std::string_view operation) const;
    // The words of its command path: the id without "com.orvane.", split at the dots.
    std::vector<std::string> CommandWords() const;
};

struct ApiStruct {
    std::string id;
    std::vector<ApiMember> fields;
};

class ApiCatalog {
public:
    // The catalogue of the metamodel built into the client.
    static const ApiCatalog& BuiltIn();

    // Reads metamodel documents (JSON texts); throws std::runtime_error on a malformed one.
    explicit ApiCatalog(const std::vector<std::string_view>& metamodelTexts);

    const std::vector<ApiService>& Services() const { return services_; }
    const ApiService* FindService(std::string_view id) const;
    const ApiStruct* FindStruct(std::string_view id) const;
    // The constants of an enumeration, or nullptr when `id` names none.
    const std::vector<std::string>* FindEnum(std::string_view id) const;

private:
    void Read(std::string_view text);

    std::vector<ApiService> services_;
    std::map<std::string, ApiStruct, std::less<>> structs_;
    std::map<std::string, std::vector<std::string>, std::less<>> enums_;
};

}  // namespace HostprefCtl
