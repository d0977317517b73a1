#pragma once
// The About box: the program's name, version line and developers.

#include <QDialog>

class CAboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};
