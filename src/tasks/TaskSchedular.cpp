#include "tasks/TaskSchedular.hpp"

#include "tasks/TaskSchedularImpl.hpp"

namespace LifeCycle {

TaskSchedular& TaskSchedular::GetInstance()
{
    // Never destroyed: a worker that ignored a stop may still use it while the process ends.
    static TaskSchedularImpl* instance = new TaskSchedularImpl;
    return *instance;
}

}  // namespace LifeCycle
