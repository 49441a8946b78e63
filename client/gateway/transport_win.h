// The two Windows transports behind PostForm, reachable on their own for tests.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gateway/transport.h"
#include "runtime/com_win.h"

namespace velmora {

// The scriptable request objects, tried in this order.
const std::vector<std::wstring>& RequestObjectProgIds();

// Default mode on a new object: the first request object among `progids` that can be created.
std::string PostFormCom(const std::string& address, const std::string& body,
                        const std::vector<std::wstring>& progids = RequestObjectProgIds());

// Progress-reporting mode: WinINet directly, reporting (expected length, received) per piece.
std::string PostFormWinInet(const std::string& address, const std::string& body, const ProgressObserver& observer);

// While one lives, the calling thread's default-mode requests (PostForm without an observer) share
// one request object, and with it the connection the object keeps open, instead of making both
// anew for every request: for a worker that polls every second that is most of its idle cost.
// The object is made on first use from RequestObjectProgIds() and dropped after an exchange that
// failed. Make it inside the thread's COM apartment and end it before the apartment; nested ones
// hide the outer one while they live.
class ReusedRequestObject {
 public:
  ReusedRequestObject();
  ~ReusedRequestObject();
  ReusedRequestObject(const ReusedRequestObject&) = delete;
  ReusedRequestObject& operator=(const ReusedRequestObject&) = delete;

  std::string Post(const std::string& address, const std::string& body);

 private:
  win::ComRef<IDispatch> object_;
  ReusedRequestObject* const outer_;
};

// The scope of a thread that talks to the gateway for its life: its COM apartment and a reused
// request object, ended in the right order. For an off-thread link's worker.
std::shared_ptr<void> TransportWorkerScope();

// How many request objects the default mode has made in this process.
uint64_t RequestObjectsMade();

}  // namespace velmora
