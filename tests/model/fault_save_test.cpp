// Saving when the system gets in the way, as a user meets it: a read-only
// folder or file system, a full disk, and a file or folder that another
// process removes while the save is under way. Each time the old file stays
// as it was, no temporary is left behind, the error reaches the caller (or
// the command line) and the chart stays marked as modified.

#include "model/CArchive.h"
#include "model/CTavrinDoc.h"
#include "model/FileIO.h"
#include "model/Outline.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace testing_support;

namespace {

// Runs once, just before the next fsync of the program: the save has its
// temporary written and has not renamed it yet.
std::function<void()> g_beforeNextSync;

} // namespace

// The saving code flushes its temporary with fsync before the rename; this
// definition takes the place of the C library's in this test program so
// that a test can act in that window.
extern "C" int fsync(int fd)
{
    if (g_beforeNextSync) {
        auto hook = std::move(g_beforeNextSync);
        g_beforeNextSync = nullptr;
        hook();
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace {

constexpr const char* kOldBytes = "old chart bytes";

// A folder of its own below /tmp (a mount point must not lie in a tree
// that others remove), undone whatever the test did to it.
class ScratchDir {
public:
    ScratchDir()
    {
        char name[] = "/tmp/tavrin-fault-XXXXXX";
        if (::mkdtemp(name) != nullptr)
            m_path = name;
    }
    ~ScratchDir()
    {
        if (m_path.empty())
            return;
        if (m_mounted)
            ::umount2(m_path.c_str(), MNT_DETACH);
        ::chmod(m_path.c_str(), 0700);
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

    // A small tmpfs over the folder; false where mounting is not allowed.
    bool MountTmpfs(const char* size)
    {
        const std::string options = std::string("size=") + size;
        m_mounted = ::mount("tmpfs", m_path.c_str(), "tmpfs", 0, options.c_str()) == 0;
        return m_mounted;
    }
    bool RemountReadOnly()
    {
        return ::mount("tmpfs", m_path.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string m_path;
    bool m_mounted { false };
};

// An outline of `boxes` simple boxes with long texts: about 110 bytes each
// in the file.
std::string LargeOutline(int boxes)
{
    std::string outline;
    for (int i = 0; i < boxes; ++i)
        outline += "simple: total = total + " + std::to_string(i) + " * factor_with_a_long_name_" + std::string(64, 'x')
            + "\n";
    return outline;
}

void BuildLargeChart(CTavrinDoc& doc, int boxes)
{
    BuildOutline(LargeOutline(boxes), doc.m_root);
    doc.SetModifiedFlag();
}

// What a save did in a child process (whose limits or user the test
// changed): the error's reason, or "saved" / "other failure".
std::string SaveInChild(CTavrinDoc& doc, const std::string& path, const std::function<bool()>& prepare)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string result;
        if (!prepare()) {
            result = "could not prepare";
        } else {
            try {
                doc.Save(path);
                result = "saved";
            } catch (const CFileError& e) {
                result = e.Reason();
            } catch (...) {
                result = "other failure";
            }
        }
        (void)!::write(fds[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string result;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status))
        return "child died";
    return result;
}

// Runs tavrin-cli build with the file size limit set (and SIGXFSZ ignored,
// so that a write fails with EFBIG instead of killing the program).
ProcessResult RunCliWithFileSizeLimit(const std::vector<std::string>& args, rlim_t limit)
{
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = limit;
    auto* oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    // The limit and the ignored signal are inherited by the child; this
    // process only starts it and collects its output through pipes.
    ::setrlimit(RLIMIT_FSIZE, &small);
    ProcessResult result = RunCli(args);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);
    return result;
}

} // namespace

TEST(FaultSave, ReadOnlyFileSystem)
{
    ScratchDir dir;
    ASSERT_FALSE(dir.Path().empty());
    if (!dir.MountTmpfs("64k"))
        GTEST_SKIP() << "mounting a tmpfs is not allowed here (needs root and CAP_SYS_ADMIN)";
    const std::string path = dir.File("chart.pad");
    WriteFileBytes(path, kOldBytes);
    ASSERT_TRUE(dir.RemountReadOnly());

    CTavrinDoc doc;
    BuildLargeChart(doc, 3);
    try {
        doc.Save(path);
        ADD_FAILURE() << "a save onto a read-only file system succeeded";
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), path);
        EXPECT_EQ(e.Reason(), "Read-only file system");
    }
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(ReadFileBytes(path), kOldBytes);
    EXPECT_EQ(dir.Entries(), std::vector<std::string> { "chart.pad" });

    // The command line reports it with the path and fails.
    const std::string outline = TempDir("fault-readonly-cli") + "/chart.outline";
    WriteFileBytes(outline, LargeOutline(3));
    const ProcessResult cli = RunCli({ "build", outline, "-o", path });
    EXPECT_EQ(cli.status, 1);
    EXPECT_EQ(cli.err, "tavrin-cli: " + path + ": Read-only file system\n");
    EXPECT_EQ(ReadFileBytes(path), kOldBytes);
}

TEST(FaultSave, ReadOnlyFolder)
{
    ScratchDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string path = dir.File("chart.pad");
    WriteFileBytes(path, kOldBytes);
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);

    CTavrinDoc doc;
    BuildLargeChart(doc, 3);
    // Permissions do not stop root: the save runs as an ordinary user then.
    const std::string reason = SaveInChild(doc, path, [] {
        if (::geteuid() != 0)
            return true;
        return ::setgid(65534) == 0 && ::setuid(65534) == 0;
    });
    EXPECT_EQ(reason, "Permission denied");
    EXPECT_EQ(ReadFileBytes(path), kOldBytes);
    EXPECT_EQ(dir.Entries(), std::vector<std::string> { "chart.pad" });
}

