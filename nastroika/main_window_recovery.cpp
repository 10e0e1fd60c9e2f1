// The main window's recovery: the status line's word on plans kept for recovery, and the dialog
// «Восстановить…» that lists them, restores one or discards it.
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/texts.h"
#include "form/recovery.h"
#include "form_widgets.h"
#include "main_window.h"

namespace belvan {

void MainWindow::FollowRecovery() {
    const RecoveryJournal& journal = form_->Recovery();
    const auto offered = static_cast<int>(journal.Offered().size());
    RestoreAction->setEnabled(offered > 0);
    if (!journal.Failure().isEmpty()) {
        const QString text =
            QStringLiteral("План не сохраняется для восстановления: %1").arg(journal.Failure());
        RecoveryLabel->setText(text);
        RecoveryLabel->setToolTip(text);
        RecoveryLabel->setPalette(RedText(palette()));
    } else {
        RecoveryLabel->setText(
            offered > 0 ? QStringLiteral("Планов для восстановления: %1 — «Файл» → «Восстановить…»")
                              .arg(offered)
                        : QString());
        RecoveryLabel->setToolTip(QString());
        RecoveryLabel->setPalette(palette());
    }
    RecoveryLabel->setVisible(!RecoveryLabel->text().isEmpty());
}

namespace {
// One entry as the recovery list shows it: when it was kept, what it is, how many channels differ
// from the plan it started from.
QStringList EntryColumns(const RecoveryJournal& journal, const RecoveryEntry& entry) {
    const RecoveryInfo& info = entry.info;
    QStringList what;
    if (!info.label.isEmpty()) what << info.label;
    what << (info.source.isEmpty() ? QStringLiteral("не из файла")
                                   : QStringLiteral("из файла «%1»").arg(ShownPath(info.source)));
    QString channels;
    const Result<FileBytes> plan = journal.Read(entry.stem);
    if (!plan)
        channels = QStringLiteral("файл повреждён");
    else if (!FileChecksumMatches(*plan))
        channels = QStringLiteral("контрольная сумма не сходится");
    else if (info.base)
        channels = QString::number(DifferingChannels(*plan, *info.base));
    return {QLocale().toString(info.kept, QStringLiteral("dd.MM.yyyy HH:mm:ss")),
            what.join(QStringLiteral(", ")), channels};
}
}  // namespace

void MainWindow::ShowRecoveryDialog() {
    if (form_->ExchangeRunning()) return;
    auto* dialog = new QDialog(this);
    dialog->setObjectName(QStringLiteral("RecoveryDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Восстановление плана"));
    auto* list = new QTreeWidget(dialog);
    list->setObjectName(QStringLiteral("RecoveryList"));
    list->setRootIsDecorated(false);
    list->setHeaderLabels(
        {QStringLiteral("Сохранён"), QStringLiteral("План"), QStringLiteral("Изменено каналов")});
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* restore =
        buttons->addButton(QStringLiteral("Восстановить"), QDialogButtonBox::AcceptRole);
    restore->setObjectName(QStringLiteral("RestoreButton"));
    QPushButton* discard =
        buttons->addButton(QStringLiteral("Удалить"), QDialogButtonBox::DestructiveRole);
    discard->setObjectName(QStringLiteral("DiscardButton"));
    buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(
        QStringLiteral("Планы с изменениями, которые не были сохранены в файл или записаны в "
                       "радиостанцию:"),
        dialog));
    layout->addWidget(list);
    layout->addWidget(buttons);

    auto fill = [this, list, restore, discard] {
        list->clear();
        for (const RecoveryEntry& entry : form_->Recovery().Offered()) {
            auto* item = new QTreeWidgetItem(list, EntryColumns(form_->Recovery(), entry));
            item->setData(0, Qt::UserRole, entry.stem);
        }
        if (list->topLevelItemCount() > 0) list->setCurrentItem(list->topLevelItem(0));
        restore->setEnabled(list->topLevelItemCount() > 0);
        discard->setEnabled(list->topLevelItemCount() > 0);
        list->header()->resizeSections(QHeaderView::ResizeToContents);
    };
    fill();
    auto chosen = [list] {
        const QTreeWidgetItem* item = list->currentItem();
        return item ? item->data(0, Qt::UserRole).toString() : QString();
    };
    connect(restore, &QPushButton::clicked, dialog, [this, dialog, chosen] {
        const QString stem = chosen();
        dialog->close();
        if (!stem.isEmpty()) RestoreEntry(stem);
    });
    connect(list, &QTreeWidget::itemDoubleClicked, restore, &QPushButton::click);
    connect(discard, &QPushButton::clicked, dialog, [this, dialog, chosen, fill, list] {
        const QString stem = chosen();
        if (stem.isEmpty()) return;
        OperatorInterface& op = form_->State().Operator();
        if (op.AskYesNo(QStringLiteral("Удалить план «%1» без восстановления?")
                            .arg(list->currentItem()->text(0)),
                        QStringLiteral("Восстановление плана"),
                        MessageIcon::Warning) != Answer::Yes)
            return;
        if (const Status discarded = form_->DiscardRecovered(stem); !discarded)
            ShowError(op,
                      QStringLiteral("Не удалось удалить план: %1.").arg(discarded.error().text));
        fill();
        if (list->topLevelItemCount() == 0) dialog->close();
    });
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    dialog->resize(QSize(620, 300).boundedTo(size()));
    dialog->open();
}

void MainWindow::RestoreEntry(const QString& stem) {
    form_->RestoreRecovered(stem);
}

}  // namespace belvan
