// Lumo::Core::AsyncApiResultCb: the callback through which an operation delivers its result.
//
// Called once per call with the final result; a streaming operation may call it earlier
// with results whose MoreFollows flag is set. It may be called on any thread, later than
// Invoke returns.
#pragma once

#include <functional>

#include "platform/lumo/MethodResult.hpp"

namespace Lumo::Core {

using AsyncApiResultCb = std::function<void(MethodResult)>;

}  // namespace Lumo::Core
