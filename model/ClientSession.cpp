#include "model/ClientSession.h"

#include "net/NetClient.h"
#include "platform/MessageBox.h"

namespace kiv {

bool ClientSession::connectedOrSay() const {
  if (!net.stopped()) return true;
  showMessage("请先连接服务器");
  return false;
}

}  // namespace kiv
