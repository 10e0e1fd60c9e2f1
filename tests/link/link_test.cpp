// The radio link over a real pseudo-terminal against the radio simulator: frames on the wire,
// every failure the radio can cause, and what the exchanges leave behind.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

#include "Functions.h"
#include "radio_sim_process.h"
#include "scripted_operator.h"

namespace belvan {
namespace {

using testing::RadioSimProcess;
using testing::ScriptedOperator;

// Every frame the simulator received, as bytes, in order.
std::vector<QByteArray> ReceivedFrames(const QString& log) {
    std::vector<QByteArray> frames;
    static const QRegularExpression line(QStringLiteral("^RX ((?:[0-9A-F]{2} ?)+)$"),
                                         QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(log); it.hasNext();)
        frames.push_back(QByteArray::fromHex(it.next().captured(1).remove(u' ').toLatin1()));
    return frames;
}

void PurgeInputOf(ProgramState& p) {
    if (p.PortHandle) p.PortHandle->PurgeInput();
}

class LinkTest : public ::testing::Test {
  protected:
    void SetUp() override { Begin({}); }

    // (Re)starts the simulator with these options and opens its line like the port box does.
    void Begin(const QStringList& options) {
        sim = std::make_unique<RadioSimProcess>();
        const QString device = sim->Start(QStringList{QStringLiteral("--no-announce")} + options);
        ASSERT_FALSE(device.isEmpty()) << sim->Error().toStdString();
        p.op = &op;
        p.ctl.ComboBox1.SetText(device);
        ComboBox1Change(p);
        ASSERT_EQ(p.ctl.Label1, QStringLiteral("открыт."));
        ASSERT_FALSE(p.ctl.label1Red);
    }
    void Fault(const QString& name) {
        ASSERT_TRUE(sim->Command(QStringLiteral("fault ") + name).ok);
    }
    void ExpectError(const QString& text) {
        ASSERT_FALSE(op.shown.empty());
        EXPECT_EQ(op.Last().text, text);
        EXPECT_EQ(op.Last().caption, QStringLiteral("Ошибка"));
        EXPECT_EQ(op.Last().icon, MessageIcon::Error);
    }
    void ExpectInformation(const QString& text) {
        ASSERT_FALSE(op.shown.empty());
        EXPECT_EQ(op.Last().text, text);
        EXPECT_EQ(op.Last().caption, QStringLiteral("Belvan-T"));
        EXPECT_EQ(op.Last().icon, MessageIcon::Information);
    }
    // A plan of the window's own making: channel 1 on 150,000/150,025 MHz with tone 7.
    void EditAPlan() {
        p.ctl.ListBox1.index = 0;
        p.ctl.ListBox2.index = 4;  // "150"
        p.ctl.ListBox3.index = 0;
        FillReceive(p);
        p.ctl.ListBox3.index = 1;
        FillTransmit(p);
        SelectRadioButton6(p);
        p.ctl.toneBoxes[0].SetText(QStringLiteral("07 - 85,4"));
        p.ctl.ComboBox4.SetText(QStringLiteral("3"));
    }

    ProgramState p;
    ScriptedOperator op;
    std::unique_ptr<RadioSimProcess> sim;
};

TEST_F(LinkTest, ReadSendsTheRequestAndTakesTheRadiosImage) {
    ASSERT_TRUE(ReadParameters(p, 0));
    ExpectInformation(QStringLiteral("Параметры прочитаны"));
    const auto held = sim->Image();
    ASSERT_TRUE(held);
    EXPECT_EQ(p.image, *held);
    const auto frames = ReceivedFrames(sim->Log());
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], QByteArray::fromHex("21FF000020"));
    EXPECT_EQ(p.ReplyByte, kAcknowledge);
}

