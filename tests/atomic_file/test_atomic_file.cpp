#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "atomic_file/atomic_file.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr uid_t kNobody = 65534;

class Folder : public testing::Test {
  protected:
    std::string Path(const std::string& name) const { return dir_.File(name); }
    std::string Put(const std::string& name, const std::string& bytes) const {
        return dir_.Put(name, bytes);
    }
    static std::string Get(const std::string& path) { return zv::test::TempDir::Get(path); }
    std::vector<std::string> Entries() const { return dir_.Entries(); }
    static void Replace(const std::string& path, const std::string& bytes) {
        zv::AtomicFile file(path);
        file.Write(bytes);
        file.Commit();
    }

    zv::test::TempDir dir_;
};

// A POSIX ACL as the kernel stores it: version 2, then (tag, permissions, id) entries.
std::string Acl(
    std::initializer_list<std::tuple<std::uint16_t, std::uint16_t, std::uint32_t>> entries) {
    std::string bytes("\x02\x00\x00\x00", 4);
    for (const auto& [tag, permissions, id] : entries) {
        for (const std::uint32_t part : {std::uint32_t(tag), std::uint32_t(permissions)}) {
            bytes += static_cast<char>(part & 0xFF);
            bytes += static_cast<char>(part >> 8);
        }
        for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(id >> shift);
    }
    return bytes;
}

constexpr std::uint32_t kNoId = 0xFFFFFFFF;
// rw- for the owner, r-- for nobody and through the mask, nothing for the group and others.
const std::string kPrivateAcl = Acl(
    {{0x01, 6, kNoId}, {0x02, 4, kNobody}, {0x04, 0, kNoId}, {0x10, 4, kNoId}, {0x20, 0, kNoId}});

std::optional<std::string> Attribute(const std::string& path, const char* name) {
    char value[256];
    const ssize_t n = getxattr(path.c_str(), name, value, sizeof value);
    if (n < 0) return std::nullopt;
    return std::string(value, static_cast<std::size_t>(n));
}

// The replaced file keeps who may read it and change it; "cannot keep" rows need another user.
struct AccessRow {
    const char* name;
    mode_t mode;
    bool give_to_nobody;  // owner and group 65534 (needs root)
    const char* attribute;
    std::string value;
};

void PrintTo(const AccessRow& row, std::ostream* os) { *os << row.name; }

class KeepsAccess : public Folder, public testing::WithParamInterface<AccessRow> {};

TEST_P(KeepsAccess, OfTheReplacedFile) {
    const AccessRow& row = GetParam();
    if (row.give_to_nobody && geteuid() != 0) GTEST_SKIP() << "needs root to give a file away";
    const std::string path = Put("letter.html", "old");
    ASSERT_EQ(chmod(path.c_str(), row.mode), 0);
    ASSERT_EQ(row.give_to_nobody ? chown(path.c_str(), kNobody, kNobody) : 0, 0);
    if (row.attribute &&
        setxattr(path.c_str(), row.attribute, row.value.data(), row.value.size(), 0) != 0) {
        GTEST_SKIP() << row.attribute << " not kept by this file system: " << strerror(errno);
    }
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);

    Replace(path, "new");

    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);  // a new file, not the old one rewritten
    EXPECT_EQ(Get(path), "new");
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    if (row.attribute) {
        EXPECT_EQ(Attribute(path, row.attribute), row.value);
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{"letter.html"});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KeepsAccess,
    testing::Values(AccessRow{"private_mode", 0600, false, nullptr, ""},
                    AccessRow{"other_owner_setgid", 02750, true, nullptr, ""},
                    AccessRow{"acl", 0640, false, "system.posix_acl_access", kPrivateAcl},
                    AccessRow{"user_attribute", 0644, false, "user.zv.origin", "mail"}),
    [](const testing::TestParamInfo<AccessRow>& row) { return std::string(row.param.name); });