TEST(FaultSave, FullDisk)
{
    ScratchDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const bool tmpfs = dir.MountTmpfs("64k");
    const std::string path = dir.File("chart.pad");
    WriteFileBytes(path, kOldBytes);

    CTavrinDoc doc;
    BuildLargeChart(doc, 1500); // about 165 kB: more than the disk holds
    const std::string expected = tmpfs ? "No space left on device" : "File too large";
    const std::string reason = tmpfs ? SaveInChild(doc, path, [] { return true; })
                                     : SaveInChild(doc, path, [] {
                                           // No tmpfs here: a file size limit fails the write the same way.
                                           ::signal(SIGXFSZ, SIG_IGN);
                                           struct rlimit limit { 64 * 1024, RLIM_INFINITY };
                                           return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
                                       });
    EXPECT_EQ(reason, expected);
    EXPECT_EQ(ReadFileBytes(path), kOldBytes);
    EXPECT_EQ(dir.Entries(), std::vector<std::string> { "chart.pad" });

    // The space of the failed temporary is given back: a small chart fits.
    CTavrinDoc small;
    BuildLargeChart(small, 2);
    small.Save(path);
    EXPECT_EQ(ReadFileBytes(path), small.SaveToBytes());
    EXPECT_FALSE(small.IsModified());
    WriteFileBytes(path, kOldBytes);

    // The same through tavrin-cli build.
    const std::string outline = TempDir("fault-full-cli") + "/chart.outline";
    WriteFileBytes(outline, LargeOutline(1500));
    const ProcessResult cli = tmpfs ? RunCli({ "build", outline, "-o", path })
                                    : RunCliWithFileSizeLimit({ "build", outline, "-o", path }, 64 * 1024);
    EXPECT_EQ(cli.status, 1);
    EXPECT_EQ(cli.err, "tavrin-cli: " + path + ": " + expected + "\n");
    EXPECT_EQ(ReadFileBytes(path), kOldBytes);
    EXPECT_EQ(dir.Entries(), std::vector<std::string> { "chart.pad" });
}

