#pragma once
// A box on the system clipboard: the box with everything inside it as bytes
// in the chart file's own box record format, so that it can be pasted into
// any chart of any Tavrin window or program instance, and its outline as
// plain text for other programs.

#include <memory>
#include <string>
#include <string_view>

class CProcessBox;

// The private clipboard type of the record bytes.
inline constexpr std::string_view kBoxMimeType = "application/x-tavrin-box";

// The box's record as a chart file stores it: tag, geometry, text, then a
// container's sequences. Commits the texts of open editors first, as storing
// does. Throws CChartTooDeepError for a box nested too deeply to be read.
std::string BoxToBytes(CProcessBox& box);

// The box that `bytes` hold. Anything but exactly one box record of a known
// kind, with nothing after it, throws CFileFormatError.
std::unique_ptr<CProcessBox> BoxFromBytes(std::string_view bytes);

// The box's outline (the form of tavrin-cli dump), UTF-8, one line per box;
// m_text as it stands (commit editors first).
std::string BoxOutline(const CProcessBox& box);
