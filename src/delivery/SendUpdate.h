// Delivers one title update to the streaming server.
#pragma once

#include "delivery/DeliveryReport.h"
#include "settings/StreamSettings.h"

#include <string>

// True only when the server answered with a status from 200 to 299. The update goes as
// deliverUpdate sends it, starting with a GET.
bool sendUpdate(const StreamSettings& settings, const std::string& trackText);

// The same update, following `methods`, what this server has shown so far (deliverUpdate),
// with the outcome kept in `report`: the reason of a failure, for the worker to tell a refused
// login and for a companion tool to explain. A non-null `answerBody` receives up to
// `maxAnswerBytes` of the answer's body; the plug-in never asks for it.
bool sendUpdate(const StreamSettings& settings, const std::string& trackText, ServerMethods& methods,
                DeliveryReport& report, std::string* answerBody = nullptr, std::size_t maxAnswerBytes = 0);
