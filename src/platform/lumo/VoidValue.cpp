#include "platform/lumo/VoidValue.hpp"

namespace Lumo::Data {

DataValuePtr VoidValue::GetInstance()
{
    static const DataValuePtr instance = std::make_shared<const VoidValue>();
    return instance;
}

}  // namespace Lumo::Data
