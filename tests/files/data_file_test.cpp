// Reading and writing data files: only regular files, never blocking, and writes that keep
// a file whole, its owner and permissions, and leave nothing behind.
#include "data_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "csv_reader.h"
#include "test_files.h"

namespace hopscale {
namespace {

using namespace testing_files;

TEST(read_test, only_regular_files_are_read_and_a_fifo_never_blocks) {
    ScratchDir dir;
    makeFifo(dir / "fifo");
    std::filesystem::create_directory(dir / "sub");
    for (const char* name : {"fifo", "sub"}) {
        std::optional<Result<std::string>> prefix, whole;
        ASSERT_TRUE(returnsPromptly(name, [&] {
            prefix = readFilePrefix(dir / name, 100);
            whole = readWholeFile(dir / name, 100);
        }));
        for (const auto* read : {&*prefix, &*whole}) {
            ASSERT_FALSE(read->ok()) << name;
            const std::string message = read->error->message();
            EXPECT_NE(message.find(name), std::string::npos) << message;
            EXPECT_NE(
                message.find(std::string(name) == "fifo" ? "not a regular file" : "is a directory"),
                std::string::npos)
                << message;
        }
    }
    // A character device is no data file either.
    auto device = readFilePrefix("/dev/null", 10);
    ASSERT_FALSE(device.ok());
    EXPECT_NE(device.error->message().find("not a regular file"), std::string::npos);
}

TEST(read_test, prefixes_whole_files_and_the_size_limit) {
    ScratchDir dir;
    writeBytes(dir / "f", "0123456789");
    EXPECT_EQ(*readFilePrefix(dir / "f", 4), "0123");
    EXPECT_EQ(*readWholeFile(dir / "f", 10), "0123456789");
    auto tooBig = readWholeFile(dir / "f", 9);
    ASSERT_FALSE(tooBig.ok());
    EXPECT_NE(tooBig.error->message().find("larger than 9 bytes"), std::string::npos);
    auto missing = readFilePrefix(dir / "none", 4);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error->kind, ErrorKind::FileNotFound);
}

TEST(read_test, a_file_that_may_not_be_read_says_permission_denied) {
    ScratchDir dir;
    writeBytes(dir / "secret", "x");
    ::chmod((dir / "secret").c_str(), 0600);
    ::chmod(dir.path().c_str(), 0755);
    const auto held = holdsAsNobody([&] {
        auto read = readFilePrefix(dir / "secret", 10);
        return !read.ok() && read.error->message().find("Permission denied") != std::string::npos &&
               read.error->message().find("secret") != std::string::npos;
    });
    if (!held) GTEST_SKIP() << "cannot run as another user here";
    EXPECT_TRUE(*held);
}

TEST(links_test, chains_relative_and_dangling_links_lead_to_their_target_and_loops_fail) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "real");
    writeBytes(dir / "real" / "f", "x");
    std::filesystem::create_symlink("real/f", dir / "one");
    std::filesystem::create_symlink(dir / "one", dir / "two");
    std::filesystem::create_symlink("real/nothing", dir / "dangling");
    std::filesystem::create_symlink("loop", dir / "loop");
    EXPECT_EQ(*followLinks(dir / "two"), dir / "real" / "f");
    EXPECT_EQ(*followLinks(dir / "dangling"), dir / "real" / "nothing");
    EXPECT_EQ(*followLinks(dir / "real" / "f"), dir / "real" / "f");
    EXPECT_EQ(*followLinks(dir / "absent"), dir / "absent");
    EXPECT_FALSE(followLinks(dir / "loop").ok());
}

TEST(write_test, a_new_file_gets_0644_less_the_umask) {
    ScratchDir dir;
    // Expected modes worked out from the octal digits: 0644 & ~022 = 0644, 0644 & ~027 = 0640,
    // 0644 & ~077 = 0600, 0644 & ~0 = 0644 (never 0666, never the temporary file's own 0600).
    const std::pair<mode_t, mode_t> rows[] = {{022, 0644}, {027, 0640}, {077, 0600}, {0, 0644}};
    int i = 0;
    for (const auto& [mask, mode] : rows) {
        const auto file = dir / ("new" + std::to_string(i++));
        {
            UmaskScope scope(mask);
            ASSERT_FALSE(writeFileAtomically(file, "abc").has_value());
        }
        EXPECT_EQ(permissionsOf(file), mode) << std::oct << mask;
        EXPECT_EQ(readBytes(file), "abc");
    }
}

