// The two Windows transports behind PostForm, reachable on their own for tests.
#pragma once
#include <string>
#include <vector>

#include "gateway/transport.h"

namespace velmora {

// The scriptable request objects, tried in this order.
const std::vector<std::wstring>& RequestObjectProgIds();

// Default mode: the first request object among `progids` that can be created.
std::string PostFormCom(const std::string& address, const std::string& body,
                        const std::vector<std::wstring>& progids = RequestObjectProgIds());

// Progress-reporting mode: WinINet directly, reporting (expected length, received) per piece.
std::string PostFormWinInet(const std::string& address, const std::string& body, const ProgressObserver& observer);

}  // namespace velmora
