#include <gtest/gtest.h>

#include "../api/ApiTestSupport.hpp"
#include "util/Originator.hpp"

namespace {

using LifeCycle::Originator;

const std::string kSchemas = "/usr/lib/orvane/configmanager/schemas/";

// A host root without the base-image schemas of the test tree.
struct RootWithoutSchemas : ApiTest::EnvHostRoot {
    RootWithoutSchemas() { std::filesystem::remove_all(Path(kSchemas)); }
};

std::string FindName()
{
    try {
        return Originator::FindBaseImageName();
    } catch (const std::runtime_error& error) {
        return std::string("error: ") + error.what();
    }
}

TEST(OriginatorTest, NameIsTheHostsBaseImageSchemaWithoutItsBuildSuffix)
{
    RootWithoutSchemas root;
    EXPECT_EQ(Originator::For("x"), "quarn[x]");
    EXPECT_EQ(FindName(), "error: Unable to find tarn-base schema");  // no directory at all
    root.WriteFile(kSchemas + "storage-services-1.2.0-24.1.0.json", "{}");
    root.WriteFile(kSchemas + "tarn-base-8.0.3-24.1.0.json", "{}");
    EXPECT_FALSE(Originator::IsDpuHost());
    EXPECT_EQ(FindName(), "tarn-base-8.0.3");

    // On a data-processing-unit host only its own base image counts.
    root.WriteFile("/etc/.tarnio", "");
    EXPECT_TRUE(Originator::IsDpuHost());
    EXPECT_EQ(FindName(), "error: Unable to find tarn-base schema");
    root.WriteFile(kSchemas + "tarnio-base-8.0.3-24.1.0.json", "{}");
    EXPECT_EQ(FindName(), "tarnio-base-8.0.3");
}

TEST(OriginatorTest, DefaultIsRetriedUntilFoundAndThenKept)
{
    RootWithoutSchemas root;
    EXPECT_THROW(Originator::Default(), std::runtime_error);
    EXPECT_THROW(Originator::Default(), std::runtime_error);

    root.WriteFile(kSchemas + "tarn-base-8.0.3-24.1.0.json", "{}");
    EXPECT_EQ(Originator::Default(), "quarn[tarn-base-8.0.3]");

    std::filesystem::remove(HostRoot::Path(kSchemas + "tarn-base-8.0.3-24.1.0.json"));
    root.WriteFile(kSchemas + "tarn-base-9.0.0-25.0.0.json", "{}");
    EXPECT_EQ(Originator::Default(), "quarn[tarn-base-8.0.3]");
}

}  // namespace
