// RunCommand of "/bin/true" against posix_spawn + waitpid of the same program, in one run, with
// the daemon's logging set up as the daemon sets it up (syslog at level 7, so every level-3
// line of the runner is written). Rounds alternate between the two so that whatever else the
// machine does weighs on both alike. Prints the medians and their ratio.
//
//   bench_run_command [ROUNDS]      (default 400)
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/host/Log.hpp"
#include "util/CommandRunner.hpp"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double MedianMicros(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double TimeSpawnAndWait()
{
    const auto start = Clock::now();
    char program[] = "/bin/true";
    char* argv[] = {program, nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double TimeRunCommand()
{
    const auto start = Clock::now();
    std::string output;
    if (LifeCycle::RunCommand("/bin/true", nullptr, &output).kind != LifeCycle::CommandResult::Ok) {
        std::fprintf(stderr, "RunCommand of /bin/true failed\n");
        std::exit(1);
    }
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 400;
    LogOutput* output = Log_NewSyslogOutput("hostprefd-bench", "syslog", 0, Log_CfgInterface());
    Log_SetOutputLevel(output, 7);
    if (!Log_AddOutput(output)) {
        Log_FreeOutput(output);
    }
    std::vector<double> runner, spawn;
    for (int i = 0; i < 20; ++i) {  // warm-up: page cache, allocator, syslog connection
        TimeRunCommand();
        TimeSpawnAndWait();
    }
    for (int i = 0; i < rounds; ++i) {
        runner.push_back(TimeRunCommand());
        spawn.push_back(TimeSpawnAndWait());
    }
    const double runnerMedian = MedianMicros(runner);
    const double spawnMedian = MedianMicros(spawn);
    std::printf("RunCommand(/bin/true)            median %8.1f us  (%d rounds)\n", runnerMedian, rounds);
    std::printf("posix_spawn + waitpid(/bin/true) median %8.1f us\n", spawnMedian);
    std::printf("ratio                            %8.2f  (target <= 1.50)\n", runnerMedian / spawnMedian);
    return 0;
}
