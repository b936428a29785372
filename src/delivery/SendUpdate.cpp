// The one operation through which the worker delivers a title update.
#include "delivery/SendUpdate.h"

#include "delivery/HttpExchange.h"
#include "delivery/UpdateRequest.h"

bool sendUpdate(const StreamSettings& settings, const std::string& trackText, ServerMethods& methods,
                DeliveryReport& report, std::string* answerBody, std::size_t maxAnswerBytes) {
    report = DeliveryReport{};
    const std::optional<UpdateRequest> request = prepareUpdateRequest(settings, trackText, report);
    if (!request)
        return false; // nothing has touched the network
    return deliverUpdate(*request, settings.username, settings.password, methods, report, answerBody,
                         maxAnswerBytes);
}

bool sendUpdate(const StreamSettings& settings, const std::string& trackText) {
    ServerMethods methods = ServerMethods::getThenPost;
    DeliveryReport report;
    return sendUpdate(settings, trackText, methods, report);
}
