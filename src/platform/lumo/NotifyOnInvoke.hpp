// Lumo::Provider::Detail::NotifyOnInvoke: the local provider's note on a call's activation
// that the call is about to enter its service, so that the chain elements around the
// provider can tell, when the result passes back, whether and for how long a service ran.
//
// Touches only the given activation, on the thread that runs the call.
#pragma once

#include "platform/lumo/AsyncActivation.hpp"

namespace Lumo::Provider::Detail {

// Records now (steady clock) as `activation`'s serviceStart.
void NotifyOnInvoke(Core::AsyncActivation& activation);

}  // namespace Lumo::Provider::Detail
