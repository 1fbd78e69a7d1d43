#include "api/authz/AuditContext.hpp"

#include <vector>

#include "api/authz/AuditSwitch.hpp"
#include "platform/host/OrvaneAudit.hpp"
#include "platform/host/Panic.hpp"

namespace Api {

namespace {

constexpr const char* kIssueEvent = "product.issue";
constexpr const char* kIssueLocation = "Api::AuditContext::WriteRecord";

}  // namespace

std::shared_ptr<AuditContext> AuditContext::Of(const Lumo::Core::AsyncActivation& activation)
{
    return std::dynamic_pointer_cast<AuditContext>(activation.callObserver);
}

void AuditContext::SetAuditEntry(const std::string& key, std::string value)
{
    std::lock_guard lock(mutex_);
    entries_.insert_or_assign(key, std::move(value));
}

std::optional<std::string> AuditContext::Get(std::string_view key) const
{
    std::lock_guard lock(mutex_);
    auto entry = entries_.find(key);
    if (entry == entries_.end()) {
        return std::nullopt;
    }
    return entry->second;
}

std::string AuditContext::CallObject() const { return Method().ServiceId() + ":" + Method().OperationId(); }

void AuditContext::WriteRecord(const std::string& eventId, const std::string& subject,
                               const std::string& object, std::string_view prefix, bool success) const
{
    if (eventId.empty() || subject.empty() || object.empty()) {
        std::string reason =
            "One or more mandatory string arguments to function are empty. eventId:" + eventId +
            ";subject:" + subject + ";object:" + object;
        OrvaneAudit_LogList(kIssueEvent, "tarn", "Service audit", false,
                            {AuditItem("location", kIssueLocation), AuditItem("reason", std::move(reason))});
        return;
    }
    std::vector<AuditItem> items;
    // The map is ordered, so the entries of one prefix are adjacent.
    for (auto entry = entries_.lower_bound(prefix);
         entry != entries_.end() && std::string_view(entry->first).starts_with(prefix); ++entry) {
        items.emplace_back(entry->first.substr(prefix.size()), entry->second);
    }
    OrvaneAudit_LogList(eventId, subject, object, success, items);
}

void AuditContext::Finish(bool success)
{
    // Held throughout, so a task completing the context on its worker thread sees the
    // call either not ended or fully ended, never in between.
    std::lock_guard lock(mutex_);
    const std::string user = User().value_or("");
    if (Authentication() != AuthnOutcome::kNotRun) {
        if (auto event = Get(kAuthnEventKey)) {
            WriteRecord(*event, Get(kAuthnSubjectKey).value_or(user),
                        Get(kAuthnObjectKey).value_or(CallObject()), kAuthnParamPrefix,
                        Authentication() == AuthnOutcome::kSucceeded);
        }
    }
    if (AccessDenied()) {
        WriteRecord(Get(kAuthzEventKey).value_or(kAccessDeniedEvent), Get(kAuthzSubjectKey).value_or(user),
                    Get(kAuthzObjectKey).value_or(CallObject()), kAuthzParamPrefix, false);
    }
    SetAuditEntry("eventID", kCallEvent);
    SetAuditEntry("subject", user);
    SetAuditEntry("object", CallObject());
    callEnded_ = true;
    if (observer_) {
        observer_(*this, success);
    }
    if (early_) {
        Complete(*early_);
    }
}

void AuditContext::Complete(bool success)
{
    std::lock_guard lock(mutex_);
    if (!callEnded_ && observer_) {
        // A task can end before the call that started it has answered; its record waits
        // for the call entries.
        early_ = success;
        return;
    }
    early_.reset();
    if (entries_.empty()) {
        return;
    }
    entries_.erase(kMuteKey);
    SetAuditEntry("result", success ? "true" : "false");
    Emit();
}

void AuditContext::Emit() const
{
    auto event = Get("eventID");
    VERIFY(event.has_value());
    if (AuditSwitch::Current() != AuditSwitch::kOn) {
        return;
    }
    auto subject = Get("subject");
    auto object = Get("object");
    auto result = Get("result");
    VERIFY(subject.has_value() && object.has_value() && result.has_value());
    OrvaneAudit_LogList(*event, *subject, *object, *result == "true", {});
}

}  // namespace Api
