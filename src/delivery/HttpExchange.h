// The HTTP exchange of one title update through WinHTTP: a GET of the update target, or a POST of
// its query as a form body to its path.
#pragma once

#include "delivery/DeliveryReport.h"
#include "delivery/UpdateRequest.h"

#include <cstddef>
#include <string>

// True only when the server answered with a status from 200 to 299. Session, connection and
// request are opened for this call alone and closed before it returns, on every path, so no
// connection is reused between updates. `report` receives the method, the failing step, the
// platform error right after it, and the status once one was read.
// A non-null `answerBody` receives up to `maxAnswerBytes` of the answer's body after the status
// was read; without it the body is never read.
bool issueUpdateRequest(const UpdateRequest& request, UpdateMethod method, const std::wstring& username,
                        const std::wstring& password, DeliveryReport& report,
                        std::string* answerBody = nullptr, std::size_t maxAnswerBytes = 0);

// The update as the server takes it: a GET, and when the server refuses that with 405, at once
// the same update as a POST with the same credentials, as `methods` (kept per server) allows and
// learns. When the POST is refused too the update has failed and `report` describes the POST; a
// POST refused otherwise than with 405 is tried again after the next 405. Never POST first:
// Icecast 2.4 answers a POST with 400, Icecast-KH with 501.
bool deliverUpdate(const UpdateRequest& request, const std::wstring& username, const std::wstring& password,
                   ServerMethods& methods, DeliveryReport& report, std::string* answerBody = nullptr,
                   std::size_t maxAnswerBytes = 0);
