#include "qt/QtMessageDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <vector>

#include "mainwindow/FirmwareChoiceDialog.h"
#include "qt/QtControlMirror.h"

namespace qu32 {

namespace {

struct Choice {
    QMessageBox::StandardButton button;
    MsgAnswer answer;
};

// The buttons of each set, in the order they stand; the first is the default.
std::vector<Choice> choicesOf(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return {{QMessageBox::Ok, MsgAnswer::Ok}};
        case MsgButtons::OkCancel:
            return {{QMessageBox::Ok, MsgAnswer::Ok}, {QMessageBox::Cancel, MsgAnswer::Cancel}};
        case MsgButtons::YesNo:
            return {{QMessageBox::Yes, MsgAnswer::Yes}, {QMessageBox::No, MsgAnswer::No}};
        case MsgButtons::YesNoCancel:
            return {{QMessageBox::Yes, MsgAnswer::Yes},
                    {QMessageBox::No, MsgAnswer::No},
                    {QMessageBox::Cancel, MsgAnswer::Cancel}};
        case MsgButtons::RetryCancel:
            return {{QMessageBox::Retry, MsgAnswer::Retry},
                    {QMessageBox::Cancel, MsgAnswer::Cancel}};
    }
    return {{QMessageBox::Ok, MsgAnswer::Ok}};
}

QMessageBox::Icon iconOf(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Stop:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QString messageText(const std::string& latin1) {
    QString text = fromLatin1(latin1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QtMessageDialogs::~QtMessageDialogs() {
    setMousePointer(MousePointer::Default);
}

MsgAnswer QtMessageDialogs::messageBox(const std::string& text, const std::string& title,
                                       MsgButtons buttons, MsgIcon icon) {
    const std::vector<Choice> choices = choicesOf(buttons);
    QMessageBox::StandardButtons offered;
    for (const Choice& c : choices)
        offered |= c.button;
    QMessageBox box(iconOf(icon), messageText(title), messageText(text), offered, parent_);
    box.setDefaultButton(choices.front().button);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const Choice& c : choices) {
        if (c.button == pressed)
            return c.answer;
    }
    // Closed some other way: as Cancel where the box has one, else as its first button.
    for (const Choice& c : choices) {
        if (c.answer == MsgAnswer::Cancel)
            return c.answer;
    }
    return choices.front().answer;
}

void QtMessageDialogs::beep() {
    QApplication::beep();
}

void QtMessageDialogs::setMousePointer(MousePointer pointer) {
    const bool wanted = pointer == MousePointer::Hourglass;
    if (wanted == hourglass_)
        return;
    hourglass_ = wanted;
    if (wanted) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtMessageDialogs::showFirmwareChoice(FirmwareChoiceDialog& choice) {
    QDialog dialog(parent_);
    dialog.setWindowTitle(fromLatin1(choice.window.caption()));
    auto* layout = new QVBoxLayout(&dialog);
    auto* explanation = new QLabel(messageText(choice.explanation.caption()), &dialog);
    explanation->setWordWrap(true);
    explanation->setTextFormat(Qt::PlainText);
    layout->addWidget(explanation);
    auto* list = new QComboBox(&dialog);
    list->setEditable(true);
    for (const std::string& item : choice.names.items)
        list->addItem(fromLatin1(item));
    list->setEditText(fromLatin1(choice.names.text));
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* ok =
        buttons->addButton(fromLatin1(choice.okButton.caption()), QDialogButtonBox::AcceptRole);
    QPushButton* cancel =
        buttons->addButton(fromLatin1(choice.cancelButton.caption()), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    ok->setDefault(true);
    // Whatever the list shows when the dialog closes is what the operator chose.
    QObject::connect(ok, &QPushButton::clicked, &dialog, [&] {
        choice.names.text = toLatin1(list->currentText());
        choice.pressOk();
        dialog.accept();
    });
    QObject::connect(cancel, &QPushButton::clicked, &dialog, [&] {
        choice.names.text = toLatin1(list->currentText());
        choice.pressCancel();
        dialog.reject();
    });
    dialog.exec();
    choice.names.text = toLatin1(list->currentText());
}

}  // namespace qu32
