#include "data_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <map>
#include <optional>

#include "catalogue.h"
#include "test_files.h"

namespace hopscale {
namespace {

using namespace testing_files;

// Sets or clears environment variables for one test and restores them afterwards.
class Environment {
  public:
    void set(const char* name, const char* value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~Environment() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }

  private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(data_dir_test, chooses_option_then_environment_then_user_data_directory) {
    ScratchDir scratch;
    Environment env;
    env.set("HOPSCALE_HOME", (scratch.path() / "home-var").c_str());
    env.set("XDG_DATA_HOME", (scratch.path() / "xdg").c_str());
    env.set("HOME", (scratch.path() / "user").c_str());

    auto chosen = resolveDataDir((scratch.path() / "option").string());
    ASSERT_TRUE(chosen.ok());
    EXPECT_EQ(*chosen, scratch.path() / "option");

    chosen = resolveDataDir(std::nullopt);
    ASSERT_TRUE(chosen.ok());
    EXPECT_EQ(*chosen, scratch.path() / "home-var");

    env.set("HOPSCALE_HOME", "");
    chosen = resolveDataDir(std::nullopt);
    ASSERT_TRUE(chosen.ok());
    EXPECT_EQ(*chosen, scratch.path() / "xdg" / "hopscale");

    env.set("XDG_DATA_HOME", nullptr);
    chosen = resolveDataDir(std::nullopt);
    ASSERT_TRUE(chosen.ok());
    EXPECT_EQ(*chosen, scratch.path() / "user" / ".local" / "share" / "hopscale");

    env.set("HOME", nullptr);
    chosen = resolveDataDir(std::nullopt);
    ASSERT_FALSE(chosen.ok());
    EXPECT_NE(chosen.error->message().find("HOPSCALE_HOME"), std::string::npos);
}

TEST(data_dir_test, a_new_directory_is_created_and_seeded_so_a_first_start_works) {
    ScratchDir scratch;
    auto dir = resolveDataDir((scratch.path() / "a" / "b").string());
    ASSERT_TRUE(dir.ok()) << dir.error->message();
    EXPECT_TRUE(std::filesystem::exists(*dir / kIndexFileName));
    Catalogue catalogue;
    auto offered = offerLineTypes(
        *dir / kIndexFileName, [] { return std::string("10"); }, catalogue);
    ASSERT_TRUE(offered.ok());
    EXPECT_NE(std::find(offered.value->begin(), offered.value->end(), "WR90"),
              offered.value->end());
    // Every shipped file is there, byte for byte.
    for (const ShippedFile& file : shippedCatalogue()) {
        EXPECT_EQ(readBytes(*dir / file.name),
                  std::string(reinterpret_cast<const char*>(file.bytes), file.size))
            << file.name;
    }
}

TEST(data_dir_test, a_directory_holding_any_file_is_not_seeded) {
    ScratchDir scratch;
    writeBytes(scratch / "PATHCFG.DAT", "");
    auto dir = resolveDataDir(scratch.path().string());
    ASSERT_TRUE(dir.ok());
    EXPECT_FALSE(std::filesystem::exists(scratch / kIndexFileName));
    // So the lost index is reported, naming it.
    Catalogue catalogue;
    auto offered = offerLineTypes(
        *dir / kIndexFileName, [] { return std::string("10"); }, catalogue);
    ASSERT_FALSE(offered.ok());
    EXPECT_NE(offered.error->message().find("listing.dat"), std::string::npos);
}

TEST(data_dir_test, a_plain_file_in_the_way_is_an_error) {
    ScratchDir scratch;
    writeBytes(scratch / "file", "x");
    auto dir = resolveDataDir((scratch / "file").string());
    ASSERT_FALSE(dir.ok());
    EXPECT_NE(dir.error->message().find("file"), std::string::npos);
    EXPECT_FALSE(resolveDataDir((scratch / "file" / "sub").string()).ok());
}

TEST(data_dir_test, a_directory_that_may_not_be_used_says_permission_denied) {
    ScratchDir scratch;  // made private to its owner, so another user cannot look inside
    ::chmod(scratch.path().c_str(), 0700);
    writeBytes(scratch / kIndexFileName, indexRecord("A", "1", "2"));
    ::chmod((scratch / kIndexFileName).c_str(), 0600);
    const auto held = holdsAsNobody([&] {
        auto dir = resolveDataDir((scratch.path() / "data").string());
        return !dir.ok() && dir.error->message().find("Permission denied") != std::string::npos;
    });
    if (!held) GTEST_SKIP() << "cannot run as another user here";
    EXPECT_TRUE(*held);
    // The index itself, when the directory may be searched but the file not read.
    ::chmod(scratch.path().c_str(), 0755);
    const auto indexHeld = holdsAsNobody([&] {
        Catalogue catalogue;
        auto offered = offerLineTypes(
            scratch / kIndexFileName, [] { return std::string("1"); }, catalogue);
        return !offered.ok() &&
               offered.error->message().find("Permission denied") != std::string::npos &&
               offered.error->message().find(kIndexFileName) != std::string::npos;
    });
    ASSERT_TRUE(indexHeld.has_value());
    EXPECT_TRUE(*indexHeld);
}

}  // namespace
}  // namespace hopscale
