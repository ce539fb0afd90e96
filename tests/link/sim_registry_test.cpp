#include "link/sim_registry.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

namespace tresvik {
namespace {

namespace fs = std::filesystem;
using Status = sim_registry::Scan::Status;

bool touch(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    return fd >= 0 && ::close(fd) == 0;
}

TEST(SimRegistry, OnlySimFollowedByDigitsNamesAUnit) {
    const struct {
        const char* name;
        long pid;  // 0: not a unit's entry
    } rows[] = {
        {"SIM-1234", 1234}, {"SIM-1", 1},       {"SIM-123x", 0},       {"SIM-+5", 0},
        {"SIM- 5", 0},      {"SIM-0", 0},       {"SIM-", 0},           {"sim-12", 0},
        {"XSIM-12", 0},     {"SIM-12.lock", 0}, {"SIM-9999999999", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(sim_registry::entryPid(row.name).value_or(0), row.pid);
    }
    EXPECT_EQ(sim_registry::entryName(42), "SIM-42");
}

// A registry folder below a fresh temporary folder of the user's.
class SimRegistryScan : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tresvik-registry-test-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        m_root = tmpl;
        m_folder = m_root + "/tresvik/ports";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(m_root + "/tresvik", fs::perms::owner_all, ignored);
        fs::remove_all(m_root, ignored);
    }

    void registerLink(const std::string& name, const std::string& target) {
        ASSERT_EQ(::symlink(target.c_str(), (m_folder + "/" + name).c_str()), 0);
    }

    std::string m_root;
    std::string m_folder;
};

TEST_F(SimRegistryScan, ListsLiveUnitsByProcessIdAndPassesOverWhatIsLeftBehind) {
    EXPECT_EQ(sim_registry::scan(m_folder).status, Status::Missing);
    std::string reason;
    ASSERT_TRUE(sim_registry::ensureFolder(m_folder, reason)) << reason;
    EXPECT_EQ(sim_registry::scan(m_folder).status, Status::Listed);

    const std::string device = m_root + "/device";
    ASSERT_TRUE(touch(device));
    registerLink(sim_registry::entryName(::getpid()), device);
    registerLink(sim_registry::entryName(1), device);
    // A unit whose device has gone, one of a name nobody registers, a process that has ended.
    registerLink(sim_registry::entryName(::getppid()), m_root + "/gone");
    registerLink("SIM-123x", device);
    registerLink(sim_registry::entryName(999999999), device);

    const sim_registry::Scan scan = sim_registry::scan(m_folder);
    ASSERT_EQ(scan.status, Status::Listed);
    ASSERT_EQ(scan.entries.size(), 2u);
    EXPECT_EQ(scan.entries[0].name, "SIM-1");
    EXPECT_EQ(scan.entries[1].name, sim_registry::entryName(::getpid()));
    EXPECT_EQ(scan.entries[1].path, m_folder + "/" + scan.entries[1].name);

    sim_registry::removeStale(m_folder);
    EXPECT_FALSE(fs::is_symlink(m_folder + "/" + sim_registry::entryName(999999999)));
    EXPECT_TRUE(fs::is_symlink(m_folder + "/SIM-123x"));
}

TEST_F(SimRegistryScan, AFolderOthersCanWriteToOrThatIsALinkIsNotTrusted) {
    std::string reason;
    ASSERT_TRUE(sim_registry::ensureFolder(m_folder, reason)) << reason;
    const std::string parent = m_root + "/tresvik";
    const struct {
        const char* what;
        std::string path;
        mode_t mode;
        const char* reason;
    } rows[] = {
        {"folder writable by all", m_folder, 0777, "can be written by other users"},
        {"folder writable by the group", m_folder, 0770, "can be written by other users"},
        {"parent writable by all", parent, 01777, "can be written by other users"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_EQ(::chmod(row.path.c_str(), row.mode), 0);
        const sim_registry::Scan scan = sim_registry::scan(m_folder);
        EXPECT_EQ(scan.status, Status::Untrusted);
        EXPECT_EQ(scan.reason, row.path + " " + row.reason);
        EXPECT_FALSE(sim_registry::ensureFolder(m_folder, reason));
        ASSERT_EQ(::chmod(row.path.c_str(), 0700), 0);
    }

    // Someone else's folder put in its place through a link.
    fs::rename(m_folder, m_root + "/elsewhere");
    fs::create_directory_symlink(m_root + "/elsewhere", m_folder);
    const sim_registry::Scan linked = sim_registry::scan(m_folder);
    EXPECT_EQ(linked.status, Status::Untrusted);
    EXPECT_EQ(linked.reason, m_folder + " is a symbolic link");
}

TEST_F(SimRegistryScan, AFolderOfAnotherUserIsNotTrusted) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a folder to another user";
    }
    std::string reason;
    ASSERT_TRUE(sim_registry::ensureFolder(m_folder, reason)) << reason;
    ASSERT_EQ(::chown(m_folder.c_str(), 65534, 65534), 0);
    const sim_registry::Scan scan = sim_registry::scan(m_folder);
    EXPECT_EQ(scan.status, Status::Untrusted);
    EXPECT_EQ(scan.reason, m_folder + " belongs to another user");
}

TEST_F(SimRegistryScan, AFileInPlaceOfTheFolderIsAnError) {
    std::string reason;
    ASSERT_TRUE(sim_registry::ensureFolder(m_folder, reason)) << reason;
    fs::remove(m_folder);
    ASSERT_TRUE(touch(m_folder));
    const sim_registry::Scan scan = sim_registry::scan(m_folder);
    EXPECT_EQ(scan.status, Status::Failed);
    EXPECT_EQ(scan.error, ENOTDIR);
}

}  // namespace
}  // namespace tresvik
