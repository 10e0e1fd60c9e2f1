// The real window, offscreen, saving and loading channel-settings files through its buttons, a
// file named at start and a file dropped onto it; an error escaping a handler is shown and the
// window goes on.
#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>

#include "nastroika.h"
#include "scripted_operator.h"
#include "window_fixture.h"

namespace belvan {
namespace {

using testing::ScriptedOperator;
using testing::WindowTest;

TEST_F(WindowTest, AnErrorEscapingAHandlerIsShownAndTheWindowGoesOn) {
    QTemporaryDir dir;
    QLineEdit* maxTransmit = form->ComboBox29->lineEdit();
    maxTransmit->selectAll();
    QTest::keyClicks(maxTransmit, QStringLiteral("abc"));
    const QString file = dir.filePath(QStringLiteral("plan.ctrch"));
    op.files = {file};
    Click(form->Button11);
    ASSERT_FALSE(op.shown.empty());
    EXPECT_EQ(op.Last().text, QStringLiteral("'abc' is not a valid integer value"));
    EXPECT_EQ(op.Last().icon, MessageIcon::Error);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Belvan-T"));
    EXPECT_TRUE(form->isVisible());

    maxTransmit->selectAll();
    QTest::keyClicks(maxTransmit, QStringLiteral("3"));
    op.files = {file};
    Click(form->Button11);
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Настройка каналов  Файл: ") + file);
}

TEST_F(WindowTest, APlanSavedAndLoadedInAFreshWindowLooksTheSame) {
    // Channel 2: 150,000 / 150,025 MHz by CTCSS tone 12 with scan; channel 9: 12,5 kHz step.
    ClickItem(form->ListBox1, QStringLiteral("02"));
    Click(form->CheckBox1);
    FillBoth(QStringLiteral("150"), QStringLiteral("000"));
    ClickItem(form->ListBox3, QStringLiteral("025"));
    Click(form->Button2);
    Click(form->RadioButton6);
    form->ToneBoxes[1]->setCurrentIndex(12);
    ClickItem(form->ListBox1, QStringLiteral("09"));
    Click(form->RadioButton1);
    FillBoth(QStringLiteral("173"), QStringLiteral("987,5"));
    Click(form->CheckBox6);
    form->KeyBoxes[5]->setCurrentIndex(3);
    form->ComboBox30->setCurrentIndex(4);

    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("plan"));
    op.files = {name};
    Click(form->Button11);
    const QString file = name + QStringLiteral(".ctrch");
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_EQ(QFileInfo(file).size(), 255);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Настройка каналов  Файл: ") + file);

    ScriptedOperator freshOperator;
    TForm1 fresh({QStringLiteral("/nonexistent/port"), &freshOperator});
    fresh.show();
    freshOperator.files = {file};
    QTest::mouseClick(fresh.Button12, Qt::LeftButton);
    EXPECT_TRUE(freshOperator.shown.empty());
    EXPECT_EQ(fresh.windowTitle(), QStringLiteral("Настройка каналов  Файл: ") + file);
    // A shown channel writes its masking mark with one blank more than the masking box does,
    // and shows the row's mark even for a half-kHz frequency (which a fill leaves unmarked).
    for (int row = 0; row < kGridRows - 1; ++row) {
        for (int column = 0; column < kGridColumns; ++column) {
            const QString loaded = fresh.StringGrid1->item(row, column)->text();
            const QString edited = form->StringGrid1->item(row, column)->text();
            if (column == Column::Masking)
                EXPECT_EQ(loaded.trimmed(), edited.trimmed()) << row + 1;
            else
                EXPECT_EQ(loaded, edited) << row + 1 << "," << column;
        }
    }
    EXPECT_EQ(fresh.StringGrid1->item(1, Column::Masking)->text(), QStringLiteral("     -"));
    for (int c = 0; c < kChannelCount; ++c) {
        EXPECT_EQ(fresh.ToneBoxes[c]->isEnabled(), form->ToneBoxes[c]->isEnabled()) << c;
        EXPECT_EQ(fresh.ToneBoxes[c]->currentText(), form->ToneBoxes[c]->currentText()) << c;
        EXPECT_EQ(fresh.ChannelMarks[c]->isVisible(), c == 1 || c == 8) << c;
    }
    EXPECT_FALSE(form->ChannelMarks[8]->isVisible());
    EXPECT_EQ(fresh.ToneBoxes[1]->currentText(), QStringLiteral("12 - 100,0"));
    EXPECT_TRUE(fresh.CheckBox6->isChecked());
    EXPECT_EQ(fresh.KeyBoxes[5]->currentText(), QStringLiteral("Сканир-ие"));
    EXPECT_EQ(fresh.ComboBox30->currentText(), QStringLiteral("50"));
    EXPECT_EQ(fresh.State().plan, form->State().plan);

