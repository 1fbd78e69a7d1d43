#include "platform/lumo/DataValue.hpp"

namespace Lumo::Data {

const char* KindName(DataKind kind)
{
    switch (kind) {
        case DataKind::kVoid:
            return "void";
        case DataKind::kBoolean:
            return "boolean";
        case DataKind::kInteger:
            return "integer";
        case DataKind::kDouble:
            return "double";
        case DataKind::kString:
            return "string";
        case DataKind::kSecret:
            return "secret";
        case DataKind::kBinary:
            return "binary";
        case DataKind::kDateTime:
            return "datetime";
        case DataKind::kList:
            return "list";
        case DataKind::kMap:
            return "map";
        case DataKind::kStruct:
            return "struct";
        case DataKind::kOptional:
            return "optional";
        case DataKind::kEnum:
            return "enum";
        case DataKind::kError:
            return "error";
    }
    return "unknown";
}

std::string DataValue::ToString() const
{
    std::string out;
    AppendText(out);
    return out;
}

bool Equal(const DataValuePtr& a, const DataValuePtr& b)
{
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    return a == b || a->Equals(*b);
}

}  // namespace Lumo::Data
