#include "api/authz/CallInfo.hpp"

namespace Api {

void CallInfo::OnCallEnd(std::optional<std::string> user, bool success)
{
    user_ = std::move(user);
    Finish(success);
}

}  // namespace Api
