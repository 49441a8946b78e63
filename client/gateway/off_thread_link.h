// A gateway link that sends each request from a worker thread of its own while the calling
// thread keeps waiting with its windows responsive. The poll cycle goes through it, so a slow or
// silent service (each exchange may take up to the transport's time-out) never freezes the
// window: timer ticks, clicks and repaints are handled while a request is out.
//
// The request still returns before the call does, so callers read their answers as with any
// link. The wrapped link is used from the worker thread: it must not depend on the calling
// thread (a gateway client does not: its state is fixed at the handshake, before any worker exists).
//
// One worker serves the link for its whole life, one request at a time. A thread per request
// would cost a thread's start and, in the transport, its COM set-up on every request: an idle
// client polling every second spent most of its CPU time there. Between requests the worker
// keeps answering its thread's messages (IdleSignal), as a thread with an apartment must.
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "gateway/platform.h"
#include "gateway/statements.h"

namespace velmora {

class OffThreadLink final : public GatewayLink {
 public:
  // Called on the calling thread until `done` is set; it must keep the thread's messages flowing.
  // False when it gave up first (the program is quitting): the request then has no answer, and
  // the worker finishes it on its own.
  using Wait = std::function<bool(const std::atomic<bool>& done)>;

  // What the worker thread holds for its whole life (on Windows: a COM apartment, so that the
  // transport's own per-request set-up is only a nested one and nothing is torn down between
  // requests).
  using ThreadScope = std::function<std::shared_ptr<void>()>;

  // Without `wait`, the calling thread waits with WaitPumping: its windows stay alive, and a quit
  // ends the wait.
  explicit OffThreadLink(GatewayLink& inner, Wait wait = {}, ThreadScope scope = {});
  ~OffThreadLink() override;
  OffThreadLink(const OffThreadLink&) = delete;
  OffThreadLink& operator=(const OffThreadLink&) = delete;

  std::string Query(const std::string& sql) override;
  std::string Execute(const std::string& sql) override;
  std::string Check(const std::string& sql) override;

 private:
  std::string Run(std::function<std::string()> request);

  struct Worker;

  GatewayLink& inner_;
  Wait wait_;
  ThreadScope scope_;
  // Woken by the worker as each answer is in, so that the calling thread sleeps while it waits
  // (it outlives the worker, which ends first).
  IdleSignal answered_;
  std::unique_ptr<Worker> worker_;  // started with the first request
};

}  // namespace velmora
