// Auth_AuthenticateUserPAM: checks a user name and password with the host's PAM stack
// (authentication and account check) for one PAM service.
//
// Loads PAM on first use (see PamLibrary); thread-safe as far as the PAM modules are.
#pragma once

// Whether `user` with `password` passes authentication and the account check of the PAM
// service `service`. Both must be valid UTF-8. Every refusal is logged.
bool Auth_AuthenticateUserPAM(const char* user, const char* password, const char* service);
