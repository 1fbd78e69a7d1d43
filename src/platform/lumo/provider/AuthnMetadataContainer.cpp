#include "platform/lumo/provider/AuthnMetadataContainer.hpp"

#include <set>

#include "platform/lumo/provider/MetadataFile.hpp"
#include "platform/lumo/provider/MetadataFileError.hpp"

namespace Lumo::Provider::Metadata::Authentication {

namespace {

std::set<std::string> ReadAuthnSchemes(const MetadataFile& file)
{
    std::set<std::string> schemes;
    size_t index = 0;
    for (const rapidjson::Value* scheme : file.Objects(file.Root(), "schemes", "", true)) {
        std::string where = "schemes[" + std::to_string(index++) + "]";
        std::string id = file.String(*scheme, "id", where);
        file.String(*scheme, "kind", where);
        if (!schemes.insert(id).second) {
            file.Invalid("scheme id '" + id + "' appears more than once");
        }
    }
    return schemes;
}

void CheckAuthnAuthorization(const MetadataFile& file)
{
    auto authorization = file.Root().FindMember("authorization");
    if (authorization == file.Root().MemberEnd()) {
        return;
    }
    if (!authorization->value.IsObject()) {
        file.Invalid("member 'authorization' is not an object");
    }
    file.Strings(authorization->value, "anonymous", "authorization");
}

}  // namespace

const std::shared_ptr<MetadataContainer>& MetadataContainer::GetInstance()
{
    static const auto instance = std::make_shared<MetadataContainer>();
    return instance;
}

void MetadataContainer::Load(const std::string& component, const std::string& path)
{
    MetadataFile file(path, component);
    std::set<std::string> schemes = ReadAuthnSchemes(file);
    CheckAuthnAuthorization(file);

    KeyedEntries<Service> services;
    size_t index = 0;
    for (const rapidjson::Value* item : file.Objects(file.Root(), "services", "", true)) {
        std::string where = "services[" + std::to_string(index++) + "]";
        std::string id = file.String(*item, "id", where);
        for (const std::string& scheme : file.Strings(*item, "schemes", where)) {
            if (schemes.count(scheme) == 0) {
                file.Invalid("service '" + id + "' names the undeclared scheme '" + scheme + "'");
            }
        }
        if (!services.Add(id, Service{component, file.ToValue(*item, where)})) {
            file.Invalid("service id '" + id + "' appears more than once");
        }
    }

    std::lock_guard lock(mutex_);
    components_.RefuseLoaded(file, component);
    services_.RefuseTaken(file, services, "service");
    components_.Add(component, {path});
    services_.Merge(services);
}

std::vector<std::string> MetadataContainer::ComponentNames() const
{
    std::lock_guard lock(mutex_);
    return components_.Keys();
}

std::vector<std::string> MetadataContainer::ServiceIds() const
{
    std::lock_guard lock(mutex_);
    return services_.Keys();
}

Data::DataValuePtr MetadataContainer::FindService(std::string_view serviceId) const
{
    std::lock_guard lock(mutex_);
    const Service* found = services_.Find(serviceId);
    return found ? found->value : nullptr;
}

}  // namespace Lumo::Provider::Metadata::Authentication
