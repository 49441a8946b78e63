// One client per program folder: a second claim on the same folder finds the first and asks it
// to come forward; other folders are not disturbed.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/single_instance_win.h"
#include "gateway/platform.h"

namespace velmora::win {
namespace {

// `path` under a folder of this test process's own: the claims are named in the session, which
// the x86_64 and i686 test programs running side by side under one Wine server share.
std::wstring Own(const std::wstring& path) {
  return path.substr(0, 3) + L"run" + std::to_wstring(GetCurrentProcessId()) + path.substr(2);
}

TEST(SingleInstance, OneClaimPerFolderWithoutRegardToCaseOrTrailingSeparator) {
  struct Case {
    const wchar_t* first;
    const wchar_t* second;
    bool same;
  } cases[] = {
      {L"C:\\Users\\Jörg\\Velmora", L"C:\\Users\\Jörg\\Velmora", true},
      {L"C:\\Users\\Jörg\\Velmora", L"c:\\users\\JÖRG\\velmora\\", true},
      {L"C:\\股票\\Velmora", L"C:/股票/Velmora", true},
      {L"C:\\股票\\Velmora", L"C:\\股票\\Velmora2", false},
      {L"D:\\Velmora", L"C:\\Velmora", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    SingleInstance one(Own(c.first));
    EXPECT_TRUE(one.first());
    SingleInstance two(Own(c.second));
    EXPECT_EQ(two.first(), !c.same);
    EXPECT_EQ(SingleInstance::NameFor(Own(c.first)) == SingleInstance::NameFor(Own(c.second)), c.same);
  }
  // The claim ends with the client: the next start is first again.
  auto gone = std::make_unique<SingleInstance>(Own(L"C:\\Velmora"));
  gone.reset();
  EXPECT_TRUE(SingleInstance(Own(L"C:\\Velmora")).first());
}

TEST(SingleInstance, ASecondStartAsksTheRunningClientToComeForward) {
  SingleInstance running(Own(L"C:\\Program Files\\Velmora"));
  int came = 0;
  ASSERT_TRUE(running.Listen([&] { ++came; }));

  SingleInstance other_folder(Own(L"C:\\Elsewhere\\Velmora"));
  ASSERT_TRUE(other_folder.first());
  ASSERT_TRUE(other_folder.Listen([] { FAIL() << "another folder's client was disturbed"; }));

  SingleInstance second(Own(L"c:\\program files\\velmora\\"));
  ASSERT_FALSE(second.first());
  EXPECT_FALSE(second.Listen([] {}));  // only the first listens
  EXPECT_TRUE(second.AskFirstToComeForward(1000));
  WaitPumping([&] { return came > 0; }, std::chrono::milliseconds(2000));
  EXPECT_EQ(came, 1);

  // The running client stopped listening (its windows are going): a later start reaches nothing.
  running.StopListening();
  EXPECT_FALSE(second.AskFirstToComeForward(300));
  WaitPumping([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_EQ(came, 1);

  // Nobody listening (the client ended): the request gives up after its patience.
  SingleInstance lonely_first(Own(L"C:\\Quiet\\Velmora"));
  SingleInstance lonely_second(Own(L"C:\\Quiet\\Velmora"));
  const uint64_t start = TickCountMs();
  EXPECT_FALSE(lonely_second.AskFirstToComeForward(300));
  EXPECT_GE(TickCountMs() - start, 250u);
}

}  // namespace
}  // namespace velmora::win
