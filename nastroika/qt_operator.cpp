#include "qt_operator.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

namespace belvan {

namespace {
QMessageBox::Icon ToQt(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// The buttons carry Russian texts whatever translation the system has.
Answer Ask(QWidget* owner, const QString& text, const QString& caption, MessageIcon icon,
           bool withCancel) {
    QMessageBox box(ToQt(icon), caption, text, QMessageBox::NoButton, owner);
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    QPushButton* cancel =
        withCancel ? box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole) : nullptr;
    box.setDefaultButton(yes);
    box.setEscapeButton(withCancel ? static_cast<QAbstractButton*>(cancel) : no);
    box.exec();
    if (box.clickedButton() == yes) return Answer::Yes;
    if (box.clickedButton() == no) return Answer::No;
    return withCancel ? Answer::Cancel : Answer::No;  // closing the box
}

QFileDialog::Options DialogOptions() {
#ifdef Q_OS_WIN
    return {};
#else
    // Qt's own dialog speaks Russian with the tool's translation on every desktop.
    return QFileDialog::DontUseNativeDialog;
#endif
}

QString Filter(const FileDialogRequest& request) {
    return request.filterDescription;  // "Files for Cantrel (*.ctrch)": Qt reads the pattern in it
}
}  // namespace

void QtOperator::ShowMessage(const QString& text, const QString& caption, MessageIcon icon) {
    QMessageBox box(ToQt(icon), caption, text, QMessageBox::NoButton, owner_);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

Answer QtOperator::AskYesNoCancel(const QString& text, const QString& caption, MessageIcon icon) {
    return Ask(owner_, text, caption, icon, true);
}

Answer QtOperator::AskYesNo(const QString& text, const QString& caption, MessageIcon icon) {
    return Ask(owner_, text, caption, icon, false);
}

QString QtOperator::Where(const QString& proposedName) const {
    if (QFileInfo(proposedName).isAbsolute()) return proposedName;
    const QString folder =
        !lastFolder_.isEmpty()
            ? lastFolder_
            : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return proposedName.isEmpty() ? folder : QDir(folder).filePath(proposedName);
}

void QtOperator::Remember(const QString& chosen) {
    if (!chosen.isEmpty()) lastFolder_ = QFileInfo(chosen).absolutePath();
}

std::optional<QString> QtOperator::ChooseFileToOpen(const FileDialogRequest& request) {
    const QString name =
        QFileDialog::getOpenFileName(owner_, request.title, Where(request.proposedName),
                                     Filter(request), nullptr, DialogOptions());
    if (name.isEmpty()) return std::nullopt;
    Remember(name);
    return name;
}

std::optional<QString> QtOperator::ChooseFileToSave(const FileDialogRequest& request) {
    QFileDialog::Options options = DialogOptions();
    if (!request.confirmOverwrite) options |= QFileDialog::DontConfirmOverwrite;
    const QString name = QFileDialog::getSaveFileName(
        owner_, request.title, Where(request.proposedName), Filter(request), nullptr, options);
    if (name.isEmpty()) return std::nullopt;
    Remember(name);
    return name;
}

}  // namespace belvan
