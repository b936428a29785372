// The base type's default operations, which the plug-in keeps for entries 4 to 6.
#include "host/HostInterface.h"

#include <gtest/gtest.h>

struct CountingObject {
    PluginObject base;
    int destroyed = 0;
    std::uint32_t lastFlags = 0;
};

static PluginObject* countDestroy(PluginObject* self, std::uint32_t flags) {
    CountingObject* object = reinterpret_cast<CountingObject*>(self);
    ++object->destroyed;
    object->lastFlags = flags;
    return self;
}

static const PluginOperations baseOperations = {baseStart,    baseDescribe,  baseRelease,  countDestroy,
                                                baseReserved4, baseReserved5, baseReserved6};

TEST(HostInterface, BaseDefaultsAnswerAsTheHostExpects) {
    CountingObject object{{&baseOperations, nullptr, nullptr}};
    PluginInfo info{};
    EXPECT_EQ(baseOperations.start(&object.base), 0);
    EXPECT_EQ(baseOperations.describe(&object.base, &info), hostNotImplemented);
    EXPECT_EQ(baseOperations.reserved4(&object.base), 0);
    EXPECT_EQ(baseOperations.reserved5(&object.base), hostNotImplemented);
    EXPECT_EQ(baseOperations.reserved6(&object.base), hostNotImplemented);
    EXPECT_EQ(object.destroyed, 0);
}

TEST(HostInterface, BaseReleaseDestroysThroughEntryThreeWithTheFreeFlag) {
    CountingObject object{{&baseOperations, nullptr, nullptr}};
    EXPECT_EQ(baseOperations.release(&object.base), 0);
    EXPECT_EQ(object.destroyed, 1);
    EXPECT_EQ(object.lastFlags, 1u);
}