TEST_F(LinkTest, WriteSendsTwoFramesThatDifferOnlyInTheSequenceByte) {
    EditAPlan();
    ASSERT_TRUE(WriteParameters(p));
    ExpectInformation(QStringLiteral("Параметры записаны"));
    ASSERT_TRUE(sim->WaitForLog(QStringLiteral("WRITE kept")));
    const auto frames = ReceivedFrames(sim->Log());
    ASSERT_EQ(frames.size(), 2u);
    const QByteArray& first = frames[0];
    const QByteArray& second = frames[1];
    ASSERT_EQ(first.size(), kDataFrameSize);
    ASSERT_EQ(second.size(), kDataFrameSize);
    EXPECT_EQ(first.left(4), QByteArray::fromHex("22FF0000"));
    EXPECT_EQ(second.left(4), QByteArray::fromHex("22FF0002"));
    EXPECT_EQ(first.mid(4, 255), second.mid(4, 255));
    EXPECT_EQ(static_cast<std::uint8_t>(second[259]),
              static_cast<std::uint8_t>(static_cast<std::uint8_t>(first[259]) + 2));
    EXPECT_EQ(first.mid(FrameOffset::filler, FrameOffset::fillerLength),
              QByteArray(FrameOffset::fillerLength, '\xFF'));
    // The radio keeps what the window encoded: channel 1's record and a 3 s wait time.
    const auto held = sim->Image();
    ASSERT_TRUE(held);
    EXPECT_EQ(*held, p.image);
    const auto record = held->Record(0).ToBytes();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(record.data()), 10),
              QByteArray::fromHex("0D0040014201070000 00").replace(' ', ""));
    EXPECT_EQ(held->SettingsWord(SettingsOffset::waitTime), 600);
}

TEST_F(LinkTest, ReadFailuresShowTheirMessageAndLeaveTheImage) {
    const ParameterImage before = p.image;
    struct Row {
        const char* fault;
        const char* message;
    };
    for (const Row& row :
         {Row{"silent", "Нет ответа от радиостанции"}, Row{"late", "Нет ответа от радиостанции"},
          Row{"bad-checksum-a", "Ошибка контрольной суммы."},
          Row{"bad-checksum-b", "Ошибка контрольной суммы"},
          Row{"garbage-frame", "Ошибка контрольной суммы."},
          Row{"short-frame", "Нет ответа от радиостанции"}}) {
        SCOPED_TRACE(row.fault);
        Fault(QString::fromLatin1(row.fault));
        op.Clear();
        EXPECT_FALSE(ReadParameters(p, 0));
        ExpectError(QString::fromUtf8(row.message));
        EXPECT_EQ(p.image, before);
        // A late radio's answer would be taken by the next read: let it arrive and go first.
        QThread::msleep(row.fault == std::string("late") ? 2500 : 300);
        PurgeInputOf(p);
    }
}

TEST_F(LinkTest, StrayBytesBeforeTheAcknowledgementAreSkippedUpToTen) {
    Fault(QStringLiteral("noise 9"));
    EXPECT_TRUE(ReadParameters(p, 0));
    Fault(QStringLiteral("noise 12"));
    op.Clear();
    EXPECT_FALSE(ReadParameters(p, 0));
    ExpectError(QStringLiteral("Нет ответа от радиостанции"));
}

TEST_F(LinkTest, AFrameOfZeroBytesPassesBothChecksums) {
    Fault(QStringLiteral("zero-frame"));
    ASSERT_TRUE(ReadParameters(p, 0));
    EXPECT_EQ(p.image, ParameterImage{});
}

TEST_F(LinkTest, AShortReplyNeverPassesOnAnEarlierFrame) {
    ASSERT_TRUE(ReadParameters(p, 0));  // FrameBuffer now holds a good frame
    const ParameterImage good = p.image;
    ASSERT_TRUE(sim->Command(QStringLiteral("fault short-frame 259")).ok);
    op.Clear();
    EXPECT_FALSE(ReadParameters(p, 0));
    ExpectError(QStringLiteral("Нет ответа от радиостанции"));
    EXPECT_EQ(p.image, good);
}

TEST_F(LinkTest, WriteFailuresNameTheFrameThatWasRefused) {
    struct Row {
        const char* fault;
        const char* message;
    };
    for (const Row& row : {Row{"nak-first", "Ошибка записи каналов радиостанции."},
                           Row{"other-then-ack", "Ошибка записи каналов радиостанции."},
                           Row{"nak-second", "Ошибка записи в радиостанцию"}}) {
        SCOPED_TRACE(row.fault);
        Fault(QString::fromLatin1(row.fault));
        op.Clear();
        EXPECT_FALSE(WriteParameters(p));
        ExpectError(QString::fromUtf8(row.message));
        QThread::msleep(150);
    }
}