TEST(write_test, an_existing_file_keeps_its_owner_and_permissions) {
    ScratchDir dir;
    const auto file = dir / "kept";
    writeBytes(file, "old");
    ::chmod(file.c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(file.c_str(), 1234, 5678), 0);
    }
    {
        UmaskScope scope(077);
        ASSERT_FALSE(writeFileAtomically(file, "new").has_value());
    }
    EXPECT_EQ(readBytes(file), "new");
    EXPECT_EQ(permissionsOf(file), 0640u);
    if (root) {
        struct stat st {};
        ::stat(file.c_str(), &st);
        EXPECT_EQ(st.st_uid, 1234u);
        EXPECT_EQ(st.st_gid, 5678u);
    }
}

TEST(write_test, a_read_only_file_is_not_replaced) {
    ScratchDir dir;
    const auto file = dir / "ro";
    writeBytes(file, "old");
    ::chmod(file.c_str(), 0444);
    auto error = writeFileAtomically(file, "new");
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->message().find("read-only"), std::string::npos) << error->message();
    EXPECT_NE(error->message().find("ro"), std::string::npos);
    EXPECT_EQ(readBytes(file), "old");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"ro"});

    // One the process truly cannot open for writing (whatever its privileges) likewise.
    writeBytes(dir / "locked", "old");
    UnwritableFile locked(dir / "locked");
    if (locked.ok()) {
        ASSERT_TRUE(writeFileAtomically(dir / "locked", "new").has_value());
        EXPECT_EQ(readBytes(dir / "locked"), "old");
    }
}

TEST(write_test, what_is_not_a_regular_file_is_refused_without_blocking) {
    ScratchDir dir;
    makeFifo(dir / "fifo");
    std::filesystem::create_directory(dir / "sub");
    for (const char* name : {"fifo", "sub"}) {
        std::optional<Error> error;
        ASSERT_TRUE(returnsPromptly(name, [&] { error = writeFileAtomically(dir / name, "x"); }));
        ASSERT_TRUE(error.has_value()) << name;
    }
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"fifo", "sub"}));
}

TEST(write_test, a_symbolic_link_is_written_through_to_its_target_in_the_targets_directory) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "elsewhere");
    std::filesystem::create_directory(dir / "here");
    writeBytes(dir / "elsewhere" / "target", "old");
    ::chmod((dir / "elsewhere" / "target").c_str(), 0604);
    std::filesystem::create_symlink("../elsewhere/target", dir / "here" / "link");
    ASSERT_FALSE(writeFileAtomically(dir / "here" / "link", "new").has_value());
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "here" / "link"));
    EXPECT_EQ(readBytes(dir / "elsewhere" / "target"), "new");
    EXPECT_EQ(permissionsOf(dir / "elsewhere" / "target"), 0604u);
    EXPECT_EQ(namesIn(dir / "here"), std::vector<std::string>{"link"});
    EXPECT_EQ(namesIn(dir / "elsewhere"), std::vector<std::string>{"target"});

    // A dangling link: the file it names is created.
    std::filesystem::create_symlink("../elsewhere/fresh", dir / "here" / "fresh");
    ASSERT_FALSE(writeFileAtomically(dir / "here" / "fresh", "abc").has_value());
    EXPECT_EQ(readBytes(dir / "elsewhere" / "fresh"), "abc");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "here" / "fresh"));
}

