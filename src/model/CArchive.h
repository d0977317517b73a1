#pragma once
// Reader and writer of the chart file: little-endian integers and
// length-prefixed strings, no padding. Storing appends to a byte buffer that
// the caller writes out; loading reads from a byte buffer the caller has
// read in. Every loading failure is a CFileFormatError.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// The file is not a chart file (truncated, malformed or nested too deeply).
// Its message is the system's own text for it.
class CFileFormatError : public std::runtime_error {
public:
    CFileFormatError();
};

// Storing a chart that could never be read back because it is nested more
// deeply than any reader accepts.
class CChartTooDeepError : public std::runtime_error {
public:
    CChartTooDeepError();
};

// Containers inside containers: more levels than this in a file are treated
// as a malformed file, so that reading can never exhaust the stack.
inline constexpr int kMaxFileNesting = 256;

class CArchive {
public:
    enum class Mode { Store, Load };

    // A storing archive with an empty buffer.
    CArchive();
    // A loading archive over `bytes`, which must outlive it.
    explicit CArchive(std::string_view bytes);

    bool IsStoring() const { return m_mode == Mode::Store; }
    bool IsLoading() const { return m_mode == Mode::Load; }

    void WriteInt16(std::int16_t value);
    void WriteInt32(std::int32_t value);
    // The 1-, 3- or 7-byte length form, then the bytes.
    void WriteString(std::string_view bytes);
    // What has been stored so far.
    const std::string& Buffer() const { return m_out; }

    std::int16_t ReadInt16();
    std::int32_t ReadInt32();
    // Any of the length forms, including the UTF-16 one (converted to code
    // page 932).
    std::string ReadString();
    // Bytes not read yet.
    std::size_t Remaining() const { return m_in.size() - m_pos; }

    // Held while the sequences of a container are stored or loaded.
    class NestingGuard {
    public:
        explicit NestingGuard(CArchive& ar);
        ~NestingGuard();
        NestingGuard(const NestingGuard&) = delete;
        NestingGuard& operator=(const NestingGuard&) = delete;

    private:
        CArchive& m_ar;
    };

private:
    const unsigned char* Take(std::size_t count);
    std::uint8_t ReadUInt8();
    std::uint16_t ReadUInt16();
    std::uint32_t ReadUInt32();
    void WriteUInt(std::uint64_t value, int bytes);

    Mode m_mode;
    std::string m_out;
    std::string_view m_in;
    std::size_t m_pos { 0 };
    int m_depth { 0 };
};