    // Saving again from the fresh window gives the same bytes.
    QFile first(file);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    const QByteArray saved = first.readAll();
    const QString again = dir.filePath(QStringLiteral("again.ctrch"));
    freshOperator.files = {again};
    QTest::mouseClick(fresh.Button11, Qt::LeftButton);
    QFile second(again);
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    EXPECT_EQ(second.readAll(), saved);
}

TEST_F(WindowTest, ABadFileIsRefusedAndChangesNothing) {
    FillBoth(QStringLiteral("150"), QStringLiteral("000"));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("short.ctrch"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray(100, '\x01'));
    out.close();
    op.files = {file};
    Click(form->Button12);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.Last().caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(op.Last().icon, MessageIcon::Error);
    EXPECT_TRUE(op.Last().text.contains(file));
    EXPECT_EQ(Cell(1, 1), QStringLiteral("    150000"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Belvan-T"));
}

TEST_F(WindowTest, AFileNamedAtStartOrDroppedLoadsAsTheLoadButtonDoes) {
    FillBoth(QStringLiteral("150"), QStringLiteral("000"));
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.ctrch"));
    op.files = {good};
    Click(form->Button11);
    QFile saved(good);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    auto write = [&](const QString& name, const QByteArray& content) {
        QFile out(dir.filePath(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
        return out.fileName();
    };
    const QString shortFile = write(QStringLiteral("short.ctrch"), bytes.left(200));
    QByteArray damaged = bytes;
    damaged[kFileChecksumOffset] = static_cast<char>(damaged[kFileChecksumOffset] ^ 1);
    const QString badSum = write(QStringLiteral("sum.ctrch"), damaged);

    // Started with a file: it is loaded once the window is up, with the load's own checks.
    auto start = [](const QString& file, ScriptedOperator& answering) {
        auto window = std::make_unique<TForm1>(
            TForm1::Options{QStringLiteral("/nonexistent/port"), &answering, file});
        window->show();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !answering.shown.empty() || window->windowTitle() != "Belvan-T"; }));
        return window;
    };
    {
        ScriptedOperator answering;
        const auto window = start(good, answering);
        EXPECT_TRUE(answering.shown.empty());
        EXPECT_EQ(window->windowTitle(), kFileCaptionPrefix + good);
        EXPECT_EQ(window->StringGrid1->item(0, 1)->text(), QStringLiteral("    150000"));
    }
    {
        ScriptedOperator answering;
        const auto window = start(shortFile, answering);
        ASSERT_EQ(answering.shown.size(), 1u);
        EXPECT_EQ(answering.Last().caption, QStringLiteral("Ошибка"));
        EXPECT_TRUE(answering.Last().text.contains(shortFile));
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Belvan-T"));
        EXPECT_TRUE(window->StringGrid1->item(0, 1)->text().isEmpty());
    }
    {
        ScriptedOperator answering;
        answering.answers = {Answer::Yes};
        const auto window = start(badSum, answering);
        ASSERT_EQ(answering.shown.size(), 1u);
        EXPECT_EQ(answering.Last().kind, testing::ShownMessage::YesNo);
        EXPECT_EQ(window->windowTitle(), kFileCaptionPrefix + badSum);
        EXPECT_EQ(window->StringGrid1->item(0, 1)->text(), QStringLiteral("    150000"));
    }

    // Dropped onto the window: the damaged file is refused when the operator says no, the good
    // one is taken in.
    Click(form->Button8);
    auto drop = [&](const QString& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        const QPoint at = form->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(form.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(form.get(), &dropped);
    };
    op.Clear();
    op.answers = {Answer::No};
    drop(badSum);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_TRUE(Cell(1, 1).isEmpty());
    drop(good);
    EXPECT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("    150000"));
}

}  // namespace
}  // namespace belvan