// Another process removes the file, its folder, or puts a folder in the
// file's place, after the save has written its temporary and before it
// renames it.
struct MeanwhileCase {
    const char* name;
    void (*act)(const std::string& dir, const std::string& path);
    bool saved;           // the save completes (and the new chart is on disk)
    const char* reason;   // otherwise the error's reason
};

void RunInOtherProcess(const std::function<void()>& action)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        action();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
}

const MeanwhileCase kMeanwhileCases[] = {
    { "file deleted",
        [](const std::string&, const std::string& path) {
            RunInOtherProcess([&] { ::unlink(path.c_str()); });
        },
        true, "" },
    { "folder deleted",
        [](const std::string& dir, const std::string&) {
            RunInOtherProcess([&] {
                std::error_code ignored;
                std::filesystem::remove_all(dir, ignored);
            });
        },
        false, "No such file or directory" },
    { "file replaced by a folder",
        [](const std::string&, const std::string& path) {
            RunInOtherProcess([&] {
                ::unlink(path.c_str());
                ::mkdir(path.c_str(), 0755);
            });
        },
        false, "Is a directory" },
};

TEST(FaultSave, TargetRemovedMeanwhile)
{
    for (const MeanwhileCase& c : kMeanwhileCases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        ASSERT_FALSE(scratch.Path().empty());
        // The chart's folder inside the scratch folder, so that it can go.
        const std::string dir = scratch.File("charts");
        ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
        const std::string path = dir + "/chart.pad";
        WriteFileBytes(path, kOldBytes);

        CTavrinDoc doc;
        BuildLargeChart(doc, 3);
        g_beforeNextSync = [&] { c.act(dir, path); };
        std::string reason = "saved";
        try {
            doc.Save(path);
        } catch (const CFileError& e) {
            reason = e.Reason();
        }
        EXPECT_FALSE(g_beforeNextSync) << "the save never flushed its temporary";
        g_beforeNextSync = nullptr;

        if (c.saved) {
            EXPECT_EQ(reason, "saved");
            EXPECT_FALSE(doc.IsModified());
            EXPECT_EQ(ReadFileBytes(path), doc.SaveToBytes());
        } else {
            EXPECT_EQ(reason, c.reason);
            EXPECT_TRUE(doc.IsModified());
        }
        // Whatever happened, no temporary is left beside the chart.
        if (std::filesystem::exists(dir)) {
            for (const auto& entry : std::filesystem::directory_iterator(dir))
                EXPECT_EQ(entry.path().filename(), "chart.pad");
        }
    }
}

// A device or a pipe named as the output is written into, never replaced:
// as root a rename over /dev/full would have swapped the device for a file.
TEST(FaultSave, DevicesAndPipesAreWrittenIntoNotReplaced)
{
    struct stat before {};
    ASSERT_EQ(::stat("/dev/full", &before), 0);
    EXPECT_THROW(WriteFileAtomically("/dev/full", "x"), CFileError);
    struct stat after {};
    ASSERT_EQ(::stat("/dev/full", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_ino, before.st_ino);

    const std::filesystem::path dir = std::filesystem::temp_directory_path()
        / ("tavrin-fifo-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string fifo = (dir / "out").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const pid_t reader = ::fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        // The child reads what arrives and exits 0 only for the exact bytes.
        std::string got;
        char buffer[64];
        const int fd = ::open(fifo.c_str(), O_RDONLY);
        for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            got.append(buffer, static_cast<std::size_t>(n));
        ::_exit(got == "chart bytes" ? 0 : 1);
    }
    WriteFileAtomically(fifo, "chart bytes");
    int status = 0;
    ASSERT_EQ(::waitpid(reader, &status, 0), reader);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    struct stat st {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 1u); // no temporary left beside the pipe
    std::filesystem::remove_all(dir);
}
