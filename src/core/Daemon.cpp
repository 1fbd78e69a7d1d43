#include "core/Daemon.hpp"

#include <malloc.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "api/ProviderFactory.hpp"
#include "core/Endpoint.hpp"
#include "core/LumoLoggerWrapper.hpp"
#include "core/SystemdNotifier.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/host/FeatureState.hpp"
#include "platform/host/HostRoot.hpp"
#include "platform/host/Log.hpp"
#include "platform/host/Poll.hpp"
#include "platform/host/Preference.hpp"
#include "platform/lumo/LocalizerHelpers.hpp"
#include "tasks/TaskDB.hpp"
#include "tasks/TaskPaths.hpp"
#include "tasks/TaskStoreRecovery.hpp"
#include "translator/Translator.hpp"

namespace Host::Settings::SettingsApi {

namespace {

// Set by the SIGTERM handler, watched by the poll loop. Nothing else writes it.
volatile sig_atomic_t exitFlag = 0;

void OnTerminate(int)
{
    exitFlag = 1;
}

}  // namespace

Daemon::Daemon() = default;

Daemon::~Daemon()
{
    Release();
}

int Daemon::Run()
{
    // No fast bins: a large answer frees hundreds of thousands of small values, and with fast
    // bins every larger allocation after that first walks all of them to consolidate (a tasks
    // list of 10,000 records spent a quarter of its time there). Freed chunks then coalesce at
    // once, which also lets an idle daemon give more memory back.
    mallopt(M_MXFAST, 0);
    StartLogging();
    CSLogger::Log(2, "Starting hostprefd (pid %d)", static_cast<int>(getpid()));
    InstallTerminationHandler();
    InitHostLibraries();
    ResetTaskDatabase();
    RemoveStaleTrackingFile();
    logger_ = std::make_shared<LumoLoggerWrapper>();
    // Every message a client is sent, from any layer, takes its text from the catalogues.
    Lumo::L10n::LocalizerHelpers::SetDefaultLocalizer(LifeCycle::Translator::MakeLocalizer());
    ioContext_ = std::make_unique<boost::asio::io_context>();
    provider_ = ProviderFactory::Create(*ioContext_, logger_);
    endpoint_ = std::make_unique<Endpoint>(provider_, *ioContext_, logger_);
    if (!StartEndpoint()) {
        Release();
        return -1;
    }
    SystemdNotifier::Started(endpoint_->Config().endpoint4.port(), endpoint_->BoundPorts().size());

    Poll_Loop(1, &exitFlag, 0);

    SystemdNotifier::Stopping();
    endpoint_->Stop();
    Poll_Exit();
    Release();
    return 0;
}

bool Daemon::StartEndpoint()
{
    try {
        endpoint_->Start();
        return true;
    } catch (const std::exception& error) {
        CSLogger::Log(0, "Failed to start HTTP service. Aborting. Error:%s", error.what());
        return false;
    }
}

void Daemon::StartLogging()
{
    LogCfgInterface* cfg = Log_CfgInterface();
    LogOutput* output = Log_NewSyslogOutput("hostprefd", "syslog", 0, cfg);
    Log_SetOutputLevel(output, 7);
    if (!Log_AddOutput(output)) {
        // The daemon runs on without syslog; the stderr mirror may still be on.
        Log_FreeOutput(output);
    }
}

void Daemon::InstallTerminationHandler()
{
    struct sigaction action = {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    if (sigaction(SIGTERM, &action, nullptr) != 0) {
        CSLogger::Log(1, "Error in registering sigterm handler");
    }
}

void Daemon::InitHostLibraries()
{
    FeatureState_InitSilentMode();
    Preference_Init();
    Poll_InitDefault();
}

void Daemon::ResetTaskDatabase()
{
    // The create flag makes every start initialise the store, whether or not it exists.
    taskDb_ = std::make_unique<LifeCycle::TaskDB>(LifeCycle::kTaskStatusPath, true);
    LifeCycle::TaskStoreRecovery::Recover(*taskDb_);
}

void Daemon::RemoveStaleTrackingFile()
{
    // A claim left by an earlier run would block every long operation. A missing file
    // is the normal case, so the result is not looked at.
    const std::vector<std::string> stale = {LifeCycle::kTaskTrackingFile};
    for (const std::string& path : stale) {
        std::remove(HostRoot::Path(path).c_str());
    }
}

void Daemon::Release()
{
    endpoint_.reset();
    provider_.reset();
    ioContext_.reset();
    logger_.reset();
    taskDb_.reset();
}

}  // namespace Host::Settings::SettingsApi
