// Reads back the audit records that a test made the daemon write below its host root.
#pragma once

#include <rapidjson/document.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/host/OrvaneAudit.hpp"

namespace AuditTest {

struct AuditRecord {
    std::string event;
    std::string subject;
    std::string object;
    bool success = false;
    std::map<std::string, std::string> items;  // string items only; others as their JSON kind
};

// Every record of the audit log under `root` (a host root directory), in write order. A
// line that is not a JSON object becomes a record with event "<unparsable>".
inline std::vector<AuditRecord> ReadAuditLog(const std::string& root)
{
    std::vector<AuditRecord> records;
    std::ifstream in(root + kAuditLogPath);
    std::string line;
    while (std::getline(in, line)) {
        rapidjson::Document doc;
        AuditRecord record;
        if (doc.Parse(line.c_str()).HasParseError() || !doc.IsObject() || !doc.HasMember("event")) {
            record.event = "<unparsable>";
            records.push_back(record);
            continue;
        }
        record.event = doc["event"].GetString();
        record.subject = doc["subject"].GetString();
        record.object = doc["object"].GetString();
        record.success = doc["success"].GetBool();
        for (const auto& item : doc["items"].GetObject()) {
            record.items[item.name.GetString()] =
                item.value.IsString() ? item.value.GetString() : "<non-string>";
        }
        records.push_back(record);
    }
    return records;
}

// The records of one event.
inline std::vector<AuditRecord> RecordsOf(const std::vector<AuditRecord>& records, const std::string& event)
{
    std::vector<AuditRecord> found;
    std::copy_if(records.begin(), records.end(), std::back_inserter(found),
                 [&event](const AuditRecord& record) { return record.event == event; });
    return found;
}

}  // namespace AuditTest