// A file without an ACL, in a folder whose default ACL gives every new file one, is replaced by
// one without an ACL too: it would give other permissions than the old file's.
TEST_F(Folder, NoAclWhereTheOldFileHadNone) {
    const std::string acl = Acl({{0x01, 6, kNoId},
                                 {0x02, 6, kNobody},
                                 {0x04, 4, kNoId},
                                 {0x10, 6, kNoId},
                                 {0x20, 0, kNoId}});
    if (setxattr(dir_.Path().c_str(), "system.posix_acl_default", acl.data(), acl.size(), 0) != 0) {
        GTEST_SKIP() << "no default ACL on this file system: " << strerror(errno);
    }
    const std::string path = Put("letter.html", "old");
    ASSERT_EQ(removexattr(path.c_str(), "system.posix_acl_access"), 0);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    Replace(path, "new");
    EXPECT_EQ(Attribute(path, "system.posix_acl_access"), std::nullopt);
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

// While it is written the new file has no name, so that nothing is left behind when the
// program is ended meanwhile (where the file system has O_TMPFILE, as here); a name as long as
// the file system allows is replaced as well, beside a short hidden name.
TEST_F(Folder, NewFileHasNoNameWhileWritten) {
    for (const std::string& name : {std::string("out.html"), std::string(255, 'n')}) {
        const std::string path = Put(name, "old");
        zv::AtomicFile file(path);
        file.Write("new");
        EXPECT_EQ(Entries(), std::vector<std::string>{name});
        file.Commit();
        EXPECT_EQ(Get(path), "new");
        EXPECT_EQ(Entries(), std::vector<std::string>{name});
        ASSERT_EQ(unlink(path.c_str()), 0);
    }
}

// A new file gets the permissions of any new file in its folder: 0666 less the user's file
// creation mask, or where the folder has a default ACL, what that gives (the mask ignored).
struct NewFileRow {
    const char* name;
    mode_t umask;
    std::string default_acl;
    mode_t mode;
};

void PrintTo(const NewFileRow& row, std::ostream* os) { *os << row.name; }

class NewFile : public Folder, public testing::WithParamInterface<NewFileRow> {};

TEST_P(NewFile, GetsThePermissionsOfAnyNewFile) {
    const NewFileRow& row = GetParam();
    const std::string& acl = row.default_acl;
    if (!acl.empty() &&
        setxattr(dir_.Path().c_str(), "system.posix_acl_default", acl.data(), acl.size(), 0) != 0) {
        GTEST_SKIP() << "no default ACL on this file system: " << strerror(errno);
    }
    const mode_t mask = umask(row.umask);
    Replace(Path("new.html"), "new");
    umask(mask);
    struct stat status {};
    ASSERT_EQ(stat(Path("new.html").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, row.mode);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NewFile,
    testing::Values(NewFileRow{"umask_022", 022, "", 0644}, NewFileRow{"umask_077", 077, "", 0600},
                    // rw- for the owner, nobody and through the mask, r-- for the group.
                    NewFileRow{"default_acl", 077,
                               Acl({{0x01, 6, kNoId},
                                    {0x02, 6, kNobody},
                                    {0x04, 4, kNoId},
                                    {0x10, 6, kNoId},
                                    {0x20, 0, kNoId}}),
                               0660}),
    [](const testing::TestParamInfo<NewFileRow>& row) { return std::string(row.param.name); });

// A user who may write the folder but not give a file away: the write is refused with the
// reason, and the old file stays as it was, with nothing left beside it.
TEST_F(Folder, OwnerThatCannotBeKeptKeepsTheOldFile) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    ASSERT_EQ(chmod(dir_.Path().c_str(), 0777), 0);
    const std::string path = Put("shared.html", "old");  // root's file, which all may write
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(report[0]);
        std::string what = "no error";
        if (setgid(kNobody) == 0 && setuid(kNobody) == 0) {
            try {
                Replace(path, "new");
            } catch (const zv::AtomicFileError& error) {
                what = error.what();
            }
        } else {
            what = "cannot become nobody";
        }
        [[maybe_unused]] const ssize_t n = write(report[1], what.data(), what.size());
        _exit(0);
    }
    close(report[1]);
    std::string what;
    char buffer[512];
    for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;) what.append(buffer, n);
    close(report[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(what, "cannot keep its owner and group (0:0): Operation not permitted");
    EXPECT_EQ(Get(path), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"shared.html"});
}

