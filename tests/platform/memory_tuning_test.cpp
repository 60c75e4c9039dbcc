#include "platform/memory_tuning.h"

#include <gtest/gtest.h>

// The program starts itself again with this value: a user's own tunables must survive, and a
// user's own huge-page choice must stand (else the restart would repeat or overrule it).
TEST(MemoryTuning, HugePageHeapIsAddedToTheUsersTunablesUnlessTheyChoseAlready) {
    EXPECT_EQ(bv::TunablesWithHugePageHeap(nullptr), "glibc.malloc.hugetlb=1");
    EXPECT_EQ(bv::TunablesWithHugePageHeap(""), "glibc.malloc.hugetlb=1");
    EXPECT_EQ(bv::TunablesWithHugePageHeap("glibc.malloc.check=3:glibc.malloc.tcache_count=0"),
              "glibc.malloc.check=3:glibc.malloc.tcache_count=0:glibc.malloc.hugetlb=1");
    EXPECT_EQ(bv::TunablesWithHugePageHeap("glibc.malloc.hugetlb=0"), "");
    EXPECT_EQ(bv::TunablesWithHugePageHeap("glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1"), "");
}
