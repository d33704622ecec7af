#include "net/OwnProfileReceiver.h"

#include "net/Connection.h"

namespace kiv {

void OwnProfileReceiver::OnServerResponse(const PendingRequest& request, const std::uint8_t* response,
                                          std::uint32_t size, std::uint32_t command) {
  if (const auto connection = connection_.lock()) connection->ownProfileArrived(request, response, size, command);
}

}  // namespace kiv
