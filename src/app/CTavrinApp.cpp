#include "app/CTavrinApp.h"

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CTranslations.h"
#include "base/TavrinVersion.h"
#include "app/UiTexts.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <cstdio>

namespace {

const char* const kUsage = "usage: tavrin [--language ja|en] [FILE.pad]...\n"
                           "       tavrin --version\n";

} // namespace

CTavrinApp::CTavrinApp()
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(kSettingsOrganization));
    QCoreApplication::setApplicationName(QString::fromLatin1(kSettingsApplication));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tavrin.svg")));
    // Japanese from the start, Qt's texts included; the command line and the
    // settings may choose otherwise before the windows are made.
    m_translations = std::make_unique<CTranslations>(UiLanguage::Japanese);
}

CTavrinApp::~CTavrinApp()
{
    // The windows go while their language is still installed.
    m_mainFrame.reset();
    m_translations.reset();
}

int CTavrinApp::InitInstance(const QStringList& arguments)
{
    QStringList files;
    // The program speaks Japanese whatever the locale, unless English was
    // chosen: for this run on the command line, or for good in the View menu.
    std::optional<UiLanguage> language;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!optionsEnded && argument == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == QStringLiteral("--help") || argument == QStringLiteral("-h"))) {
            std::fputs(kUsage, stdout);
            std::fputs("Opens each chart named, or a new chart when none is named.\n"
                       "--language shows the menus and dialogs in Japanese (ja, the default)\n"
                       "or in English (en) for this run; the View menu's Language item\n"
                       "chooses the language of the next runs.\n",
                       stdout);
            return 0;
        } else if (!optionsEnded
                   && (argument == QStringLiteral("--language") || argument.startsWith(QStringLiteral("--language=")))) {
            QString code;
            if (const qsizetype equals = argument.indexOf(QLatin1Char('=')); equals >= 0) {
                code = argument.mid(equals + 1);
            } else if (i + 1 < arguments.size()) {
                code = arguments[++i];
            } else {
                std::fprintf(stderr, "tavrin: --language needs a value: ja or en\n%s", kUsage);
                return 2;
            }
            language = LanguageFromCode(code);
            if (!language) {
                std::fprintf(stderr, "tavrin: unknown language '%s': use ja or en\n%s",
                             code.toLocal8Bit().constData(), kUsage);
                return 2;
            }
        } else if (!optionsEnded && argument == QStringLiteral("--version")) {
            std::fputs("tavrin " TAVRIN_VERSION "\n", stdout);
            return 0;
        } else if (!optionsEnded && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            std::fprintf(stderr, "tavrin: unknown option '%s'\n%s", argument.toLocal8Bit().constData(), kUsage);
            return 2;
        } else {
            files.append(argument);
        }
    }

    if (const UiLanguage chosen = language.value_or(SavedLanguage()); chosen != UiLanguage::Japanese) {
        m_translations.reset();
        m_translations = std::make_unique<CTranslations>(chosen);
    }
    m_mainFrame = std::make_unique<CMainFrame>();
    if (files.isEmpty()) {
        m_mainFrame->OnFileNew();
    } else {
        // A file that cannot be read is reported and leaves the main window
        // (with the menu for no open chart) rather than ending the program.
        for (const QString& file : files)
            m_mainFrame->OpenDocumentFile(file);
    }
    m_mainFrame->show();

    const QByteArray screenshot = qgetenv("TAVRIN_SCREENSHOT");
    if (!screenshot.isEmpty())
        ScheduleScreenshot(QString::fromLocal8Bit(screenshot));
    return -1;
}

void CTavrinApp::ScheduleScreenshot(const QString& path)
{
    // Saves a picture of the main window once it has been painted, then ends
    // the program: for documentation made under a virtual display.
    QPointer<CMainFrame> frame(m_mainFrame.get());
    QTimer::singleShot(800, frame, [frame, path] {
        if (!frame)
            return;
        const bool saved = frame->grab().save(path);
        if (!saved)
            std::fprintf(stderr, "tavrin: cannot write the screenshot %s\n", path.toLocal8Bit().constData());
        QCoreApplication::exit(saved ? 0 : 1);
    });
}
