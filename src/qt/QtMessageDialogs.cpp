#include "qt/QtMessageDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <vector>

#include "layout/DialogLayouts.h"
#include "mainwindow/FileCommentDialog.h"
#include "mainwindow/FirmwareChoiceDialog.h"
#include "platform/Files.h"
#include "qt/QtControlMirror.h"
#include "qt/QtPagePrinter.h"

namespace qu32 {

namespace {

constexpr int kPanelMargin = 4;

ScreenSize screenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {1024, 768};
    const QRect area = screen->availableGeometry();
    return {area.width(), area.height()};
}

void setGeometry(QWidget& widget, const Geometry& g) {
    widget.setGeometry(g.left, g.top, g.width, g.height);
}

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

// The small dialogs are placed by fractions of the screen, their parts inside them likewise.
void QtMessageDialogs::place(QDialog& dialog, const Geometry& window) {
    QPoint origin;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        origin = screen->availableGeometry().topLeft();
    dialog.setGeometry(origin.x() + window.left, origin.y() + window.top, window.width,
                       window.height);
}

void QtMessageDialogs::showFirmwareChoice(FirmwareChoiceDialog& choice) {
    const FirmwareChoiceLayout at = layoutFirmwareChoice(screenSize());
    QDialog dialog(parent_);
    dialog.setWindowTitle(fromLatin1(choice.window.caption()));
    place(dialog, at.window);
    auto* explanation = new QLabel(messageText(choice.explanation.caption()), &dialog);
    explanation->setWordWrap(true);
    explanation->setTextFormat(Qt::PlainText);
    explanation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setGeometry(*explanation, at.explanation);
    auto* list = new QComboBox(&dialog);
    list->setEditable(true);
    for (const std::string& item : choice.names.items)
        list->addItem(fromLatin1(item));
    list->setEditText(fromLatin1(choice.names.text));
    setGeometry(*list, at.names);
    auto* ok = new QPushButton(fromLatin1(choice.okButton.caption()), &dialog);
    setGeometry(*ok, at.okButton);
    auto* cancel = new QPushButton(fromLatin1(choice.cancelButton.caption()), &dialog);
    setGeometry(*cancel, at.cancelButton);
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

void QtMessageDialogs::showFileComment(FileCommentDialog& comment) {
    const FileCommentLayout at = layoutFileComment(screenSize());
    QDialog dialog(parent_);
    dialog.setWindowTitle(fromLatin1(comment.window.caption()));
    place(dialog, at.window);
    auto* question = new QLabel(messageText(comment.question.caption()), &dialog);
    question->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    question->setWordWrap(true);
    question->setTextFormat(Qt::PlainText);
    question->setMargin(kPanelMargin);
    setGeometry(*question, at.question);
    auto* text = new QLineEdit(&dialog);
    text->setMaxLength(static_cast<int>(kMaxCommentLength));
    // The file holds 8-bit text: a letter it cannot hold cannot be typed.
    text->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x{20}-\\x{7e}\\x{a0}-\\x{ff}]*")), text));
    setGeometry(*text, at.text);
    auto* ok = new QPushButton(fromLatin1(comment.okButton.caption()), &dialog);
    ok->setDefault(true);
    setGeometry(*ok, at.okButton);
    QObject::connect(ok, &QPushButton::clicked, &dialog, [&] {
        comment.setText(toLatin1(text->text()));
        comment.pressOk();
        dialog.accept();
    });
    dialog.exec();
}

std::optional<std::string> QtMessageDialogs::chooseFile(const FileDialogRequest& request) {
    QFileDialog dialog(parent_, fromLatin1(request.title),
                       QFile::decodeName(request.folder.c_str()));
    const bool save = request.mode == FileDialogMode::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The program asks about overwriting in its own words.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters;
    for (const std::string& filter : request.filters)
        filters << fromLatin1(filter);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(fromLatin1(request.defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

std::optional<PrinterChoice> QtMessageDialogs::choosePrinter(const std::string& title) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), parent_);
    dialog.setWindowTitle(fromLatin1(title));
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    // Many machines on the shop floor have no printer: a PDF is what they file or mail.
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    // Every copy is printed as a document of its own, so the driver must not copy again.
    const int copies = printer->copyCount();
    printer->setCopyCount(1);
    const QString file = printer->outputFileName();
    if (file.isEmpty()) {
        return PrinterChoice{std::make_unique<QtPagePrinter>(
                                 std::move(printer), QtPagePrinter::Documents::SeparateJobs),
                             copies};
    }
    const QString temporary = file + QString::fromLatin1(kAtomicTempSuffix);
    printer->setOutputFileName(temporary);
    auto pdf =
        std::make_unique<QtPagePrinter>(std::move(printer), QtPagePrinter::Documents::OneFile);
    pdf->replaceWhenFinished(QFile::encodeName(temporary).toStdString(),
                             QFile::encodeName(file).toStdString());
    return PrinterChoice{std::move(pdf), copies};
}

}  // namespace qu32
