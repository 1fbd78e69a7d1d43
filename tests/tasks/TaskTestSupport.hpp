// Helpers for the task framework tests: one scratch host root per test process (the
// message catalogues are read once per process, so every test shares the same root), a
// store on it, a gate for holding threads at a point, and a task that records what the
// scheduler did to it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "../platform/host/taskdb/TaskStoreTestSupport.hpp"
#include "tasks/Task.hpp"
#include "tasks/TaskDB.hpp"
#include "tasks/TaskPaths.hpp"

namespace TaskTest {

// A message id that the scratch root's catalogue defines, and its text there.
inline constexpr const char* kCataloguedId = "com.orvane.tarn.task.unhandled.error";
inline constexpr const char* kCataloguedText = "An unexpected error occurred: {1}";

// The process's scratch host root, with one English catalogue.
inline const TaskStoreTest::TempDir& SharedRoot()
{
    static TaskStoreTest::TempDir* root = [] {
        auto* dir = new TaskStoreTest::TempDir;
        const std::string catalogues = dir->File("usr/lib/orvane/configmanager/locale/en");
        std::filesystem::create_directories(catalogues);
        std::ofstream(catalogues + "/tasks.msgcat") << kCataloguedId << " = \"" << kCataloguedText << "\"\n";
        return dir;
    }();
    return *root;
}

// Points HOSTPREFD_ROOT at the shared root with an empty task store directory, and makes
// the store. Call from a fixture's SetUp.
inline void ResetHostRoot()
{
    const TaskStoreTest::TempDir& root = SharedRoot();
    setenv("HOSTPREFD_ROOT", root.File("").c_str(), 1);
    std::filesystem::remove_all(root.File("var"));
    std::filesystem::create_directories(root.File("var/orvane/lifecycle"));
    LifeCycle::TaskDB(LifeCycle::kTaskStatusPath, true);
}

inline std::shared_ptr<::TaskDB::TaskManager> Store()
{
    return LifeCycle::TaskDB(LifeCycle::kTaskStatusPath, false).Manager();
}

// A one-shot signal: threads wait until it opens.
class Gate {
public:
    void Open()
    {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        cond_.notify_all();
    }
    // Waits until open; false when `timeout` passed first.
    bool Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(mutex_);
        return cond_.wait_for(lock, timeout, [this] { return open_; });
    }
    bool IsOpen()
    {
        std::lock_guard lock(mutex_);
        return open_;
    }

private:
    std::mutex mutex_;
    std::condition_variable cond_;
    bool open_ = false;
};

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

// A task that writes down each call the scheduler makes, in order, and runs a body the
// test chooses. Thread-safe.
class ScriptedTask : public LifeCycle::Task {
public:
    enum class RunMode {
        kReturn,          // Run returns at once
        kUntilAborted,    // Run returns once Abort was called
        kUntilReleased,   // Run returns once Release() was called, abort or not
        kThrow,           // Run throws std::runtime_error("run broke")
    };

    explicit ScriptedTask(std::string id, RunMode mode = RunMode::kReturn) : id_(std::move(id)), mode_(mode) {}

    void PreRun() override { Note("PreRun"); }
    void Run() override
    {
        Note("Run");
        running_.Open();
        switch (mode_) {
            case RunMode::kReturn:
                break;
            case RunMode::kUntilAborted:
                Eventually([this] { return IsAbortRequested(); }, std::chrono::seconds(30));
                break;
            case RunMode::kUntilReleased:
                released_.Wait(std::chrono::seconds(30));
                break;
            case RunMode::kThrow:
                throw std::runtime_error("run broke");
        }
    }
    void SetError(const std::exception& error) override { Note(std::string("SetError:") + error.what()); }
    void PostRun() override
    {
        Note("PostRun");
        if (throwInPostRun_) throw std::runtime_error("post-run broke");
    }
    bool IsAbortRequested() const override
    {
        std::lock_guard lock(mutex_);
        return abortRequested_;
    }
    void Abort() override
    {
        std::lock_guard lock(mutex_);
        abortRequested_ = true;
    }
    void MarkAborted() override { Note("MarkAborted"); }
    std::string GetName() const override { return "Scripted:" + id_; }
    std::string GetTaskId() const override { return id_; }

    void ThrowInPostRun() { throwInPostRun_ = true; }
    void Release() { released_.Open(); }
    // Waits until Run has begun.
    bool WaitRunning() { return running_.Wait(); }

    std::vector<std::string> Calls() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    std::string CallText() const
    {
        std::string text;
        for (const std::string& call : Calls()) text += (text.empty() ? "" : " ") + call;
        return text;
    }

private:
    void Note(const std::string& call)
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
    }

    const std::string id_;
    const RunMode mode_;
    bool throwInPostRun_ = false;  // set before submission
    Gate running_;
    Gate released_;
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;  // guarded by mutex_
    bool abortRequested_ = false;     // guarded by mutex_
};

}  // namespace TaskTest
