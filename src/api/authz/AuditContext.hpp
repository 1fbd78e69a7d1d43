// Api::AuditContext: the audit entries of one call and the records they turn into: the
// authentication record, the access-denied record and, when the audit switch is on, the
// "api.call" record.
//
// Created by the call registrar for each call and reachable from its activation; a service
// that defers the call record (entry "hostprefd_mute") keeps a shared pointer and completes
// it later, possibly on another thread. Thread-safe (one lock).
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "api/authz/CallInfo.hpp"
#include "platform/lumo/AsyncActivation.hpp"

namespace Api {

class AuditContext : public CallInfo {
public:
    using Entries = std::map<std::string, std::string, std::less<>>;
    // Told the finished call and its success; decides whether the call record is emitted now.
    using Observer = std::function<void(AuditContext& context, bool success)>;

    static constexpr const char* kAuthnEventKey = "AUTHN_EVENT_KEY";
    static constexpr const char* kAuthnSubjectKey = "AUTHN_SUBJECT_KEY";
    static constexpr const char* kAuthnObjectKey = "AUTHN_OBJECT_KEY";
    static constexpr const char* kAuthnParamPrefix = "AUTHN_PARAM_PREFIX";
    static constexpr const char* kAuthzEventKey = "AUTHZ_EVENT_KEY";
    static constexpr const char* kAuthzSubjectKey = "AUTHZ_SUBJECT_KEY";
    static constexpr const char* kAuthzObjectKey = "AUTHZ_OBJECT_KEY";
    static constexpr const char* kAuthzParamPrefix = "AUTHZ_PARAM_PREFIX";
    static constexpr const char* kMuteKey = "hostprefd_mute";
    static constexpr const char* kAccessDeniedEvent = "service.access.denied";
    static constexpr const char* kCallEvent = "api.call";
    // The subject of a record whose caller has no identity (the store refuses an empty one).
    static constexpr const char* kUnknownSubject = "@unknown";

    AuditContext(Lumo::Core::MethodIdentifier method, Observer observer)
        : CallInfo(std::move(method)), observer_(std::move(observer))
    {
    }

    // The audit context of the call of `activation`, or null when the call has none.
    static std::shared_ptr<AuditContext> Of(const Lumo::Core::AsyncActivation& activation);

    void SetAuditEntry(const std::string& key, std::string value) override;
    // The entry `key`, or nullopt.
    std::optional<std::string> Get(std::string_view key) const;
    bool Has(std::string_view key) const { return entries_.find(key) != entries_.end(); }
    const Entries& GetEntries() const { return entries_; }

    // Writes one record of `eventId`, `subject` and `object` whose items are the entries
    // starting with `prefix` (named without it). When any of the three is empty, writes a
    // "product.issue" record that names them instead.
    void WriteRecord(const std::string& eventId, const std::string& subject, const std::string& object,
                     std::string_view prefix, bool success) const;

    // Ends the deferred (or observed) call with `success`: drops "hostprefd_mute", sets
    // "result" and emits. Does nothing when the context holds no entries.
    void Complete(bool success);

    // "service:operation", the object of the call's records.
    std::string CallObject() const;

protected:
    // Writes the authentication and access-denied records, adds the call entries and
    // hands the context to the observer.
    void Finish(bool success) override;

private:
    // Writes the "api.call" record when the audit switch is on. Ends the process when a
    // key that the steps before always set is missing.
    void Emit() const;

    Observer observer_;
    // Recursive: the observer completes the context from inside Finish.
    mutable std::recursive_mutex mutex_;
    Entries entries_;           // guarded by mutex_
    bool callEnded_ = false;    // guarded by mutex_; set once Finish has added the call entries
    std::optional<bool> early_; // guarded by mutex_; a completion that came before the call ended
};

}  // namespace Api
