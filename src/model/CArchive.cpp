#include "model/CArchive.h"

#include "base/Codec.h"
#include "base/Texts.h"

#include <string>

CFileFormatError::CFileFormatError()
    : std::runtime_error(std::string(texts::kUnexpectedFileFormat))
{
}

CChartTooDeepError::CChartTooDeepError()
    : std::runtime_error("the chart is nested more than " + std::to_string(kMaxFileNesting)
          + " levels deep and could not be opened again; it was not saved")
{
}

CArchive::CArchive()
    : m_mode(Mode::Store)
{
}

CArchive::CArchive(std::string_view bytes)
    : m_mode(Mode::Load)
    , m_in(bytes)
{
}

void CArchive::WriteUInt(std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        m_out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void CArchive::WriteInt16(std::int16_t value)
{
    WriteUInt(static_cast<std::uint16_t>(value), 2);
}

void CArchive::WriteInt32(std::int32_t value)
{
    WriteUInt(static_cast<std::uint32_t>(value), 4);
}

void CArchive::WriteString(std::string_view bytes)
{
    const std::size_t length = bytes.size();
    if (length < 0xFF) {
        WriteUInt(length, 1);
    } else if (length < 0xFFFE) {
        WriteUInt(0xFF, 1);
        WriteUInt(length, 2);
    } else if (length <= 0xFFFFFFFFu) {
        WriteUInt(0xFF, 1);
        WriteUInt(0xFFFF, 2);
        WriteUInt(length, 4);
    } else {
        throw std::length_error("a box text of 4 GiB or more cannot be stored");
    }
    m_out.append(bytes);
}

const unsigned char* CArchive::Take(std::size_t count)
{
    if (count > Remaining())
        throw CFileFormatError();
    const auto* at = reinterpret_cast<const unsigned char*>(m_in.data() + m_pos);
    m_pos += count;
    return at;
}

std::uint8_t CArchive::ReadUInt8()
{
    return *Take(1);
}

std::uint16_t CArchive::ReadUInt16()
{
    const unsigned char* p = Take(2);
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t CArchive::ReadUInt32()
{
    const unsigned char* p = Take(4);
    return std::uint32_t { p[0] } | (std::uint32_t { p[1] } << 8) | (std::uint32_t { p[2] } << 16)
        | (std::uint32_t { p[3] } << 24);
}

std::int16_t CArchive::ReadInt16()
{
    return static_cast<std::int16_t>(ReadUInt16());
}

std::int32_t CArchive::ReadInt32()
{
    return static_cast<std::int32_t>(ReadUInt32());
}

std::string CArchive::ReadString()
{
    bool wide = false;
    std::uint32_t length = ReadUInt8();
    if (length == 0xFF) {
        length = ReadUInt16();
        if (length == 0xFFFE) {
            // Characters of two bytes follow; their count is given again.
            wide = true;
            length = ReadUInt8();
            if (length == 0xFF) {
                length = ReadUInt16();
                if (length == 0xFFFE)
                    throw CFileFormatError();
            }
        }
        if (length == 0xFFFF)
            length = ReadUInt32();
    }
    // Lengths are checked against the data actually present before anything
    // is allocated.
    if (!wide) {
        const unsigned char* p = Take(length);
        return std::string(reinterpret_cast<const char*>(p), length);
    }
    if (length > Remaining() / 2)
        throw CFileFormatError();
    const unsigned char* p = Take(std::size_t { length } * 2);
    std::u16string units(length, u'\0');
    for (std::uint32_t i = 0; i < length; ++i)
        units[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    return codec::Utf16ToCp932(units);
}

CArchive::NestingGuard::NestingGuard(CArchive& ar)
    : m_ar(ar)
{
    if (m_ar.m_depth >= kMaxFileNesting) {
        if (m_ar.IsLoading())
            throw CFileFormatError();
        throw CChartTooDeepError();
    }
    ++m_ar.m_depth;
}

CArchive::NestingGuard::~NestingGuard()
{
    --m_ar.m_depth;
}
