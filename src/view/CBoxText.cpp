#include "view/CBoxText.h"

#include "view/CBoxEdit.h"
#include "view/CTavrinView.h"
#include "base/Codec.h"
#include "layout/DrawSupport.h"

// Box texts keep Windows line breaks; what the user sees breaks at '\n'.
QString CBoxText::ToDisplay(const std::string& cp932)
{
    QString text = QString::fromStdString(codec::Cp932ToUtf8(cp932));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

CBoxText::CBoxText(CTavrinView& view, CProcessBox& box)
    : m_view(view)
    , m_box(box)
{
}

CBoxText::~CBoxText()
{
    m_view.TextGone(*this);
}

std::string CBoxText::GetText() const
{
    std::lock_guard lock(m_mutex);
    return m_bytes;
}

void CBoxText::SetText(const std::string& text)
{
    {
        std::lock_guard lock(m_mutex);
        m_bytes = text;
        m_typed.reset();
    }
    m_displayMade = false;
    m_display.clear();
    m_paintedMade = false;
    m_painted.clear();
    m_view.TextReplaced(*this);
}

const QString& CBoxText::DisplayText() const
{
    if (!m_displayMade) {
        m_display = ToDisplay(GetText());
        m_displayMade = true;
    }
    return m_display;
}

const QString& CBoxText::PaintedText() const
{
    // Far more than any box shows; below it the whole text is painted.
    constexpr qsizetype kWholeTextChars = 64 * 1024;
    const QString& whole = DisplayText();
    if (whole.size() <= kWholeTextChars)
        return whole;
    if (!m_paintedMade) {
        m_painted = ToDisplay(chartdraw::ShownPart(GetText()));
        m_paintedMade = true;
    }
    return m_painted;
}

void CBoxText::SetTyped(const QString& plain)
{
    if (!m_typed) {
        auto typed = std::make_unique<Typed>();
        typed->setBytes = GetText();
        typed->setPlain = DisplayText();
        std::lock_guard lock(m_mutex);
        m_typed = std::move(typed);
    }
    std::string bytes;
    std::string bad;
    if (plain == m_typed->setPlain) {
        bytes = m_typed->setBytes;
    } else {
        QString withBreaks = plain;
        withBreaks.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        const QByteArray utf8 = withBreaks.toUtf8();
        if (auto converted = codec::Utf8ToCp932(std::string_view(utf8.constData(), utf8.size()), &bad)) {
            bytes = std::move(*converted);
        } else {
            const std::u16string_view utf16(reinterpret_cast<const char16_t*>(withBreaks.utf16()),
                                            static_cast<std::size_t>(withBreaks.size()));
            bytes = codec::Utf16ToCp932(utf16);
        }
    }
    m_display = plain;
    m_displayMade = true;
    m_paintedMade = false;
    m_painted.clear();
    std::lock_guard lock(m_mutex);
    m_bytes = std::move(bytes);
    m_typed->unencodable = std::move(bad);
}

void CBoxText::SubstituteUnencodable()
{
    if (UnencodableChar().empty())
        return;
    if (CBoxEdit* editor = m_view.LiveEditor(); editor && editor->Attached() == this)
        editor->SubstituteUnencodable();
    else
        SetText(GetText());
}

std::string CBoxText::UnencodableChar() const
{
    std::lock_guard lock(m_mutex);
    return m_typed ? m_typed->unencodable : std::string();
}
