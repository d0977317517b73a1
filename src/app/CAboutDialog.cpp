#include "app/CAboutDialog.h"

#include "app/CPrompts.h"
#include "app/UiTexts.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

CAboutDialog::CAboutDialog(QWidget* parent)
    : QDialog(parent)
{
    using prompts::Text;
    setWindowTitle(Text(texts::kAboutTitle));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/tavrin.svg")).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(Text(texts::kAppTitle), this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    name->setFont(bold);
    // The name and number read the same in every language.
    auto* version = new QLabel(ui::QtText(texts::kAboutVersion), this);
    version->setObjectName(QStringLiteral("version"));
    auto* developers = new QLabel(Text(texts::kAboutDevelopers), this);
    developers->setObjectName(QStringLiteral("developers"));

    auto* textColumn = new QVBoxLayout;
    textColumn->addWidget(name);
    textColumn->addWidget(version);
    textColumn->addSpacing(8);
    textColumn->addWidget(developers);
    textColumn->addStretch(1);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addLayout(textColumn, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
