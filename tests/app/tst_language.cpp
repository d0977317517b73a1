// The language of the menus and dialogs: Japanese whatever the locale (this
// program runs under an English one), English only when chosen in the View
// menu or on the command line, and the chart's own texts the same in both.

#include "AppTestSupport.h"

#include "app/CAboutDialog.h"
#include "app/CTavrinApp.h"
#include "app/CTranslations.h"
#include "app/CommandIds.h"
#include "app/UiTexts.h"
#include "view/CConsoleWindow.h"

#include <QLabel>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

using ui::QtText;

namespace {

QStringList MenuTitles(QMainWindow& window)
{
    QStringList titles;
    for (QAction* menu : window.menuBar()->actions())
        titles.append(menu->text());
    return titles;
}

// The submenu of the View menu (the menu bar's `viewIndex`th) and its items.
QStringList LanguageItems(QMainWindow& window, int viewIndex)
{
    QMenu* view = window.menuBar()->actions().at(viewIndex)->menu();
    QStringList items;
    for (QAction* item : view->actions()) {
        if (item->menu()) {
            items.append(item->text());
            for (QAction* language : item->menu()->actions())
                items.append(language->text() + (language->isChecked() ? QStringLiteral(" *") : QString()));
        }
    }
    return items;
}

// The text of a message box's Yes button, as Qt translates it.
QString YesButtonText()
{
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
    return box.button(QMessageBox::Yes)->text();
}

bool QtHasTranslation(const char* language)
{
    return QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath)
                         + QStringLiteral("/qtbase_%1.qm").arg(QLatin1String(language)));
}

// The About box's title and its developers' line, read while it is shown.
QStringList AboutBoxTexts(CMainFrame& frame)
{
    QStringList texts;
    QTimer::singleShot(0, [&texts] {
        auto* about = qobject_cast<CAboutDialog*>(QApplication::activeModalWidget());
        if (!about)
            return;
        texts << about->windowTitle() << about->findChild<QLabel*>(QStringLiteral("developers"))->text();
        about->accept();
    });
    frame.Action(cmd::kAppAbout)->trigger();
    return texts;
}

void SaveChoice(std::optional<UiLanguage> language)
{
    if (language)
        SaveLanguage(*language);
    else
        QSettings(QString::fromLatin1(kSettingsOrganization), QString::fromLatin1(kSettingsApplication)).clear();
}

} // namespace

