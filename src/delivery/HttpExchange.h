// The HTTP exchange of one title update: a GET of the update target through WinHTTP.
#pragma once

#include "delivery/DeliveryReport.h"
#include "delivery/UpdateRequest.h"

#include <cstddef>
#include <string>

// True only when the server answered with a status from 200 to 299. Session, connection and
// request are opened for this call alone and closed before it returns, on every path, so no
// connection is reused between updates. `report` receives the failing step, the platform error
// right after it, and the status once one was read.
// A non-null `answerBody` receives up to `maxAnswerBytes` of the answer's body after the status
// was read; without it the body is never read.
bool issueUpdateRequest(const UpdateRequest& request, const std::wstring& username, const std::wstring& password,
                        DeliveryReport& report, std::string* answerBody = nullptr, std::size_t maxAnswerBytes = 0);
