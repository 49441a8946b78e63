// How every HTTP server of ours is set up and run: the gateway and the benchmark's baseline
// share it, so the baseline measures the same stack.
#pragma once
#include <httplib.h>

#include <cstddef>
#include <functional>
#include <string>

namespace velmora::service {

// Thread pool, body limit, time-outs, and no Nagle delay between headers and body.
void ConfigureServer(httplib::Server& server, int threads, size_t max_body);

// Binds to host:port (0: any free port) with the system's full listen queue; the port, or -1.
int BindServer(httplib::Server& server, const std::string& host, int port);

// Serves until SIGTERM or SIGINT, which `on_signal` hears of first; false when serving failed.
bool ServeUntilSignalled(httplib::Server& server, const std::function<void(int)>& on_signal);

}  // namespace velmora::service