TEST_F(LinkTest, SilenceAfterAWriteFrameFailsEvenAfterAnEarlierAcknowledgement) {
    ASSERT_TRUE(ReadParameters(p, 0));
    ASSERT_EQ(p.ReplyByte, kAcknowledge);  // an earlier 'O' must not answer for the radio
    Fault(QStringLiteral("silent-first"));
    op.Clear();
    EXPECT_FALSE(WriteParameters(p));
    ExpectError(QStringLiteral("Ошибка записи каналов радиостанции."));

    Fault(QStringLiteral("silent-second"));
    op.Clear();
    EXPECT_FALSE(WriteParameters(p));
    ExpectError(QStringLiteral("Ошибка записи в радиостанцию"));
    const auto held = sim->Image();
    ASSERT_TRUE(held);
    EXPECT_NE(*held, p.image);  // the radio never kept the unconfirmed image
}

TEST_F(LinkTest, AFailedReadLeavesThePlanTheWindowAndTheWatchAsTheyWere) {
    FormCreate(p);  // the port box still names the simulator
    EditAPlan();
    p.ctl.CheckBox3 = true;
    p.ctl.keyBoxes[1].Select(4);
    p.ctl.ListBox1.index = 0;
    const ChannelPlan plan = p.plan;
    const auto grid = p.ctl.StringGrid1;
    const auto tones = p.ctl.toneBoxes;
    const auto keys = p.ctl.keyBoxes;

    Fault(QStringLiteral("bad-checksum-b"));
    Button5Click(p);
    ExpectError(QStringLiteral("Ошибка контрольной суммы"));
    EXPECT_EQ(p.plan, plan);
    EXPECT_EQ(p.ctl.StringGrid1, grid);
    for (int c = 0; c < kChannelCount; ++c) {
        EXPECT_EQ(p.ctl.toneBoxes[c].text, tones[c].text);
        EXPECT_EQ(p.ctl.toneBoxes[c].enabled, tones[c].enabled);
    }
    for (int slot = 0; slot < 8; ++slot) EXPECT_EQ(p.ctl.keyBoxes[slot].index, keys[slot].index);
    EXPECT_TRUE(p.ctl.CheckBox3);
    EXPECT_EQ(p.ctl.ListBox1.index, 0);
    EXPECT_FALSE(p.BulkUpdateGuard);
    EXPECT_TRUE(p.ctl.Timer1);
    EXPECT_TRUE(p.ctl.Button5Visible);
    EXPECT_TRUE(p.ctl.Button6Visible);

    // The scan box acts on the plan again.
    SetCheckBox1(p, true);
    EXPECT_TRUE(p.plan[0].Has(ChannelFlag::Scan));
}

TEST_F(LinkTest, ASuccessfulReadReplacesThePlanAndSelectsChannelOne) {
    FormCreate(p);
    EditAPlan();
    p.ctl.ListBox1.index = 3;
    Fault(QStringLiteral("none"));
    Button5Click(p);
    ExpectInformation(QStringLiteral("Параметры прочитаны"));
    const auto held = sim->Image();
    ASSERT_TRUE(held);
    EXPECT_EQ(p.ctl.ListBox1.index, 0);
    EXPECT_FALSE(p.BulkUpdateGuard);
    EXPECT_TRUE(p.ctl.Timer1);
    for (int c = 0; c < kChannelCount; ++c) {
        ChannelEntry expected = held->Record(c);
        expected.flags &= static_cast<std::uint8_t>(~ChannelFlag::Unused);
        EXPECT_EQ(p.plan[c].rxCode, expected.rxCode) << c;
        EXPECT_EQ(p.plan[c].txCode, expected.txCode) << c;
        if (!expected.IsEmpty()) {
            EXPECT_EQ(p.ctl.Cell(c + 1, Column::Receive).isEmpty(), expected.rxCode == NoFrequency);
        }
    }
    // Re-encoding what was read gives the radio's settings back (the times it holds are on the
    // lists the window offers).
    EncodeSettings(p);
    EXPECT_EQ(p.image.settings, held->settings);
}

