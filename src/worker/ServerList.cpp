// Choosing the servers to update from the sections of the settings file.
#include "worker/ServerList.h"

#include "delivery/UpdateRequest.h"

int earlierDuplicate(const std::vector<StreamSection>& sections, std::size_t index) {
    if (index >= sections.size() || !sections[index].settings.ready)
        return -1;
    const std::optional<std::wstring> identity = serverIdentity(sections[index].settings);
    if (!identity)
        return -1;
    for (std::size_t earlier = 0; earlier < index; ++earlier) {
        if (sections[earlier].settings.ready && serverIdentity(sections[earlier].settings) == identity)
            return static_cast<int>(earlier);
    }
    return -1;
}

std::vector<StreamSection> serversToUpdate(const std::vector<StreamSection>& sections) {
    std::vector<StreamSection> servers;
    for (std::size_t index = 0; index < sections.size(); ++index) {
        if (sections[index].settings.ready && earlierDuplicate(sections, index) < 0)
            servers.push_back(sections[index]);
    }
    if (servers.empty() && !sections.empty())
        servers.push_back(sections.front());
    return servers;
}
