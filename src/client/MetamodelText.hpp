// MetamodelText: the API's metamodel documents (one per component) as JSON text, generated
// from idl/ into the client at build time. Immutable; safe from any thread.
#pragma once

#include <string_view>
#include <vector>

namespace HostprefCtl {

// The metamodel documents of every component, in the order the generator wrote them.
const std::vector<std::string_view>& MetamodelTexts();

}  // namespace HostprefCtl
