// Timers in the headless back end's virtual time: periods, enabling, handlers that stop or free
// their timer, timers due together.
#include <cstdint>
#include <vector>

#include "ui_fixture.h"

namespace ui_test {
namespace {

using namespace ui;

class TimerTest : public UiTest {
 protected:
  void SetUp() override {
    form = MakeForm();
    timer = new TTimer(form);
    timer->SetEnabled(false);
    timer->SetInterval(900);
    timer->OnTimer = [this](TObject* sender) {
      EXPECT_EQ(sender, timer);
      ticks.push_back(backend.Now());
    };
  }

  LayoutForm* form = nullptr;
  TTimer* timer = nullptr;
  std::vector<uint64_t> ticks;
};

TEST_F(TimerTest, RunsOncePerIntervalWhileEnabled) {
  backend.Advance(5000);
  EXPECT_TRUE(ticks.empty());
  EXPECT_FALSE(backend.TimerRunning(*timer));

  timer->SetEnabled(true);  // at 5000
  backend.Advance(899);
  EXPECT_TRUE(ticks.empty());
  backend.Advance(1 + 1800);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{5900, 6800, 7700}));
}

TEST_F(TimerTest, AHandlerThatDisablesTheTimerRunsOnce) {
  timer->OnTimer = [this](TObject*) {
    ticks.push_back(backend.Now());
    timer->SetEnabled(false);
  };
  timer->SetEnabled(true);
  backend.Advance(10 * 900);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{900}));
}

TEST_F(TimerTest, ANewIntervalStartsAFreshPeriodAndZeroStops) {
  timer->SetEnabled(true);
  backend.Advance(500);
  timer->SetInterval(1000);  // at 500
  backend.Advance(1500);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{1500}));
  timer->SetInterval(0);
  EXPECT_FALSE(backend.TimerRunning(*timer));
  backend.Advance(5000);
  EXPECT_EQ(ticks.size(), 1u);
}

TEST_F(TimerTest, TimersDueTogetherRunInTheOrderTheyStarted) {
  std::vector<int> order;
  auto* second = new TTimer(form);
  second->SetInterval(900);
  second->OnTimer = [&](TObject*) { order.push_back(2); };
  timer->OnTimer = [&](TObject*) { order.push_back(1); };
  timer->SetEnabled(true);
  second->SetEnabled(false);
  second->SetEnabled(true);  // started after the first
  backend.Advance(1800);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 1, 2}));
}

TEST_F(TimerTest, AHandlerMayFreeItsTimer) {
  int runs = 0;
  timer->OnTimer = [&](TObject*) {
    ++runs;
    delete timer;
    timer = nullptr;
  };
  timer->SetEnabled(true);
  backend.Advance(5000);
  EXPECT_EQ(runs, 1);
}

TEST_F(TimerTest, FiringByHandNeedsARunningTimer) {
  EXPECT_FALSE(backend.FireTimer(*timer));
  timer->SetEnabled(true);
  EXPECT_TRUE(backend.FireTimer(*timer));
  EXPECT_EQ(ticks.size(), 1u);
}

TEST_F(TimerTest, AFreedFormStopsItsTimers) {
  timer->SetEnabled(true);
  delete form;
  backend.Advance(5000);
  EXPECT_TRUE(ticks.empty());
}

}  // namespace
}  // namespace ui_test
