#include "app/CTavrinApp.h"

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "base/TavrinVersion.h"
#include "app/UiTexts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

CTavrinApp::CTavrinApp()
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(kSettingsOrganization));
    QCoreApplication::setApplicationName(QString::fromLatin1(kSettingsApplication));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tavrin.svg")));
    // The program speaks Japanese whatever the locale: so do the texts that
    // Qt supplies. Without the translation files they stay English.
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(translator.get()))
        m_qtTranslator = std::move(translator);
}

CTavrinApp::~CTavrinApp()
{
    m_mainFrame.reset();
    if (m_qtTranslator)
        QCoreApplication::removeTranslator(m_qtTranslator.get());
}

int CTavrinApp::InitInstance(const QStringList& arguments)
{
    QStringList files;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == QStringLiteral("--help") || argument == QStringLiteral("-h"))) {
            std::fputs("usage: tavrin [FILE.pad]...\n"
                       "       tavrin --version\n"
                       "Opens each chart named, or a new chart when none is named.\n",
                       stdout);
            return 0;
        } else if (!optionsEnded && argument == QStringLiteral("--version")) {
            std::fputs("tavrin " TAVRIN_VERSION "\n", stdout);
            return 0;
        } else if (!optionsEnded && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            std::fprintf(stderr, "tavrin: unknown option '%s'\nusage: tavrin [FILE.pad]...\n",
                         argument.toLocal8Bit().constData());
            return 2;
        } else {
            files.append(argument);
        }
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
