// The built-in gateway address: enciphered at compile time, deciphered intact at run time.
#include <gtest/gtest.h>

#include "app/gateway_address.h"
#include "gateway/rc4.h"

namespace velmora {
namespace {

TEST(GatewayAddress, BuiltInBaseDeciphersToTheConfiguredAddress) {
  EXPECT_EQ(BuiltInGatewayBase(), VELMORA_TEST_GATEWAY_BASE);
  EXPECT_EQ(Rc4HexDecode(Rc4HexEncode(BuiltInGatewayBase())), BuiltInGatewayBase());
}

TEST(GatewayAddress, PageIsBasePlusThePageName) {
  EXPECT_EQ(GatewayPage("http://s:81/gw/"), "http://s:81/gw/talvenor.asp");
  EXPECT_EQ(GatewayPage("http://s:81/gw"), "http://s:81/gw/talvenor.asp");
}

}  // namespace
}  // namespace velmora
