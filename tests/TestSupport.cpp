#include "TestSupport.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

std::string SourcePath(std::string_view relative)
{
    return std::string(TAVRIN_SOURCE_DIR) + "/" + std::string(relative);
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFileBytes(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string TempDir(std::string_view name)
{
    auto dir = std::filesystem::path(TAVRIN_BINARY_DIR) / "test-tmp" / std::string(name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

ProcessResult RunCli(const std::vector<std::string>& args, std::string_view input)
{
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
        throw std::runtime_error("pipe failed");
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : { in[0], in[1], out[0], out[1], err[0], err[1] })
            close(fd);
        std::vector<char*> argv;
        std::string cli = TAVRIN_CLI;
        argv.push_back(cli.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(cli.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    signal(SIGPIPE, SIG_IGN);

    ProcessResult result;
    std::size_t written = 0;
    bool inOpen = true;
    if (input.empty()) {
        close(in[1]);
        inOpen = false;
    }
    bool outOpen = true, errOpen = true;
    char buf[65536];
    while (outOpen || errOpen) {
        pollfd fds[3];
        int n = 0;
        int outIdx = -1, errIdx = -1, inIdx = -1;
        if (outOpen) { fds[n] = { out[0], POLLIN, 0 }; outIdx = n++; }
        if (errOpen) { fds[n] = { err[0], POLLIN, 0 }; errIdx = n++; }
        if (inOpen) { fds[n] = { in[1], POLLOUT, 0 }; inIdx = n++; }
        if (poll(fds, static_cast<nfds_t>(n), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (outIdx >= 0 && fds[outIdx].revents) {
            ssize_t r = read(out[0], buf, sizeof buf);
            if (r <= 0) { outOpen = false; close(out[0]); } else result.out.append(buf, static_cast<std::size_t>(r));
        }
        if (errIdx >= 0 && fds[errIdx].revents) {
            ssize_t r = read(err[0], buf, sizeof buf);
            if (r <= 0) { errOpen = false; close(err[0]); } else result.err.append(buf, static_cast<std::size_t>(r));
        }
        if (inIdx >= 0 && fds[inIdx].revents) {
            ssize_t w = write(in[1], input.data() + written, input.size() - written);
            if (w <= 0) { inOpen = false; close(in[1]); }
            else {
                written += static_cast<std::size_t>(w);
                if (written == input.size()) { inOpen = false; close(in[1]); }
            }
        }
    }
    if (inOpen)
        close(in[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::string ValueBits(double value)
{
    if (std::isnan(value))
        return "nan";
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return std::to_string(bits);
}

} // namespace testing_support