class TestLanguage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitAppTestResources();
        // CTest runs this program under an English locale; the test means
        // nothing without one.
        QCOMPARE(QLocale::system().language(), QLocale::English);
    }

    void init() { SaveChoice(std::nullopt); }

    void japaneseWhateverTheLocale()
    {
        ScriptedPrompts answers;
        CTavrinApp app;
        QCOMPARE(app.InitInstance({}), -1);
        CMainFrame& frame = *app.MainFrame();
        QCOMPARE(CTranslations::Current(), UiLanguage::Japanese);
        // Byte for byte the texts as written, not passed through anything.
        QCOMPARE(MenuTitles(frame), (QStringList { QtText(texts::kMenuFile), QtText(texts::kMenuEdit),
                                                   QtText(texts::kMenuView), QtText(texts::kMenuRun),
                                                   QtText(texts::kMenuWindow),
                                                   QtText(texts::kMenuHelp) }));
        QCOMPARE(frame.Action(cmd::kAddBranch)->toolTip(), QStringLiteral("分岐"));
        QCOMPARE(frame.Action(cmd::kFileOpen)->statusTip(), QStringLiteral("既存のﾌｧｲﾙを開く"));
        QCOMPARE(frame.StatusMessage(), QtText(texts::kIdleMessage));
        QCOMPARE(AboutBoxTexts(frame).value(0), QtText(texts::kAboutTitle));
        if (QtHasTranslation("ja"))
            QCOMPARE(YesButtonText(), QStringLiteral("はい(&Y)"));
        // The language menu sits in the View menu with a chart open or not.
        const QStringList languages { QtText(texts::kMenuLanguage), QStringLiteral("日本語 *"),
                                      QStringLiteral("English") };
        QCOMPARE(LanguageItems(frame, 2), languages);
        frame.ActiveChild()->close();
        QCOMPARE(LanguageItems(frame, 1), languages);
        QVERIFY(answers.messages.isEmpty());
    }

    // The choice is remembered and takes effect at the next start, which
    // the user is told; the chart's own texts stay as they are.
    void englishChosenInTheViewMenu()
    {
        ScriptedPrompts answers;
        {
            CTavrinApp app;
            QCOMPARE(app.InitInstance({}), -1);
            app.MainFrame()->Action(cmd::kViewLanguageEnglish)->trigger();
            QCOMPARE(answers.messages, QStringList { QtText(texts::kLanguageAfterRestart) });
            QCOMPARE(SavedLanguage(), UiLanguage::English);
            QCOMPARE(MenuTitles(*app.MainFrame()).value(0), QtText(texts::kMenuFile));
        }
        answers.messages.clear();
        CTavrinApp app;
        QCOMPARE(app.InitInstance({}), -1);
        CMainFrame& frame = *app.MainFrame();
        QCOMPARE(CTranslations::Current(), UiLanguage::English);
        QCOMPARE(MenuTitles(frame), (QStringList { "&File", "&Edit", "&View", "&Run", "&Window", "&Help" }));
        QCOMPARE(frame.Action(cmd::kFileNew)->text(), QStringLiteral("&New\tCtrl+N"));
        QCOMPARE(frame.Action(cmd::kAddBranch)->toolTip(), QStringLiteral("Branch"));
        QCOMPARE(frame.Action(cmd::kRun)->toolTip(), QStringLiteral("Run"));
        QCOMPARE(frame.Action(cmd::kFileOpen)->statusTip(), QStringLiteral("Open an existing file"));
        QCOMPARE(frame.StatusMessage(), QStringLiteral("Ready"));
        QCOMPARE(LanguageItems(frame, 2),
                 (QStringList { QtText(texts::kMenuLanguage), QStringLiteral("日本語"), QStringLiteral("English *") }));
        QCOMPARE(AboutBoxTexts(frame),
                 (QStringList { "About Tavrin", "Developers:\nThe developers of the Tavrin project" }));
        if (QtHasTranslation("en"))
            QCOMPARE(YesButtonText(), QStringLiteral("&Yes"));
        frame.ActiveChild()->Document().SetModifiedFlag(true);
        QVERIFY(!frame.CanCloseChild(*frame.ActiveChild(), false));
        QCOMPARE(answers.messages, QStringList { QStringLiteral("Save changes to Pad1?") });
        frame.ActiveChild()->Document().SetModifiedFlag(false);
        // The console belongs to the chart: its title is the same in English.
        QCOMPARE(CConsoleWindow::TitleFor(ConsoleKind::Run),
                 QtText(texts::kConsoleTitlePrefix) + QtText(texts::kRunTitle));

        // Choosing the language already shown says nothing; going back to
        // Japanese is again for the next start.
        answers.messages.clear();
        frame.Action(cmd::kViewLanguageEnglish)->trigger();
        QVERIFY(answers.messages.isEmpty());
        frame.Action(cmd::kViewLanguageJapanese)->trigger();
        QCOMPARE(answers.messages.size(), 1);
        QVERIFY(answers.messages[0].startsWith(QStringLiteral("The language changes the next time Tavrin starts.")));
        QCOMPARE(SavedLanguage(), UiLanguage::Japanese);
    }

    // The command line chooses for one run and leaves the setting alone.
    void languageOnTheCommandLine()
    {
        ScriptedPrompts answers;
        SaveChoice(UiLanguage::English);
        {
            CTavrinApp app;
            QCOMPARE(app.InitInstance({ QStringLiteral("--language"), QStringLiteral("ja") }), -1);
            QCOMPARE(MenuTitles(*app.MainFrame()).value(0), QtText(texts::kMenuFile));
        }
        QCOMPARE(SavedLanguage(), UiLanguage::English);
        SaveChoice(std::nullopt);
        {
            CTavrinApp app;
            QCOMPARE(app.InitInstance({ QStringLiteral("--language=en") }), -1);
            QCOMPARE(MenuTitles(*app.MainFrame()).value(0), QStringLiteral("&File"));
        }
        // The translations go with the program that installed them.
        QCOMPARE(CTranslations::Current(), UiLanguage::Japanese);
        QCOMPARE(ui::Tr(texts::kMenuFile), QtText(texts::kMenuFile));
        for (const QStringList& bad : { QStringList { "--language", "fr" }, QStringList { "--language" },
                                        QStringList { "--language=" }, QStringList { "--language", "EN" } }) {
            CTavrinApp app;
            QCOMPARE(app.InitInstance(bad), 2);
            QVERIFY(!app.MainFrame());
        }
        // A setting the program does not know is Japanese.
        QSettings(QString::fromLatin1(kSettingsOrganization), QString::fromLatin1(kSettingsApplication))
            .setValue(QStringLiteral("Settings/Language"), QStringLiteral("klingon"));
        QCOMPARE(SavedLanguage(), UiLanguage::Japanese);
    }

    // Not a check: with TAVRIN_SCREENSHOT_DIR set (scripts/screenshot-console.sh,
    // under a virtual X display) it saves a picture of the English interface
    // with the language menu open.
    void screenshot()
    {
        const QString dir = qEnvironmentVariable("TAVRIN_SCREENSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("TAVRIN_SCREENSHOT_DIR is not set");
        ScriptedPrompts answers;
        CTavrinApp app;
        QCOMPARE(app.InitInstance({ QStringLiteral("--language"), QStringLiteral("en"),
                                    QStringLiteral(TAVRIN_SOURCE_DIR "/examples/fizzbuzz.pad") }), -1);
        CMainFrame& frame = *app.MainFrame();
        frame.resize(900, 560);
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QTest::qWait(300);
        QAction* view = frame.menuBar()->actions().at(2);
        frame.menuBar()->setActiveAction(view);
        QTRY_VERIFY(view->menu()->isVisible());
        QAction* languages = view->menu()->actions().last();
        view->menu()->setActiveAction(languages);
        QTRY_VERIFY(languages->menu()->isVisible());
        languages->menu()->setActiveAction(frame.Action(cmd::kViewLanguageEnglish));
        QTest::qWait(300);
        const QRect area = frame.frameGeometry() | languages->menu()->geometry();
        const QPixmap picture = frame.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        languages->menu()->hide();
        view->menu()->hide();
        QVERIFY(picture.save(dir + QStringLiteral("/screenshot-language-en.png")));
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
