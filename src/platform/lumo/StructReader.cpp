#include "platform/lumo/StructReader.hpp"

#include <algorithm>

namespace Lumo::Bindings {

StructReader::StructReader(const Data::DataValuePtr& value, std::string_view typeId,
                           std::initializer_list<std::string_view> fields, AdaptContext& context)
    : context_(context)
{
    const auto* structure = value->As<Data::StructValue>();
    if (structure == nullptr) {
        context.FailType(typeId.empty() ? "struct" : typeId, value.get());
        return;
    }
    if (!typeId.empty() && !structure->TypeName().empty() && structure->TypeName() != typeId) {
        context.Fail(AdaptContext::kInvalidType,
                     {context.Path(), std::string(typeId), "struct " + structure->TypeName()});
        return;
    }
    // An undeclared field is most likely a misspelt one: refusing it beats dropping it.
    for (const auto& [name, ignored] : structure->Fields()) {
        if (std::find(fields.begin(), fields.end(), name) == fields.end()) {
            context.FailCast("unknown field \"" + name + "\"", typeId.empty() ? "struct" : typeId);
            return;
        }
    }
    value_ = structure;
}

}  // namespace Lumo::Bindings