// Where a write may go when the place holds a FIFO or device, in a folder where everyone may
// create files (like /tmp). "Another user" is a real other owner (nobody), so the rows mean the
// same when the tests run as root.
struct PlaceRow {
    const char* name;
    bool link;            // the name is a symbolic link to the FIFO
    bool foreign_link;    // that link belongs to another user
    bool foreign_target;  // the FIFO belongs to another user
    const char* refusal;  // nothing: the FIFO is the target
};

void PrintTo(const PlaceRow& row, std::ostream* os) { *os << row.name; }

class SpecialTarget : public Folder, public testing::WithParamInterface<PlaceRow> {};

TEST_P(SpecialTarget, FollowsThePolicyBeforeAnythingIsOpened) {
    const PlaceRow& row = GetParam();
    ASSERT_EQ(chmod(dir_.Path().c_str(), 01777), 0);
    const std::string fifo = Path("their.fifo"), name = Path("report.html");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    ASSERT_EQ(row.foreign_target ? chown(fifo.c_str(), kNobody, kNobody) : 0, 0);
    if (row.link) {
        ASSERT_EQ(symlink(fifo.c_str(), name.c_str()), 0);
        ASSERT_EQ(row.foreign_link ? lchown(name.c_str(), kNobody, kNobody) : 0, 0);
    }
    const std::string asked = row.link ? name : fifo;
    // A reader that does not wait: a write end opened anywhere would be seen here.
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    std::string what;
    try {
        const zv::WriteTarget target = zv::FindWriteTarget(asked);
        EXPECT_TRUE(target.IsSpecial());
        EXPECT_EQ(target.path, fifo);
        const int fd = zv::OpenInPlace(target);
        EXPECT_EQ(write(fd, "x", 1), 1);
        close(fd);
    } catch (const zv::AtomicFileError& error) {
        what = error.what();
    }
    char got = 0;
    const ssize_t n = read(reader, &got, 1);
    close(reader);
    if (row.refusal) {
        EXPECT_EQ(what, row.refusal);
        EXPECT_LE(n, 0) << "the FIFO received data";
    } else {
        EXPECT_EQ(what, "");
        EXPECT_EQ(n, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SpecialTarget,
    testing::Values(
        PlaceRow{"own_fifo", false, false, false, nullptr},
        PlaceRow{"own_link_to_own_fifo", true, false, false, nullptr},
        PlaceRow{"foreign_link_to_own_fifo", true, true, false,
                 "a symbolic link that belongs to another user"},
        PlaceRow{"foreign_link_to_foreign_fifo", true, true, true,
                 "a symbolic link that belongs to another user"},
        PlaceRow{"own_link_to_foreign_fifo", true, false, true,
                 "a symbolic link to a file that belongs to another user"},
        PlaceRow{"foreign_fifo", false, false, true,
                 "a FIFO or device that belongs to another user, in a folder others may write "
                 "to"}),
    [](const testing::TestParamInfo<PlaceRow>& row) { return std::string(row.param.name); });

constexpr char kPlantedSpecial[] =
    "a FIFO or device that belongs to another user, in a folder others may write to";
constexpr char kPlantedFile[] =
    "a file that belongs to another user, in a folder others may write to";

// What another user put in a folder that its group or everyone may write to, sticky or not, is
// neither written nor replaced (a replacement would keep their owner and permissions); the
// folder owner's is.
struct PlantedRow {
    const char* name;
    mode_t folder_mode;
    bool fifo;              // a FIFO, else a regular file
    bool folder_is_theirs;  // the folder belongs to the same other user
    const char* refusal;    // nothing: written
};

void PrintTo(const PlantedRow& row, std::ostream* os) { *os << row.name; }

class Planted : public Folder, public testing::WithParamInterface<PlantedRow> {};

TEST_P(Planted, IsRefusedWhereOthersMayWrite) {
    const PlantedRow& row = GetParam();
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make another user's files";
    const std::string path = Path("out.html");
    if (row.fifo) {
        ASSERT_EQ(mkfifo(path.c_str(), 0666), 0);
    } else {
        Put("out.html", "theirs");
    }
    ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(row.folder_is_theirs ? chown(dir_.Path().c_str(), kNobody, kNobody) : 0, 0);
    ASSERT_EQ(chmod(dir_.Path().c_str(), row.folder_mode), 0);
    const int reader = row.fifo ? open(path.c_str(), O_RDONLY | O_NONBLOCK) : -1;
    std::string what;
    try {
        if (row.fifo) {
            const int fd = zv::OpenInPlace(zv::FindWriteTarget(path));
            EXPECT_EQ(write(fd, "x", 1), 1);
            close(fd);
        } else {
            Replace(path, "new");
        }
    } catch (const zv::AtomicFileError& error) {
        what = error.what();
    }
    char got = 0;
    const ssize_t n = row.fifo ? read(reader, &got, 1) : 0;
    if (reader >= 0) close(reader);
    EXPECT_EQ(what, row.refusal ? row.refusal : "");
    if (row.refusal) {
        EXPECT_LE(n, 0) << "the FIFO received data";
        if (!row.fifo) {
            EXPECT_EQ(Get(path), "theirs");
        }
    } else if (!row.fifo) {
        EXPECT_EQ(Get(path), "new");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Planted,
    testing::Values(PlantedRow{"fifo_world_writable", 0777, true, false, kPlantedSpecial},
                    PlantedRow{"fifo_group_writable", 0770, true, false, kPlantedSpecial},
                    PlantedRow{"file_sticky", 01777, false, false, kPlantedFile},
                    PlantedRow{"file_group_writable", 0775, false, false, kPlantedFile},
                    PlantedRow{"file_of_the_folder_owner", 01777, false, true, nullptr}),
    [](const testing::TestParamInfo<PlantedRow>& row) { return std::string(row.param.name); });

// The new file's owner and permissions are those of the file found when the write began (or
// those of any new file, when there was none), not of one put in its place while it was
// written: in a sticky folder as root, the replacement would otherwise be theirs.
class PutInItsPlace : public Folder, public testing::WithParamInterface<bool> {};

TEST_P(PutInItsPlace, GivesNothingToTheNewFile) {
    const bool existed = GetParam();
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make another user's files";
    ASSERT_EQ(chmod(dir_.Path().c_str(), 01777), 0);
    const std::string path = Path("out.html");
    if (existed) {
        Put("out.html", "mine");
        ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    }
    const mode_t mask = umask(022);
    std::optional<zv::AtomicFile> file(std::in_place, path);
    umask(mask);
    const std::string theirs = Put("theirs", "theirs");
    ASSERT_EQ(chown(theirs.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chmod(theirs.c_str(), 0666), 0);
    ASSERT_EQ(rename(theirs.c_str(), path.c_str()), 0);
    file->Write("new");
    file->Commit();
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, geteuid());
    EXPECT_EQ(status.st_mode & 07777, existed ? 0600u : 0644u);
    EXPECT_EQ(Get(path), "new");
}

INSTANTIATE_TEST_SUITE_P(Rows, PutInItsPlace, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& row) {
                             return std::string(row.param ? "own_file_swapped" : "planted_after");
                         });

// A device of the system's own, in its own folder, is written in place.
TEST(SystemDevice, IsWrittenInPlace) {
    const zv::WriteTarget target = zv::FindWriteTarget("/dev/null");
    ASSERT_TRUE(target.IsSpecial());
    const int fd = zv::OpenInPlace(target);
    EXPECT_EQ(write(fd, "x", 1), 1);
    close(fd);
}

}  // namespace
