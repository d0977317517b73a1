#include "model/FileIO.h"

#include "model/CArchive.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

std::string ErrnoText(int error)
{
    return std::generic_category().message(error);
}

// Closes a descriptor when the scope ends, unless it was closed already.
class CFd {
public:
    explicit CFd(int fd)
        : m_fd(fd)
    {
    }
    ~CFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    int Close()
    {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }

private:
    int m_fd;
};

void SplitPath(const std::string& path, std::string& dir, std::string& name)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        dir = ".";
        name = path;
    } else {
        dir = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

std::string TemporaryName(const std::string& dir, const std::string& name)
{
    static std::atomic<unsigned> counter { 0 };
    thread_local std::mt19937 random { std::random_device {}() };
    const std::string prefix = dir == "/" ? "/" : dir + "/";
    return prefix + "." + name + ".tmp-" + std::to_string(::getpid()) + "-"
        + std::to_string(counter.fetch_add(1)) + "-" + std::to_string(random() % 1000000);
}

// The temporary file that WriteFileAtomically has on disk, if any, for the
// signal handler: a fixed buffer and a flag, since a handler may only look.
char s_pendingTemporary[4096];
volatile std::sig_atomic_t s_havePendingTemporary = 0;

void NotePendingTemporary(const std::string& path)
{
    if (path.size() >= sizeof s_pendingTemporary)
        return; // too long to note; such a path is not created in practice
    std::memcpy(s_pendingTemporary, path.c_str(), path.size() + 1);
    s_havePendingTemporary = 1;
}

void ForgetPendingTemporary() { s_havePendingTemporary = 0; }

extern "C" void RemoveTemporaryAndDie(int signal)
{
    if (s_havePendingTemporary)
        ::unlink(s_pendingTemporary);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Rewrites a file where it is (for a file with other hard links, which a
// rename would split off). False when any step fails; the caller then still
// has the complete temporary file to rename over it.
bool RewriteInPlace(const std::string& path, std::string_view bytes)
{
    CFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
    if (fd.Get() < 0)
        return false;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::pwrite(fd.Get(), bytes.data() + written, bytes.size() - written, static_cast<off_t>(written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return ::ftruncate(fd.Get(), static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd.Get()) == 0 && fd.Close() == 0;
}

} // namespace

void RemoveTemporaryFilesOnSignals()
{
    struct sigaction action {};
    action.sa_handler = RemoveTemporaryAndDie;
    sigemptyset(&action.sa_mask);
    for (int signal : { SIGINT, SIGTERM, SIGHUP })
        sigaction(signal, &action, nullptr);
}

CFileError::CFileError(const std::string& path, const std::string& reason)
    : std::runtime_error(path + ": " + reason)
    , m_path(path)
    , m_reason(reason)
{
}

std::string ReadWholeFile(const std::string& path, std::size_t maxBytes)
{
    // Opened without waiting, so that a FIFO without a writer is refused
    // instead of blocking the open.
    CFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0)
        throw CFileError(path, ErrnoText(errno));
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0)
        throw CFileError(path, ErrnoText(errno));
    if (S_ISDIR(st.st_mode))
        throw CFileError(path, ErrnoText(EISDIR));
    // Devices, pipes and sockets may never end, and no real chart or outline
    // comes near the size bound: both are refused before anything is read.
    if (!S_ISREG(st.st_mode) || static_cast<std::uintmax_t>(st.st_size) > maxBytes)
        throw CFileFormatError();
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            throw CFileError(path, ErrnoText(errno));
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes)
            throw CFileFormatError(); // it grew while being read
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

namespace {

// Writes all of `bytes`; 0, or the errno of the write that failed.
int WriteAll(int fd, std::string_view bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        written += static_cast<std::size_t>(n);
    }
    return 0;
}

void WriteIntoSpecialFile(const std::string& path, const std::string& target, std::string_view bytes)
{
    CFd fd(::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0)
        throw CFileError(path, ErrnoText(errno));
    if (const int error = WriteAll(fd.Get(), bytes))
        throw CFileError(path, ErrnoText(error));
    if (fd.Close() != 0)
        throw CFileError(path, ErrnoText(errno));
}

} // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    if (path.empty())
        throw CFileError(path, ErrnoText(ENOENT));
    std::string target = path;
    struct stat st {};
    bool exists = ::lstat(path.c_str(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
            exists = ::stat(target.c_str(), &st) == 0;
        } else {
            exists = false; // a dangling link: the rename replaces it
        }
    }
    if (exists && S_ISDIR(st.st_mode))
        throw CFileError(path, ErrnoText(EISDIR));
    // A device or a pipe (/dev/stdout, a FIFO a script reads) is written
    // into: renaming a file over it would replace the device node itself.
    if (exists && !S_ISREG(st.st_mode)) {
        WriteIntoSpecialFile(path, target, bytes);
        return;
    }

    std::string dir, name;
    SplitPath(target, dir, name);
    std::string temporary;
    int rawFd = -1;
    for (int attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
        temporary = TemporaryName(dir, name);
        rawFd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (rawFd < 0 && errno != EEXIST)
            break;
    }
    if (rawFd < 0)
        throw CFileError(path, ErrnoText(errno));
    CFd fd(rawFd);
    NotePendingTemporary(temporary);

    auto fail = [&](int error) {
        if (fd.Get() >= 0)
            fd.Close();
        ::unlink(temporary.c_str());
        ForgetPendingTemporary();
        throw CFileError(path, ErrnoText(error));
    };

    if (exists && S_ISREG(st.st_mode))
        (void)::fchmod(fd.Get(), st.st_mode & 07777); // best effort: keep the old permissions
    if (const int error = WriteAll(fd.Get(), bytes))
        fail(error);
    if (::fsync(fd.Get()) != 0)
        fail(errno);
    if (fd.Close() != 0)
        fail(errno);
    // A file with other names keeps them: it is rewritten where it is once
    // the new bytes are safe in the temporary, which replaces it only if
    // that fails.
    if (exists && S_ISREG(st.st_mode) && st.st_nlink > 1 && RewriteInPlace(target, bytes)) {
        ::unlink(temporary.c_str());
        ForgetPendingTemporary();
        return;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        fail(errno);
    ForgetPendingTemporary();
    // Make the rename itself durable; a failure here no longer risks the data.
    CFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.Get() >= 0)
        (void)::fsync(dirFd.Get());
}
