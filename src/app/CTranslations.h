#pragma once
// The language of the desktop program: its own texts (see UiTexts.h) and
// those that Qt supplies (dialog buttons, the file dialog). Japanese unless
// the user chose English, whatever the locale; the console's texts and the
// interpreter's messages are the chart's behaviour and never change.

#include <QString>

#include <memory>
#include <optional>

class QTranslator;

enum class UiLanguage { Japanese, English };

// "ja" or "en", as `tavrin --language` and the settings write them; nothing
// for any other text.
std::optional<UiLanguage> LanguageFromCode(const QString& code);
QString LanguageCode(UiLanguage language);

// The language chosen in the View menu, for the next start: Japanese when
// none was chosen or the setting is not one the program knows.
UiLanguage SavedLanguage();
void SaveLanguage(UiLanguage language);

// Shows the program in one language while it lives: installs that
// language's translations into the application, and takes them out again
// when destroyed. Windows take their texts when they are made, so it is
// created before the main window.
class CTranslations {
public:
    explicit CTranslations(UiLanguage language);
    ~CTranslations();
    CTranslations(const CTranslations&) = delete;
    CTranslations& operator=(const CTranslations&) = delete;

    // The language the program's texts are shown in now.
    static UiLanguage Current();

private:
    UiLanguage m_previous;
    std::unique_ptr<QTranslator> m_texts;
    std::unique_ptr<QTranslator> m_qt;
};
