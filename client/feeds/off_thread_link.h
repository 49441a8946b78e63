// A gateway link that sends each request from a short-lived thread of its own while the calling
// thread keeps waiting with its windows responsive. The poll cycle goes through it, so a slow or
// silent service (each exchange may take up to the transport's time-out) never freezes the
// window: timer ticks, clicks and repaints are handled while a request is out.
//
// The request still returns before the call does, so callers read their answers as with any
// link. The wrapped link is used from the worker threads: it must not depend on the calling
// thread (the process gateway does not; its state is fixed before any worker exists).
#pragma once
#include <atomic>
#include <functional>
#include <string>

#include "gateway/statements.h"

namespace velmora {

class OffThreadLink final : public GatewayLink {
 public:
  // Called on the calling thread until `done` is set; it must keep the thread's messages flowing.
  using Wait = std::function<void(const std::atomic<bool>& done)>;

  // Without `wait`, the calling thread lets the window system process its pending messages
  // between short sleeps.
  explicit OffThreadLink(GatewayLink& inner, Wait wait = {});

  std::string Query(const std::string& sql) override;
  std::string Execute(const std::string& sql) override;
  std::string Check(const std::string& sql) override;

 private:
  std::string Run(std::function<std::string()> request);

  GatewayLink& inner_;
  Wait wait_;
};

// The default wait: pump pending messages, sleep a little, until done. A quit request seen while
// pumping stays queued for the thread's own loop; the wait goes on until the worker has finished.
void WaitPumping(const std::atomic<bool>& done);

}  // namespace velmora
