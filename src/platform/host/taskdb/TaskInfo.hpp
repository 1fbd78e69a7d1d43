// TaskInfo: one task record as the task store holds it.
//
// A plain value returned by TaskManager reads; text fields are empty when absent.
// Times are UTC texts "YYYY-MM-DDTHH:MM:SS.mmmZ". Not synchronised (a value type).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace TaskDB {

struct TaskInfo {
    std::string id;
    std::string operation;               // what the task does, as its creator named it
    std::string user;                    // who asked for it
    std::string created;                 // when the record was created
    std::string status;                  // "PENDING", "RUNNING", "SUCCEEDED" or "FAILED"
    std::string startTime;               // set by StartTask, or by the final update of a task never started
    std::string endTime;                 // set when the task succeeds or fails
    int32_t completed = 0;               // progress done, out of `total`
    int32_t total = 0;                   // 100 once any progress has been reported
    int32_t startProgress = 0;           // the integer given to CreateTask/StartTask
    std::string message;                 // the message of the last progress update
    std::string result;                  // JSON text of the result
    std::string errorText;               // JSON text of an error value
    std::string errorId;                 // message id of an error reported by a launched tool
    std::vector<std::string> errorArgs;  // arguments of that message
    std::vector<std::string> notifications;  // JSON texts, oldest first
};

}  // namespace TaskDB