TEST(write_test, the_temporary_file_lies_in_the_files_own_directory) {
    // A temporary directory that cannot be used, and (where there is one) a data directory on
    // another file system than the usual temporary one, so that a rename from elsewhere fails.
    ScratchDir dir;
    writeBytes(dir / "not-a-dir", "");
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", (dir / "not-a-dir").c_str(), 1);
    std::vector<std::filesystem::path> places = {dir.path()};
    if (std::filesystem::is_directory("/dev/shm")) {
        std::string pattern = "/dev/shm/hopscale-test-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) places.emplace_back(pattern);
    }
    for (const auto& place : places) {
        EXPECT_FALSE(writeFileAtomically(place / "f", "one").has_value()) << place;
        EXPECT_FALSE(writeFileAtomically(place / "f", "two").has_value()) << place;
        EXPECT_EQ(readBytes(place / "f"), "two");
    }
    if (places.size() > 1) std::filesystem::remove_all(places.back());
    if (old) {
        ::setenv("TMPDIR", saved.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
}

TEST(write_test, a_failed_write_leaves_the_old_file_and_no_temporary_file) {
    ScratchDir dir;
    writeBytes(dir / "f", "old");
    // Files may grow to 10 bytes only: writing 100 fails part way with EFBIG.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 10;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    auto error = writeFileAtomically(dir / "f", std::string(100, 'x'));
    auto staged = StagedFile::stage(dir / "f", std::string(100, 'y'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->message().find("write failed"), std::string::npos) << error->message();
    EXPECT_FALSE(staged.ok());
    EXPECT_EQ(readBytes(dir / "f"), "old");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"f"});
}

TEST(write_test, temporary_files_left_by_a_killed_write_are_removed) {
    ScratchDir dir;
    writeBytes(dir / "PATHCFG.DAT", "old");
    // A process number beyond any the system hands out is a process that no longer runs.
    const std::string dead = ".PATHCFG.DAT.tmp-99999999-0badf00d";
    const std::string older = ".PATHCFG.DAT.tmp-Ab12Cd";  // without a process number
    const std::string live = ".PATHCFG.DAT.tmp-" + std::to_string(::getppid()) + "-12345678";
    const std::string other = ".listing.dat.tmp-99999999-0badf00d";  // another file's
    // The temporary file of a file named "PATHCFG.DAT.tmp-x": it only begins alike.
    const std::string alike = ".PATHCFG.DAT.tmp-x.tmp-99999999-0badf00d";
    for (const std::string& name : {dead, older, live, other, alike})
        writeBytes(dir / name, "partial");
    ASSERT_FALSE(writeFileAtomically(dir / "PATHCFG.DAT", "new").has_value());
    std::vector<std::string> expected = {live, other, alike, "PATHCFG.DAT"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn(dir.path()), expected);
}

TEST(write_test, a_file_name_of_the_greatest_length_is_written) {
    // 255 bytes is the longest name ext4 and tmpfs allow; the temporary name must fit too.
    ScratchDir dir;
    const std::string longest(255, 'n');
    const std::string almost = std::string(254, 'n') + "m";
    ASSERT_FALSE(writeFileAtomically(dir / longest, "one").has_value());
    ASSERT_FALSE(writeFileAtomically(dir / almost, "two").has_value());
    ASSERT_FALSE(writeFileAtomically(dir / longest, "three").has_value());
    EXPECT_EQ(readBytes(dir / longest), "three");
    EXPECT_EQ(readBytes(dir / almost), "two");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{almost, longest}));
    EXPECT_LE(temporaryFilePrefix(longest).size() + 19, 255u);
    EXPECT_NE(temporaryFilePrefix(longest), temporaryFilePrefix(almost));
}

TEST(write_test, staged_files_take_effect_only_when_committed) {
    ScratchDir dir;
    writeBytes(dir / "a", "old a");
    {
        auto a = StagedFile::stage(dir / "a", "new a");
        auto b = StagedFile::stage(dir / "b", "new b");
        ASSERT_TRUE(a.ok() && b.ok());
        // Ready but not in place, and dropped without a commit.
        EXPECT_EQ(readBytes(dir / "a"), "old a");
        EXPECT_FALSE(std::filesystem::exists(dir / "b"));
    }
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"a"});
    auto a = StagedFile::stage(dir / "a", "new a");
    ASSERT_TRUE(a.ok());
    StagedFile ready = std::move(*a.value);
    EXPECT_FALSE(ready.commit().has_value());
    EXPECT_EQ(readBytes(dir / "a"), "new a");
    EXPECT_TRUE(ready.commit().has_value());  // nothing left to commit
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"a"});
}

TEST(csv_reader_test, quoted_cells_and_their_ends) {
    // "a",b, "c" d,"e""f"x: the first and the last begin with a quote, so they are quoted;
    // the third begins with a space, so its quotes are plain text.
    CsvReader reader(std::string_view("\"a\",b, \"c\" d,\"e\"\"f\"x\r\n"));
    std::vector<std::string> fields;
    std::size_t count = 0;
    ASSERT_TRUE(reader.next(fields, count));
    ASSERT_EQ(count, 4u);
    EXPECT_TRUE(reader.quoted(0));
    EXPECT_EQ(reader.quotedEnd(0), 1u);
    EXPECT_FALSE(reader.quoted(1));
    EXPECT_FALSE(reader.quoted(2));
    EXPECT_EQ(fields[2], " \"c\" d");
    EXPECT_TRUE(reader.quoted(3));
    EXPECT_EQ(fields[3], "e\"fx");
    EXPECT_EQ(reader.quotedEnd(3), 3u);
    EXPECT_FALSE(reader.next(fields, count));
}

}  // namespace
}  // namespace hopscale
