#pragma once
// The program's questions to the user: message boxes and file-name dialogs.
// They go through replaceable handlers so that tests can answer them.

#include "view/QtText.h"
#include <QMessageBox>
#include <QString>

#include <functional>
#include <string>

namespace prompts {

using MessageHandler = std::function<QMessageBox::StandardButton(
    QWidget* parent, QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons)>;
// `save`: a Save As dialog (else Open); `suggested`: the name offered.
using PathHandler = std::function<QString(QWidget* parent, bool save, const QString& suggested)>;

// Null restores the interactive dialogs.
void SetMessageHandler(MessageHandler handler);
void SetPathHandler(PathHandler handler);

// A message box titled with the program's name; returns the button chosen.
QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok);
// Empty when the user cancelled.
QString AskOpenPath(QWidget* parent);
// Adds the ".pad" extension to a name typed without one.
QString AskSavePath(QWidget* parent, const QString& suggested);

// Why a file could not be opened (`saving` false) or saved, in the user's
// language: `systemReason` is the C library's English text, shown only when
// nothing better is known.
QString FileErrorReason(const QString& path, bool saving, const std::string& systemReason);

// A desktop text (see app/UiTexts.h) in the chosen language: every menu,
// prompt and dialog of the program shows its texts through this.
inline QString Text(std::string_view japanese) { return ui::Tr(japanese); }

} // namespace prompts