TEST_F(LinkTest, AnEncodingErrorInAWriteSendsNothingButRestoresButtonsAndWatch) {
    p.ctl.ComboBox29.SetText(QStringLiteral("abc"));
    EXPECT_THROW(Button6Click(p), ConversionError);
    EXPECT_TRUE(p.ctl.Button5Visible);
    EXPECT_TRUE(p.ctl.Button6Visible);
    EXPECT_TRUE(p.ctl.Timer1);
    EXPECT_TRUE(ReceivedFrames(sim->Log()).empty());

    p.ctl.ComboBox29.SetText(QStringLiteral("1"));
    p.ctl.ComboBox4.SetText(QStringLiteral("400"));  // 80 000 does not fit the radio's field
    EXPECT_THROW(Button6Click(p), RangeError);
    EXPECT_TRUE(ReceivedFrames(sim->Log()).empty());
}

TEST_F(LinkTest, TheWatchSeesTheAnnouncementWithoutWaitingForIt) {
    Timer1Timer(p);
    EXPECT_TRUE(p.ctl.Timer1);
    EXPECT_TRUE(p.ctl.Label39.isEmpty());

    ASSERT_TRUE(sim->Command(QStringLiteral("announce")).ok);
    QElapsedTimer clock;
    clock.start();
    while (p.ctl.Timer1 && clock.elapsed() < 3000) {
        Timer1Timer(p);
        QThread::msleep(kWatchIntervalMs);
    }
    EXPECT_FALSE(p.ctl.Timer1);
    EXPECT_EQ(p.ctl.Label39, QStringLiteral("Устройство подключено."));

    // A port change empties the text and watches the new port.
    ComboBox1Change(p);
    EXPECT_TRUE(p.ctl.Label39.isEmpty());
    EXPECT_TRUE(p.ctl.Timer1);
}

TEST_F(LinkTest, AHungUpLineEndsTheExchangeWithItsMessage) {
    Fault(QStringLiteral("hangup"));
    EXPECT_FALSE(ReadParameters(p, 0));
    ExpectError(QStringLiteral("Нет ответа от радиостанции"));
    EXPECT_FALSE(WriteParameters(p));
    ExpectError(QStringLiteral("Ошибка записи каналов радиостанции."));
}

TEST(PortTest, APortThatCannotOpenShowsWhyAndTheExchangesFailAtOnce) {
    ProgramState p;
    ScriptedOperator op;
    p.op = &op;
    p.ctl.ComboBox1.SetText(QStringLiteral("/dev/belvan-no-such-port"));
    ComboBox1Change(p);
    EXPECT_EQ(p.ctl.Label1, QStringLiteral("используется."));
    EXPECT_TRUE(p.ctl.label1Red);
    EXPECT_TRUE(p.ctl.label1Reason.contains(QStringLiteral("не найден")));

    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(ReadParameters(p, 0));
    EXPECT_EQ(op.Last().text, QStringLiteral("Нет ответа от радиостанции"));
    EXPECT_FALSE(WriteParameters(p));
    EXPECT_EQ(op.Last().text, QStringLiteral("Ошибка записи каналов радиостанции."));
    EXPECT_LT(clock.elapsed(), 1500);  // no waits on a port that is not there

    p.ctl.ComboBox1.SetText(QString());
    ComboBox1Change(p);
    EXPECT_EQ(p.ctl.Label1, QStringLiteral("используется."));
}

TEST(PortTest, APortHeldByAnotherProgramIsInUse) {
    RadioSimProcess sim;
    const QString device = sim.Start({QStringLiteral("--no-announce")});
    ASSERT_FALSE(device.isEmpty());
    ProgramState first;
    ProgramState second;
    ASSERT_TRUE(OpenPort(first, device));
    EXPECT_FALSE(OpenPort(second, device));
    EXPECT_TRUE(second.PortHandle->FailureReason().contains(QStringLiteral("занят")));
    ClosePort(first);
    EXPECT_TRUE(OpenPort(second, device));
}

TEST(PortTest, ComNamesMapToSerialDevicesWhereThereAreNone) {
#ifdef Q_OS_WIN
    EXPECT_EQ(DeviceForPortName(QStringLiteral("COM3")), QStringLiteral("COM3"));
#else
    EXPECT_EQ(DeviceForPortName(QStringLiteral("COM1")), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(DeviceForPortName(QStringLiteral("COM12")), QStringLiteral("/dev/ttyS11"));
    EXPECT_EQ(DeviceForPortName(QStringLiteral("/dev/ttyUSB0")), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(DeviceForPortName(QStringLiteral("com1")), QStringLiteral("com1"));
#endif
}

}  // namespace
}  // namespace belvan

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
