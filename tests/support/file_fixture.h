// Saving, loading and importing channel-settings files: the program started with a scripted
// operator, a temporary folder of real files, the sample plan entered as the operator enters it,
// and what a refused load must leave unchanged.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>
#include <utility>

#include "form/csv_handlers.h"
#include "form/file_operations.h"
#include "plan/channel_editing.h"
#include "program_start.h"
#include "scripted_operator.h"
#include "test_files.h"

namespace belvan::testing {

// A few channels and radio-wide settings entered the way the operator does.
inline void EnterSamplePlan(ProgramState& p) {
    ListBox1Click(p, 0);
    Pick(p, QStringLiteral("150"), QStringLiteral("000"));
    FillReceive(p);
    Pick(p, QStringLiteral("150"), QStringLiteral("025"));
    FillTransmit(p);
    SetCheckBox1(p, true);
    SelectRadioButton6(p);
    p.ctl.toneBoxes[0].Select(7);

    ListBox1Click(p, 4);
    SelectStepButton(p, false);
    Pick(p, QStringLiteral("146"), QStringLiteral("012,5"));
    FillReceive(p);
    Pick(p, QStringLiteral("174"), QStringLiteral("987,5"));
    FillTransmit(p);
    SetCheckBox1(p, false);
    SetCheckBox2(p, true);
    SelectRadioButton8(p);

    ListBox1Click(p, 15);
    SelectStepButton(p, true);
    Pick(p, QStringLiteral("174"), QStringLiteral("975"));
    FillReceive(p);

    p.ctl.CheckBox3 = true;
    p.ctl.ComboBox4.SetText(QStringLiteral("5"));
    p.ctl.ComboBox29.SetText(QStringLiteral("3"));
    p.ctl.ComboBox30.SetText(QStringLiteral("40"));
    p.ctl.keyBoxes[1].Select(3);
    p.ctl.keyBoxes[6].Select(11);
}

// A channel entered the way the operator does: one frequency for receive and transmit, CTCSS
// detection with a tone.
inline void EnterCtcssChannel(ProgramState& p, int channel, const QString& mhz, const QString& khz,
                              int tone) {
    ListBox1Click(p, channel);
    Pick(p, mhz, khz);
    FillReceive(p);
    FillTransmit(p);
    SelectRadioButton6(p);
    p.ctl.toneBoxes[channel].Select(tone);
}

// Everything a load may change, to tell that a refused load changed nothing.
struct Snapshot {
    explicit Snapshot(const ProgramState& p)
        : plan(p.plan), ctl(p.ctl), image(p.image), fileBuffer(p.FileBuffer) {}
    ChannelPlan plan;
    Controls ctl;
    ParameterImage image;
    FileBytes fileBuffer;
};

inline void ExpectSameBox(const ComboState& a, const ComboState& b, const char* name) {
    EXPECT_EQ(a.items, b.items) << name;
    EXPECT_EQ(a.index, b.index) << name;
    EXPECT_EQ(Text(a.text), Text(b.text)) << name;
    EXPECT_EQ(a.enabled, b.enabled) << name;
}

// The channel area and the radio-wide controls of two windows are alike.
inline void ExpectSameControls(const Controls& a, const Controls& b) {
    for (int row = 0; row < kGridRows; ++row)
        for (int column = 0; column < kGridColumns; ++column)
            EXPECT_EQ(Text(a.Cell(row, column)), Text(b.Cell(row, column)))
                << "row " << row << " column " << column;
    EXPECT_EQ(a.channelMarks, b.channelMarks);
    EXPECT_EQ(a.ListBox1.index, b.ListBox1.index);
    EXPECT_EQ(a.ListBox3.items, b.ListBox3.items);
    EXPECT_EQ(a.ListBox3.index, b.ListBox3.index);
    const std::pair<bool Controls::*, const char*> switches[] = {
        {&Controls::CheckBox1, "CheckBox1"},         {&Controls::CheckBox2, "CheckBox2"},
        {&Controls::CheckBox3, "CheckBox3"},         {&Controls::CheckBox6, "CheckBox6"},
        {&Controls::RadioButton1, "RadioButton1"},   {&Controls::RadioButton2, "RadioButton2"},
        {&Controls::RadioButton6, "RadioButton6"},   {&Controls::RadioButton8, "RadioButton8"},
        {&Controls::RadioButton9, "RadioButton9"},   {&Controls::RadioButton10, "RadioButton10"},
        {&Controls::RadioButton11, "RadioButton11"}, {&Controls::RadioButton12, "RadioButton12"}};
    for (const auto& [member, name] : switches) EXPECT_EQ(a.*member, b.*member) << name;
    ExpectSameBox(a.ComboBox4, b.ComboBox4, "ComboBox4");
    ExpectSameBox(a.ComboBox29, b.ComboBox29, "ComboBox29");
    ExpectSameBox(a.ComboBox30, b.ComboBox30, "ComboBox30");
    for (int c = 0; c < kChannelCount; ++c)
        ExpectSameBox(a.toneBoxes[c], b.toneBoxes[c], "tone box");
    for (int k = 0; k < 8; ++k) ExpectSameBox(a.keyBoxes[k], b.keyBoxes[k], "key box");
}

inline void ExpectUnchanged(const Snapshot& before, const ProgramState& p) {
    EXPECT_EQ(before.plan, p.plan);
    ExpectSameControls(before.ctl, p.ctl);
    EXPECT_EQ(Text(before.ctl.caption), Text(p.ctl.caption));
    EXPECT_EQ(before.fileBuffer, p.FileBuffer);
    EXPECT_EQ(before.image, p.image);
}

class FileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        StartProgram(p, op);
    }

    QString Path(const QString& name) const { return dir.filePath(name); }

    // Saves under `chosen` with no question expected.
    FileOutcome SaveAs(ProgramState& program, const QString& chosen) {
        op.files.push_back(chosen);
        return SaveSettingsFile(program);
    }

    // Writes the sample plan, entered in a window of its own, to `name` and returns the path.
    QString SampleFile(const QString& name) {
        ProgramState writer;
        ScriptedOperator writerOp;
        StartProgram(writer, writerOp);
        EnterSamplePlan(writer);
        writerOp.files.push_back(Path(name));
        EXPECT_TRUE(SaveSettingsFile(writer).Succeeded());
        EXPECT_TRUE(writerOp.shown.empty());
        return Path(name);
    }

    void Load(const QString& path) {
        op.files.push_back(path);
        Button12Click(p);
    }

    // Imports the named list of the folder through the window, the operator answering the
    // question it asks, if any; what the import reports.
    QString Import(const QString& name, std::optional<Answer> answer = std::nullopt) {
        op.files.push_back(Path(name));
        if (answer) op.answers.push_back(*answer);
        return ImportCsvFile(p);
    }

    void ExpectErrorNaming(const QString& path) {
        ASSERT_EQ(op.shown.size(), 1u);
        EXPECT_EQ(op.Last().kind, ShownMessage::Message);
        EXPECT_EQ(Text(op.Last().caption), "Ошибка");
        EXPECT_EQ(op.Last().icon, MessageIcon::Error);
        EXPECT_TRUE(op.Last().text.contains(QDir::toNativeSeparators(path)))
            << Text(op.Last().text);
    }

    QStringList FilesInDir() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QTemporaryDir dir;
    ProgramState p;
    ScriptedOperator op;
};

}  // namespace belvan::testing
