#pragma once
// Whole-file reading and crash-safe writing for chart files.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

// A file could not be read or written. what() is "PATH: REASON".
class CFileError : public std::runtime_error {
public:
    CFileError(const std::string& path, const std::string& reason);
    const std::string& Path() const { return m_path; }
    const std::string& Reason() const { return m_reason; }

private:
    std::string m_path;
    std::string m_reason;
};

// Far above any real chart or outline.
inline constexpr std::size_t kMaxReadFileBytes = std::size_t { 256 } << 20;

// The bytes of a regular file. A directory or an unreadable file throws
// CFileError; a file that is no regular file (a device, a FIFO) or larger
// than `maxBytes` throws CFileFormatError before anything is read.
std::string ReadWholeFile(const std::string& path, std::size_t maxBytes = kMaxReadFileBytes);

// Replaces `path` with `bytes` so that the old file survives any failure: the
// bytes go to a temporary file beside it, which is flushed to the disk and
// then renamed over the old one. A symbolic link is followed, not replaced;
// the old file's permissions are kept. A file with other hard links is
// rewritten in place once the temporary holds the new bytes, so that its
// other names see them (the temporary is renamed over it if that fails). On
// failure the temporary is removed and CFileError is thrown. A device or a
// FIFO is not replaced but written into, as a shell redirection would.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary file of a
// WriteFileAtomically under way before they end the program, so that an
// interrupted save leaves no hidden file behind.
void RemoveTemporaryFilesOnSignals();
