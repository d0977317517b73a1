#include "app/CPrompts.h"

#include "app/UiTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace prompts {
namespace {

MessageHandler& CurrentMessageHandler()
{
    static MessageHandler handler;
    return handler;
}

PathHandler& CurrentPathHandler()
{
    static PathHandler handler;
    return handler;
}

} // namespace

void SetMessageHandler(MessageHandler handler)
{
    CurrentMessageHandler() = std::move(handler);
}

void SetPathHandler(PathHandler handler)
{
    CurrentPathHandler() = std::move(handler);
}

QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                    QMessageBox::StandardButtons buttons)
{
    if (const MessageHandler& handler = CurrentMessageHandler())
        return handler(parent, icon, text, buttons);
    QMessageBox box(icon, Text(texts::kAppTitle), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString AskOpenPath(QWidget* parent)
{
    if (const PathHandler& handler = CurrentPathHandler())
        return handler(parent, false, QString());
    return QFileDialog::getOpenFileName(parent, Text(texts::kOpenDialogTitle), QString(),
                                        Text(texts::kPadFilter));
}

QString AskSavePath(QWidget* parent, const QString& suggested)
{
    QString path;
    if (const PathHandler& handler = CurrentPathHandler()) {
        path = handler(parent, true, suggested);
    } else {
        QFileDialog dialog(parent, Text(texts::kSaveAsDialogTitle), suggested, Text(texts::kPadFilter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The dialog appends the extension itself, so that its question
        // before overwriting names the file that will really be written.
        dialog.setDefaultSuffix(QStringLiteral("pad"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        path = dialog.selectedFiles().constFirst();
    }
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pad");
    return path;
}

QString FileErrorReason(const QString& path, bool saving, const std::string& systemReason)
{
    const QFileInfo info(path);
    if (info.isDir())
        return Text(texts::kReasonIsFolder);
    if (!saving && !info.exists())
        return QCoreApplication::translate("QIODevice", "No such file or directory");
    if (saving && !info.dir().exists())
        return QCoreApplication::translate("QIODevice", "No such file or directory");
    if ((!saving && !info.isReadable()) || (saving && info.exists() && !info.isWritable()))
        return QCoreApplication::translate("QIODevice", "Permission denied");
    if (systemReason.empty())
        return Text(saving ? texts::kReasonCannotWrite : texts::kReasonCannotRead);
    return Text(saving ? texts::kReasonCannotWrite : texts::kReasonCannotRead) + QStringLiteral(" (")
        + QString::fromLocal8Bit(systemReason.c_str()) + QLatin1Char(')');
}

} // namespace prompts
