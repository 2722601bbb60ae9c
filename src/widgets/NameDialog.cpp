#include "NameDialog.h"

#include "StyledButton.h"
#include "language/LangStrings.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QVBoxLayout>

Name_Dialog::Name_Dialog(QWidget *parent, const QString &title, const QString &caption,
                         const QString &proposed)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(title);
    L_Caption = new QLabel(caption, this);
    L_Caption->setTextFormat(Qt::PlainText);
    E_Name = new QLineEdit(proposed, this);
    E_Name->selectAll();
    auto *ok = new Styled_Button(this);
    ok->setText(Lang_Strings.at(203));
    ok->setDefault(true);
    auto *cancel = new Styled_Button(this);
    cancel->setText(Lang_Strings.at(204));
    for (Styled_Button *button : {ok, cancel})
        button->setFixedSize(110, 28);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(L_Caption);
    layout->addWidget(E_Name);
    layout->addStretch(1);
    layout->addLayout(buttons);

    // Room for the whole name in the field and for the title in the title bar (its buttons and
    // the window frame take about as much again as a caption of 12 characters).
    const QMargins margins = layout->contentsMargins();
    const int frame = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8;
    const int name_width = E_Name->fontMetrics().horizontalAdvance(proposed) + frame;
    const int title_width = fontMetrics().horizontalAdvance(title + QString(12, QLatin1Char('M')));
    const int wanted = qMax(name_width, title_width) + margins.left() + margins.right();
    setFixedWidth(qBound(Min_Width, wanted, Max_Width));
    // A name wider than that shows its beginning; the caption tells it whole.
    if (name_width + margins.left() + margins.right() > width()) {
        const QString whole = caption + QStringLiteral(": ") + proposed;
        L_Caption->setText(fontMetrics().elidedText(whole, Qt::ElideMiddle,
                                                    width() - margins.left() - margins.right()));
        L_Caption->setToolTip(proposed);
        E_Name->setCursorPosition(0);
    }
}
