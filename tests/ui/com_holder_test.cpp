#include "platform/com_holder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct IThing;  // incomplete, as the Direct2D interfaces are in the portable code

struct Thing {
  std::vector<std::string>* log;
  const char* name;
  ComHolder<IThing>* watched;  // the holder that must already be empty when this is released
};

void ReleaseThing(IThing* pointer) {
  auto* thing = reinterpret_cast<Thing*>(pointer);
  const bool cleared = thing->watched == nullptr || !*thing->watched;
  thing->log->push_back(std::string("Release ") + thing->name + (cleared ? "" : " (still held)"));
}

IThing* AsThing(Thing& thing) {
  return reinterpret_cast<IThing*>(&thing);
}

TEST(ComHolder, ResetClearsTheFieldBeforeReleasing) {
  std::vector<std::string> log;
  ComHolder<IThing> holder;
  Thing a{&log, "a", &holder};
  holder.attach(AsThing(a), &ReleaseThing);
  holder.reset();
  EXPECT_EQ(log, std::vector<std::string>{"Release a"});
  EXPECT_EQ(holder.get(), nullptr);
  holder.reset();  // empty: nothing more is released
  EXPECT_EQ(log.size(), 1u);
}

TEST(ComHolder, PutAndAttachReleaseTheOldReferenceFirst) {
  std::vector<std::string> log;
  ComHolder<IThing> holder;
  Thing a{&log, "a", &holder};
  Thing b{&log, "b", nullptr};
  holder.attach(AsThing(a), &ReleaseThing);
  IThing** slot = holder.put(&ReleaseThing);
  EXPECT_EQ(log, std::vector<std::string>{"Release a"});
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(*slot, nullptr);
  *slot = AsThing(b);
  EXPECT_EQ(holder.get(), AsThing(b));
  Thing c{&log, "c", nullptr};
  holder.attach(AsThing(c), &ReleaseThing);
  EXPECT_EQ(log, (std::vector<std::string>{"Release a", "Release b"}));
}

TEST(ComHolder, MovesOwnershipAndReleasesExactlyOnce) {
  std::vector<std::string> log;
  Thing a{&log, "a", nullptr};
  Thing b{&log, "b", nullptr};
  {
    ComHolder<IThing> first;
    first.attach(AsThing(a), &ReleaseThing);
    ComHolder<IThing> second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), AsThing(a));
    ComHolder<IThing> third;
    third.attach(AsThing(b), &ReleaseThing);
    third = std::move(second);  // b goes now, a later with `third`
    EXPECT_EQ(log, std::vector<std::string>{"Release b"});
  }
  EXPECT_EQ(log, (std::vector<std::string>{"Release b", "Release a"}));
}

}  // namespace
