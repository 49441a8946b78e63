// Splitting of "http://host[:port]/path" addresses for the direct socket and WinINet transports.
#pragma once
#include <string>
#include <string_view>

namespace velmora {

// Host part, ASCII letters in lower case; with `keep_port` the ":port" stays.
std::string UrlHost(std::string_view address, bool keep_port);
// The port named in the host part, 80 when there is none.
int UrlPort(std::string_view address);
// Everything from the first "/" after the host, query included; "/" when there is none.
std::string UrlPath(std::string_view address);

}  // namespace velmora
