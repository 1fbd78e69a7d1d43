// Helpers for the task framework tests: one scratch host root per test process (the
// message catalogues are read once per process, so all tests share it), its task store,
// and a task that writes down what the scheduler did to it.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "../platform/host/taskdb/TaskStoreTestSupport.hpp"
#include "tasks/Task.hpp"
#include "tasks/TaskDB.hpp"
#include "tasks/TaskPaths.hpp"
#include "tasks/TaskSchedularImpl.hpp"

namespace TaskTest {

// A message id that the scratch root's catalogue defines, and its text there.
inline constexpr const char* kCataloguedId = "com.orvane.tarn.task.unhandled.error";
inline constexpr const char* kCataloguedText = "An unexpected error occurred: {1}";

inline const TaskStoreTest::TempDir& SharedRoot()
{
    static TaskStoreTest::TempDir* root = [] {
        auto* dir = new TaskStoreTest::TempDir;
        const std::string catalogues = dir->File("usr/lib/orvane/configmanager/locale/en");
        std::filesystem::create_directories(catalogues);
        std::ofstream(catalogues + "/tasks.msgcat") << kCataloguedId << " = \"" << kCataloguedText << "\"\n";
        // The configuration store's error texts, as the host ships them.
        std::filesystem::copy_file(std::string(std::getenv("HOSTPREFD_FIXTURES")) +
                                       "/hostroot/usr/lib/orvane/configmanager/locale/en/configmanager.msgcat",
                                   catalogues + "/configmanager.msgcat");
        return dir;
    }();
    return *root;
}

// Points HOSTPREFD_ROOT at the shared root and starts it with an empty task store.
inline void ResetHostRoot()
{
    setenv("HOSTPREFD_ROOT", SharedRoot().File("").c_str(), 1);
    std::filesystem::remove_all(SharedRoot().File("var"));
    LifeCycle::TaskDB(LifeCycle::kTaskStatusPath, true);
}

inline std::shared_ptr<::TaskDB::TaskManager> Store()
{
    return LifeCycle::TaskDB(LifeCycle::kTaskStatusPath, false).Manager();
}

// Waits until `done()` holds; false after `timeout`.
template <typename Predicate>
bool Eventually(Predicate done, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Waits until `scheduler` holds no task; false after the default timeout.
inline bool BackToIdle(const LifeCycle::TaskSchedularImpl& scheduler)
{
    return Eventually([&scheduler] { return scheduler.GetState() == LifeCycle::TaskSchedularImpl::kIdle; });
}

// A task whose Run returns at once, throws, waits for Abort, or waits for Release.
class ScriptedTask : public LifeCycle::Task {
public:
    enum class RunMode { kReturn, kThrow, kUntilAborted, kUntilReleased };

    explicit ScriptedTask(std::string id, RunMode mode = RunMode::kReturn) : id_(std::move(id)), mode_(mode)
    {
    }

    void PreRun() override { Note("PreRun"); }
    void Run() override
    {
        Note("Run");
        running_ = true;
        if (mode_ == RunMode::kThrow) throw std::runtime_error("run broke");
        auto& until = mode_ == RunMode::kUntilAborted ? aborted_ : released_;
        if (mode_ != RunMode::kReturn)
            Eventually([&until] { return until.load(); }, std::chrono::seconds(30));
    }
    void SetError(const std::exception& error) override { Note(std::string("SetError:") + error.what()); }
    void PostRun() override
    {
        Note("PostRun");
        if (throwInPostRun_) throw std::runtime_error("post-run broke");
    }
    bool IsAbortRequested() const override { return aborted_; }
    void Abort() override { aborted_ = true; }
    void MarkAborted() override { Note("MarkAborted"); }
    std::string GetName() const override { return "Scripted:" + id_; }
    std::string GetTaskId() const override { return id_; }

    void ThrowInPostRun() { throwInPostRun_ = true; }
    void Release() { released_ = true; }
    bool WaitRunning()
    {
        return Eventually([this] { return running_.load(); });
    }
    // The calls so far, separated by blanks.
    std::string CallText() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    void Note(const std::string& call)
    {
        std::lock_guard lock(mutex_);
        calls_ += (calls_.empty() ? "" : " ") + call;
    }

    const std::string id_;
    const RunMode mode_;
    std::atomic<bool> throwInPostRun_{false}, running_{false}, released_{false}, aborted_{false};
    mutable std::mutex mutex_;
    std::string calls_;  // guarded by mutex_
};

}  // namespace TaskTest
