// The translation files against the texts the desktop program shows: every
// desktop text has a finished translation in every res/translations/*.ts,
// each translation keeps what the program splits or fills in, and the
// program carries exactly what the files say. A failure names each text and
// the line to add.

#include "view/QtText.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

QString SourcePath(const QString& relative)
{
    return QStringLiteral(TAVRIN_SOURCE_DIR "/") + relative;
}

QString ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return QString::fromUtf8(file.readAll());
}

// The C++ string literal's text, escapes resolved.
QString Unescape(const QString& literal)
{
    QString text;
    for (qsizetype i = 0; i < literal.size(); ++i) {
        QChar c = literal[i];
        if (c == QLatin1Char('\\') && i + 1 < literal.size()) {
            const QChar next = literal[++i];
            c = next == QLatin1Char('n') ? QChar(u'\n') : next == QLatin1Char('t') ? QChar(u'\t') : next;
        }
        text.append(c);
    }
    return text;
}

// The texts of a header's `inline constexpr std::string_view kName = "...";`
// constants. Those built with a macro have no fixed text and are left out.
QMap<QString, QString> ConstantsOf(const QString& header)
{
    static const QRegularExpression constant(
        QStringLiteral("inline constexpr std::string_view (k\\w+)\\s*=((?:\\s|\"(?:[^\"\\\\]|\\\\.)*\"|//[^\n]*|\\w+)*);"));
    static const QRegularExpression literal(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
    static const QRegularExpression lineComment(QStringLiteral("//[^\n]*"));
    QMap<QString, QString> texts;
    for (const QRegularExpressionMatch& m : constant.globalMatch(ReadAll(SourcePath(header)))) {
        QString init = m.captured(2);
        QString text;
        for (const QRegularExpressionMatch& piece : literal.globalMatch(init))
            text += Unescape(piece.captured(1));
        init.remove(literal).remove(lineComment);
        if (init.trimmed().isEmpty())
            texts.insert(m.captured(1), text);
    }
    return texts;
}

// The names of the constants that the desktop program's sources pass to
// `pattern` (a function name), as in `Text(texts::kX)`.
QSet<QString> UsedWith(const QString& pattern)
{
    const QRegularExpression use(QStringLiteral("(?<![\\w:])(?:\\w+::)?(?:%1)\\(texts::(k\\w+)\\)").arg(pattern));
    QSet<QString> names;
    for (const QString& folder : { QStringLiteral("src/app"), QStringLiteral("src/view") }) {
        const QDir dir(SourcePath(folder));
        for (const QString& file : dir.entryList({ QStringLiteral("*.cpp"), QStringLiteral("*.h") }, QDir::Files)) {
            for (const QRegularExpressionMatch& m : use.globalMatch(ReadAll(dir.filePath(file))))
                names.insert(m.captured(1));
        }
    }
    return names;
}

struct Message {
    QString source;
    QString translation;
    QString type; // "unfinished", "vanished", "obsolete" or empty
};

struct TsFile {
    QString language;
    QString context;
    QList<Message> messages;
};

TsFile ReadTs(const QString& path)
{
    TsFile ts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("TS")) {
            ts.language = xml.attributes().value(QLatin1String("language")).toString();
        } else if (xml.name() == QLatin1String("name")) {
            ts.context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            Message message;
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("source")) {
                    message.source = xml.readElementText();
                } else if (xml.name() == QLatin1String("translation")) {
                    message.type = xml.attributes().value(QLatin1String("type")).toString();
                    message.translation = xml.readElementText();
                } else {
                    xml.skipCurrentElement();
                }
            }
            ts.messages.append(message);
        }
    }
    if (xml.hasError())
        qFatal("%s: %s at line %lld", qPrintable(path), qPrintable(xml.errorString()), xml.lineNumber());
    return ts;
}

// A text as one line of a .ts file.
QString Escaped(const QString& text)
{
    return text.toHtmlEscaped()
        .replace(QLatin1String("&quot;"), QLatin1String("\""))
        .replace(QLatin1Char('\n'), QLatin1String("&#10;"))
        .replace(QLatin1Char('\t'), QLatin1String("&#9;"));
}

QStringList Placeholders(const QString& text)
{
    static const QRegularExpression placeholder(QStringLiteral("%[1-9]"));
    QStringList found;
    for (const QRegularExpressionMatch& m : placeholder.globalMatch(text))
        found.append(m.captured());
    found.sort();
    return found;
}

// What follows the tab: the shortcut a menu shows beside the item.
QString Shortcut(const QString& text)
{
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    return tab < 0 ? QString() : text.mid(tab);
}

QStringList TsFiles()
{
    const QDir dir(SourcePath(QStringLiteral("res/translations")));
    QStringList files;
    for (const QString& name : dir.entryList({ QStringLiteral("*.ts") }, QDir::Files))
        files.append(dir.filePath(name));
    return files;
}

} // namespace

