#include "app/CTranslations.h"

#include "app/CTavrinApp.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>

namespace {

// Under the settings of CTavrinApp.h, beside the recent files.
const char* const kLanguageKey = "Settings/Language";

UiLanguage s_current = UiLanguage::Japanese;

std::unique_ptr<QTranslator> Install(const QString& name, const QString& folder)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder) || !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

} // namespace

std::optional<UiLanguage> LanguageFromCode(const QString& code)
{
    if (code == QLatin1String("ja"))
        return UiLanguage::Japanese;
    if (code == QLatin1String("en"))
        return UiLanguage::English;
    return std::nullopt;
}

QString LanguageCode(UiLanguage language)
{
    return language == UiLanguage::English ? QStringLiteral("en") : QStringLiteral("ja");
}

UiLanguage SavedLanguage()
{
    const QSettings settings(QString::fromLatin1(kSettingsOrganization), QString::fromLatin1(kSettingsApplication));
    return LanguageFromCode(settings.value(QString::fromLatin1(kLanguageKey)).toString())
        .value_or(UiLanguage::Japanese);
}

void SaveLanguage(UiLanguage language)
{
    QSettings settings(QString::fromLatin1(kSettingsOrganization), QString::fromLatin1(kSettingsApplication));
    settings.setValue(QString::fromLatin1(kLanguageKey), LanguageCode(language));
}

CTranslations::CTranslations(UiLanguage language)
    : m_previous(s_current)
{
    const QString code = LanguageCode(language);
    // The Japanese texts are the translations' keys: Japanese needs none of
    // its own. The English one is built into the program.
    if (language != UiLanguage::Japanese) {
        m_texts = Install(QStringLiteral("tavrin_") + code, QStringLiteral(":/translations"));
        if (!m_texts)
            qWarning("tavrin: the %s translation is missing; the texts stay Japanese", qPrintable(code));
    }
    // Qt's own texts come from the system's translations when they are
    // installed (Debian's qt6-translations-l10n), and otherwise stay the
    // English ones Qt is written in.
    m_qt = Install(QStringLiteral("qtbase_") + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    s_current = language == UiLanguage::Japanese || m_texts ? language : UiLanguage::Japanese;
}

CTranslations::~CTranslations()
{
    if (m_qt)
        QCoreApplication::removeTranslator(m_qt.get());
    if (m_texts)
        QCoreApplication::removeTranslator(m_texts.get());
    s_current = m_previous;
}

UiLanguage CTranslations::Current()
{
    return s_current;
}
