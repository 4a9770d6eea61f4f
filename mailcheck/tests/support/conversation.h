// Scripts for ScriptedServer: a greeting, then for each client line an expected beginning
// and a reply; and a check run against such a server.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "check_limits.h"
#include "check_outcome.h"
#include "server_address.h"
#include "support/scripted_server.h"
#include "vrxmail/mail_request.h"

namespace vrxmail::testing {

struct Step {
  std::string expect;  // the client line must begin with this
  std::string reply;   // sent as is (include the CRLFs)
};

// After the last step the server waits for the client to close.
ScriptedServer::Script conversation(std::string greeting, std::vector<Step> steps);

// Limits that keep a test short.
CheckLimits quickLimits();

// One check against 127.0.0.1:port with user "u", password "p", since 2026-12-06 12:10 UTC,
// the clock at 12:20.
CheckOutcome checkAgainst(const ScriptedServer& server, ServerType type,
                          const CheckLimits& limits = quickLimits(),
                          Security security = Security::plain,
                          const std::atomic<bool>* abort = nullptr);

// The same with a user name and password of the test's own.
CheckOutcome checkAgainstAs(const ScriptedServer& server, ServerType type,
                            const std::string& user, const std::string& password);

}  // namespace vrxmail::testing
