#include "platform/host/Log.hpp"

#include "platform/host/CSLogger.hpp"
#include "platform/host/LogSink.hpp"

namespace {

// The one configuration interface of the process. It only proves that the caller went
// through Log_CfgInterface; the state lives in the sink.
LogCfgInterface processCfg;

}  // namespace

LogCfgInterface* Log_CfgInterface() { return &processCfg; }

LogOutput* Log_NewSyslogOutput(const char* ident, const char* name, int flags, LogCfgInterface* cfg)
{
    if (cfg != &processCfg || ident == nullptr || name == nullptr || *ident == '\0' || *name == '\0') {
        return nullptr;
    }
    auto* output = new LogOutput;
    output->ident = ident;
    output->name = name;
    return output;
}

void Log_SetOutputLevel(LogOutput* output, int level) { LogSink::Process().SetLevel(output, level); }

bool Log_AddOutput(LogOutput* output) { return LogSink::Process().Add(output); }

void Log_FreeOutput(LogOutput* output) { delete output; }

void Log_RemoveAllOutputs() { LogSink::Process().RemoveAll(); }

void Log_SetStderrLevel(int level) { LogSink::Process().SetStderrLevel(level); }

bool Log_IsEnabled(int level) { return LogSink::Process().Enabled(level); }

void Log(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    LogV(fmt, args);
    va_end(args);
}

void LogV(const char* fmt, va_list args) { CSLogger::LogV(2, fmt, args); }
