// Where the client finds its service: the gateway base address built into the program (held
// enciphered, as the service's stored values are), or one given on the command line.
#pragma once
#include <string>
#include <string_view>

namespace velmora {

// The built-in base address, deciphered ("http://host:port/path/").
std::string BuiltInGatewayBase();

// The gateway page for a base address: base + "talvenor.asp" (a "/" is added when missing).
std::string GatewayPage(std::string_view base);

}  // namespace velmora
