#include "platform/host/configmanager/ConfigStoreException.hpp"

namespace TarnConfigStore {

ConfigStoreException::ConfigStoreException(int code, const std::string& what, std::vector<std::string> args)
    : std::runtime_error(what), code_(code), args_(std::move(args))
{
}

// Out of line, so the class's type information lives in this library only and a throw in
// one library is caught by type in another.
ConfigStoreException::~ConfigStoreException() = default;

}  // namespace TarnConfigStore