class TestTranslations : public QObject {
    Q_OBJECT

private:
    QMap<QString, QString> m_uiTexts;      // name -> text, of app/UiTexts.h
    QMap<QString, QString> m_desktopTexts; // name -> text; those that need a translation
    QMap<QString, QString> m_knownTexts;   // every constant's text -> name

private slots:
    void initTestCase()
    {
        const QMap<QString, QString> ui = ConstantsOf(QStringLiteral("src/app/UiTexts.h"));
        const QMap<QString, QString> system = ConstantsOf(QStringLiteral("src/base/Texts.h"));
        QVERIFY2(ui.size() > 50 && system.size() > 20, "the text headers were not read");
        m_uiTexts = ui;
        m_desktopTexts = ui;
        // The system's texts that the desktop shows in its own dialogs; the
        // rest (the console's, the interpreter's) stay as the chart writes them.
        for (const QString& name : UsedWith(QStringLiteral("Text|Tr"))) {
            if (system.contains(name))
                m_desktopTexts.insert(name, system[name]);
        }
        for (const auto* texts : { &ui, &system })
            for (auto it = texts->begin(); it != texts->end(); ++it)
                m_knownTexts.insert(it.value(), it.key());
        QVERIFY(!TsFiles().isEmpty());
    }

    // A desktop text passed through QtText would stay Japanese in English.
    void desktopTextsGoThroughTheTranslation()
    {
        QStringList untranslated;
        for (const QString& name : UsedWith(QStringLiteral("QtText"))) {
            if (m_uiTexts.contains(name))
                untranslated.append(name);
        }
        QVERIFY2(untranslated.isEmpty(),
                 qPrintable(QStringLiteral("shown with QtText instead of Text or ui::Tr: ") + untranslated.join(u' ')));
    }

    void everyDesktopTextHasAFinishedTranslation_data()
    {
        QTest::addColumn<QString>("path");
        for (const QString& path : TsFiles())
            QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
    }

    void everyDesktopTextHasAFinishedTranslation()
    {
        QFETCH(QString, path);
        const TsFile ts = ReadTs(path);
        QCOMPARE(ts.context, QString::fromLatin1(ui::kTextContext));
        QStringList faults;
        QMap<QString, const Message*> bySource;
        for (const Message& message : ts.messages) {
            if (bySource.contains(message.source))
                faults.append(QStringLiteral("listed twice: %1").arg(Escaped(message.source)));
            bySource.insert(message.source, &message);
            if (!m_knownTexts.contains(message.source))
                faults.append(QStringLiteral("no such text (changed or removed?): %1").arg(Escaped(message.source)));
        }
        for (auto it = m_desktopTexts.begin(); it != m_desktopTexts.end(); ++it) {
            const QString& source = it.value();
            const Message* message = bySource.value(source);
            if (!message) {
                faults.append(QStringLiteral("%1 has no translation; add the line\n"
                                             "<message><source>%2</source><translation>...</translation></message>")
                                  .arg(it.key(), Escaped(source)));
                continue;
            }
            if (!message->type.isEmpty() || message->translation.isEmpty())
                faults.append(QStringLiteral("%1 is %2: %3").arg(it.key(),
                    message->type.isEmpty() ? QStringLiteral("untranslated") : message->type, Escaped(source)));
            // The program fills in the placeholders, splits a prompt at its
            // line break and a menu item at its tab.
            else if (Placeholders(message->translation) != Placeholders(source)
                     || message->translation.count(QLatin1Char('\n')) != source.count(QLatin1Char('\n'))
                     || Shortcut(message->translation) != Shortcut(source))
                faults.append(QStringLiteral("%1 must keep the placeholders, line breaks and shortcut of %2: %3")
                                  .arg(it.key(), Escaped(source), Escaped(message->translation)));
        }
        QVERIFY2(faults.isEmpty(), qPrintable(QFileInfo(path).fileName() + QStringLiteral(":\n") + faults.join(u'\n')));
    }

    // The program carries the compiled translations, and they give back
    // what the files say for the exact texts the program asks for.
    void theProgramCarriesEachTranslation()
    {
        for (const QString& path : TsFiles()) {
            const TsFile ts = ReadTs(path);
            QTranslator translator;
            const QString name = QFileInfo(path).completeBaseName();
            QVERIFY2(translator.load(name, QStringLiteral(":/translations")), qPrintable(name));
            for (const Message& message : ts.messages) {
                if (!message.type.isEmpty())
                    continue; // reported above
                const QByteArray key = message.source.toUtf8();
                QCOMPARE(translator.translate(ui::kTextContext, key.constData()), message.translation);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
