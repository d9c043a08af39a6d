// The consumer family's thread-start rule, which only the native thread primitives carry out:
// CreateThread on 95/98/Me refuses a null thread-id pointer.
#include <gtest/gtest.h>

#include "emu/machine.h"
#include "platform/thread_start.h"

namespace emu {
namespace {

TEST(MachineFamilyThreads, ConsumerRefusesAThreadStartWithoutAnIdPointer) {
  Machine machine;
  machine.SetFamily(Machine::Family::Consumer);
  // Refused before anything runs, so no thread body is needed.
  EXPECT_EQ(platform::BeginThreadEx(nullptr, nullptr), 0u);
}

}  // namespace
}  // namespace emu
