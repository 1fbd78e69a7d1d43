#include "platform/lumo/provider/MetamodelMetadataContainer.hpp"

#include <set>

#include "platform/lumo/provider/Digest.hpp"
#include "platform/lumo/provider/MetadataFile.hpp"
#include "platform/lumo/provider/MetadataFileError.hpp"

namespace Lumo::Provider::Metadata::Metamodel {

namespace {

std::string IndexedPlace(std::string_view where, const char* member, size_t index)
{
    std::string place = where.empty() ? std::string(member) : std::string(where) + "." + member;
    return place + "[" + std::to_string(index) + "]";
}

// Checks that every object of array `member` has an "id" and that no id repeats.
void CheckMetamodelIds(const MetadataFile& file, const rapidjson::Value& object, const char* member,
                       std::string_view where, bool required)
{
    std::set<std::string> seen;
    size_t index = 0;
    for (const rapidjson::Value* item : file.Objects(object, member, where, required)) {
        std::string id = file.String(*item, "id", IndexedPlace(where, member, index++));
        if (!seen.insert(id).second) {
            file.Invalid(std::string(member) + " id '" + id + "' appears more than once");
        }
    }
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
    const rapidjson::Value& root = file.Root();
    CheckMetamodelIds(file, root, "services", "", true);
    CheckMetamodelIds(file, root, "structures", "", false);
    CheckMetamodelIds(file, root, "enumerations", "", false);

    KeyedEntries<Service> services;
    size_t index = 0;
    for (const rapidjson::Value* item : file.Objects(root, "services", "", true)) {
        std::string where = IndexedPlace("", "services", index++);
        CheckMetamodelIds(file, *item, "operations", where, true);
        Service service{component, file.ToValue(*item, where), {}};
        size_t opIndex = 0;
        for (const rapidjson::Value* operation : file.Objects(*item, "operations", where, true)) {
            std::string opWhere = IndexedPlace(where, "operations", opIndex++);
            service.operations.emplace(file.String(*operation, "id", opWhere), file.ToValue(*operation, opWhere));
        }
        services.Add(file.String(*item, "id", where), std::move(service));
    }
    Component loaded{path, file.ToValue(root, "/"), Digest::OfJson(root)};

    std::lock_guard lock(mutex_);
    components_.RefuseLoaded(file, component);
    services_.RefuseTaken(file, services, "service");
    components_.Add(component, std::move(loaded));
    services_.Merge(services);
}

std::vector<std::string> MetadataContainer::ComponentNames() const
{
    std::lock_guard lock(mutex_);
    return components_.Keys();
}

Data::DataValuePtr MetadataContainer::FindComponent(std::string_view component) const
{
    std::lock_guard lock(mutex_);
    const Component* found = components_.Find(component);
    return found ? found->document : nullptr;
}

std::optional<std::string> MetadataContainer::ComponentFingerprint(std::string_view component) const
{
    std::lock_guard lock(mutex_);
    const Component* found = components_.Find(component);
    if (found == nullptr) {
        return std::nullopt;
    }
    return found->fingerprint;
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

Data::DataValuePtr MetadataContainer::FindOperation(std::string_view serviceId, std::string_view operationId) const
{
    std::lock_guard lock(mutex_);
    const Service* service = services_.Find(serviceId);
    if (service == nullptr) {
        return nullptr;
    }
    auto operation = service->operations.find(operationId);
    return operation == service->operations.end() ? nullptr : operation->second;
}

}  // namespace Lumo::Provider::Metadata::Metamodel
