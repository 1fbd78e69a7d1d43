#include "api/authn/AuthPam.hpp"

#include <cstdlib>
#include <cstring>

#include "api/authn/PamLibrary.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/host/CodeSet.hpp"

using Host::Settings::SettingsApi::Authn::PamLibrary;

namespace {

// Answers PAM's prompts with the password; informational messages get empty answers. PAM
// owns (and frees) the answers, so they come from malloc.
int AnswerWithPassword(int count, const struct pam_message** messages, struct pam_response** responses,
                       void* password)
{
    if (count <= 0 || messages == nullptr || responses == nullptr) {
        return PAM_CONV_ERR;
    }
    auto* answers = static_cast<pam_response*>(std::calloc(static_cast<size_t>(count), sizeof(pam_response)));
    if (answers == nullptr) {
        return PAM_BUF_ERR;
    }
    for (int i = 0; i < count; ++i) {
        switch (messages[i]->msg_style) {
            case PAM_PROMPT_ECHO_OFF:
            case PAM_PROMPT_ECHO_ON:
                answers[i].resp = ::strdup(static_cast<const char*>(password));
                if (answers[i].resp == nullptr) {
                    break;
                }
                continue;
            case PAM_ERROR_MSG:
            case PAM_TEXT_INFO:
                continue;
            default:
                break;
        }
        // An unknown prompt or no memory: nothing is answered.
        for (int j = 0; j < count; ++j) {
            if (answers[j].resp != nullptr) {
                std::memset(answers[j].resp, 0, std::strlen(answers[j].resp));
                std::free(answers[j].resp);
            }
        }
        std::free(answers);
        return PAM_CONV_ERR;
    }
    *responses = answers;
    return PAM_SUCCESS;
}

void LogPamFailure(const PamLibrary& pam, pam_handle_t* handle, int line, int status)
{
    CSLogger::Log(0, "%s:%d: PAM failure - %s (%d)\n", "Auth_AuthenticateUserPAM", line,
                  pam.strerror(handle, status), status);
}

}  // namespace

bool Auth_AuthenticateUserPAM(const char* user, const char* password, const char* service)
{
    if (!CodeSet_Validate(user, std::strlen(user), "UTF-8")) {
        CSLogger::Log(0, "User not in UTF-8\n");
        return false;
    }
    if (!CodeSet_Validate(password, std::strlen(password), "UTF-8")) {
        CSLogger::Log(0, "Password not in UTF-8\n");
        return false;
    }
    const PamLibrary* pam = PamLibrary::Get();
    if (pam == nullptr) {
        return false;
    }
    struct pam_conv conversation = {&AnswerWithPassword, const_cast<char*>(password)};
    pam_handle_t* handle = nullptr;
    int status = pam->start(service, user, &conversation, &handle);
    if (status != PAM_SUCCESS) {
        CSLogger::Log(0, "Failed to start PAM (error = %d).\n", status);
        if (handle != nullptr) {
            pam->end(handle, status);
        }
        return false;
    }
    status = pam->authenticate(handle, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
    if (status != PAM_SUCCESS) {
        LogPamFailure(*pam, handle, __LINE__, status);
    } else {
        // A right password is not enough: the account must be allowed to use the service.
        status = pam->acctMgmt(handle, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
        if (status != PAM_SUCCESS) {
            LogPamFailure(*pam, handle, __LINE__, status);
        }
    }
    pam->end(handle, status);
    return status == PAM_SUCCESS;
}
