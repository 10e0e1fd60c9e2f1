// The form's radio handlers and the link object, in memory: what a read or a write leaves in the
// plan, the watch's answers, backups and checks after a write, and a port lost and found again.
#include <gtest/gtest.h>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "all_functions.h"
#include "program_start.h"
#include "scripted_operator.h"

namespace belvan {
namespace {

using testing::ScriptedOperator;
using testing::Text;

// What the form asked of the link, in order, and the id of the last exchange asked for.
struct RecordedRequests : LinkRequests {
    void OpenPort(const QString& name) override { asked << QStringLiteral("open ") + name; }
    void Poll(quint64 ticket) override { asked << QStringLiteral("poll %1").arg(ticket); }
    void Read(quint64 id) override {
        asked << QStringLiteral("read");
        last = id;
    }
    void Write(quint64 id, const ParameterImage& image) override {
        asked << QStringLiteral("write");
        written = image;
        last = id;
    }
    void DiscardInput() override { asked << QStringLiteral("discard"); }
    QStringList asked;
    ParameterImage written{};
    quint64 last = 0;
};

ReadResult ReadOf(const ParameterImage& image) {
    ReadResult result;
    result.outcome = ExchangeOutcome::Read;
    result.image = image;
    result.frame = BuildDataFrame(image, 0);
    result.frameBytes = kDataFrameSize;
    result.replyByte = kAcknowledge;
    return result;
}

class FormLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        p.link.requests = &link;
        p.prefs.backupFolder = backups.path();
        testing::StartProgram(p, op);
        PortStateChanged(p, {p.ctl.ComboBox1.text, true, false, {}, {}});
    }
    // Channel 1 on 150,000/150,025 MHz with tone 7, a 3 s wait time.
    void EditAPlan() {
        p.ctl.ListBox1.index = 0;
        p.ctl.ListBox2.index = 4;
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
    RecordedRequests link;
    QTemporaryDir backups;
};

TEST_F(FormLinkTest, AFailedReadLeavesThePlanTheWindowAndTheWatchAsTheyWere) {
    EditAPlan();
    p.ctl.CheckBox3 = true;
    p.ctl.keyBoxes[1].Select(4);
    const ChannelPlan plan = p.plan;
    const auto grid = p.ctl.StringGrid1;
    const auto tones = p.ctl.toneBoxes;

    for (const ExchangeOutcome failure :
         {ExchangeOutcome::ChecksumB, ExchangeOutcome::NoAnswer, ExchangeOutcome::LineLost}) {
        Button5Click(p);
        EXPECT_EQ(link.asked.last(), QStringLiteral("read"));
        EXPECT_FALSE(p.ctl.Timer1);
        EXPECT_FALSE(p.ctl.Button5Visible);
        EXPECT_TRUE(p.link.jobs.Running());
        ReadResult result;
        result.outcome = failure;
        ReadFinished(p, link.last, result);
        EXPECT_EQ(op.Last().text, OutcomeText(failure));
        EXPECT_EQ(op.Last().caption, QStringLiteral("Ошибка"));
        EXPECT_EQ(op.Last().icon, MessageIcon::Error);
        // What came while the box was open is dropped once it is closed.
        EXPECT_EQ(link.asked.last(), QStringLiteral("discard"));
        EXPECT_EQ(p.plan, plan);
        EXPECT_EQ(p.ctl.StringGrid1, grid);
        for (int c = 0; c < kChannelCount; ++c) EXPECT_EQ(p.ctl.toneBoxes[c].text, tones[c].text);
        EXPECT_EQ(p.ctl.keyBoxes[1].index, 4);
        EXPECT_TRUE(p.ctl.CheckBox3);
        EXPECT_EQ(p.ctl.ListBox1.index, 0);
        EXPECT_FALSE(p.BulkUpdateGuard);
        EXPECT_TRUE(p.ctl.Timer1);
        EXPECT_TRUE(p.ctl.Button5Visible && p.ctl.Button6Visible);
        EXPECT_FALSE(p.link.jobs.Running());
    }
    // The scan box acts on the plan again.
    SetCheckBox1(p, true);
    EXPECT_TRUE(p.plan[0].Has(ChannelFlag::Scan));
}

TEST_F(FormLinkTest, ASuccessfulReadReplacesThePlanAndAWriteSendsWhatTheWindowEncodes) {
    EditAPlan();
    Button6Click(p);
    ASSERT_EQ(link.asked.last(), QStringLiteral("write"));
    const ParameterImage sent = link.written;
    EXPECT_EQ(sent.Record(0).rxCode, 320);
    EXPECT_EQ(sent.Record(0).toneNumber, 7);
    EXPECT_EQ(sent.SettingsWord(SettingsOffset::waitTime), 600);
    WriteResult written;
    written.outcome = ExchangeOutcome::Written;
    WriteFinished(p, link.last, written);
    EXPECT_EQ(op.Last().text, QStringLiteral("Параметры записаны"));
    EXPECT_EQ(op.Last().caption, QStringLiteral("Belvan-T"));
    EXPECT_TRUE(p.ctl.Timer1);

    // What the radio sends back is the plan from then on: channel 1 selected, the settings
    // decoded so that they encode to the same bytes.
    ClearAllChannels(p);
    p.ctl.ListBox1.index = 3;
    Button5Click(p);
    ReadFinished(p, link.last, ReadOf(sent));
    EXPECT_EQ(op.Last().text, QStringLiteral("Параметры прочитаны"));
    EXPECT_EQ(op.Last().icon, MessageIcon::Information);
    EXPECT_EQ(p.ctl.ListBox1.index, 0);
    EXPECT_EQ(p.ctl.Cell(1, Column::Receive), QStringLiteral("    150000"));
    EXPECT_EQ(p.ctl.toneBoxes[0].text.left(2), QStringLiteral("07"));
    EXPECT_FALSE(p.BulkUpdateGuard);
    EncodeSettings(p);
    CopyChannelsToImage(p);
    EXPECT_EQ(p.image, sent);
}

TEST_F(FormLinkTest, AnEncodingErrorInAWriteSendsNothingButRestoresButtonsAndWatch) {
    p.ctl.ComboBox29.SetText(QStringLiteral("abc"));
    Button6Click(p);
    EXPECT_EQ(op.Last().text, QStringLiteral("'abc' is not a valid integer value"));
    EXPECT_EQ(op.Last().icon, MessageIcon::Error);
    EXPECT_TRUE(p.ctl.Button5Visible && p.ctl.Button6Visible);
    EXPECT_TRUE(p.ctl.Timer1);
    EXPECT_FALSE(p.link.jobs.Running());
    p.ctl.ComboBox29.SetText(QStringLiteral("1"));
    p.ctl.ComboBox4.SetText(QStringLiteral("400"));  // 80 000 does not fit the radio's field
    op.Clear();
    Button6Click(p);
    EXPECT_EQ(op.shown.size(), 1u);
    EXPECT_FALSE(link.asked.contains(QStringLiteral("write")));
}

TEST_F(FormLinkTest, TheWatchTakesOnlyTheAnswerItWaitsFor) {
    Timer1Timer(p);
    EXPECT_FALSE(p.ctl.Timer1);
    EXPECT_EQ(link.asked.last(), QStringLiteral("poll 1"));
    PollFinished(p, 1, false);
    EXPECT_TRUE(p.ctl.Timer1);

    // An answer that comes after a read began, or after the port changed, is dropped.
    Timer1Timer(p);
    Button5Click(p);
    PollFinished(p, 2, true);
    EXPECT_TRUE(p.ctl.Label39.isEmpty());
    EXPECT_FALSE(p.ctl.Timer1);
    ReadFinished(p, link.last, ReadResult{});
    Timer1Timer(p);
    ComboBox1Change(p);
    PollFinished(p, 3, true);
    EXPECT_TRUE(p.ctl.Label39.isEmpty());

    Timer1Timer(p);
    PollFinished(p, 4, true);
    EXPECT_EQ(p.ctl.Label39, QStringLiteral("Устройство подключено."));
    EXPECT_FALSE(p.ctl.Timer1);

    // The device goes away: said in Label1, nothing is connected, the dead line is not polled;
    // when it comes back it is watched again.
    PortStateChanged(p, {p.ctl.ComboBox1.text, false, true, DeviceDisconnected(), {}});
    EXPECT_EQ(p.ctl.Label1, QStringLiteral("используется."));
    EXPECT_TRUE(p.ctl.label1Red);
    EXPECT_EQ(p.ctl.label1Reason, kDeviceDisconnected);
    EXPECT_TRUE(p.ctl.Label39.isEmpty());
    EXPECT_FALSE(p.ctl.Timer1);
    PortStateChanged(p, {p.ctl.ComboBox1.text, true, false, {}, {}});
    EXPECT_EQ(p.ctl.Label1, QStringLiteral("открыт."));
    EXPECT_FALSE(p.ctl.label1Red);
    EXPECT_TRUE(p.ctl.Timer1);
}

TEST_F(FormLinkTest, AWriteIsReadBackAndComparedWhenAskedWithoutTouchingThePlan) {
    p.prefs.verifyAfterWrite = true;
    EditAPlan();
    Button6Click(p);
    const ParameterImage sent = link.written;
    WriteResult written;
    written.outcome = ExchangeOutcome::Written;
    const auto before = op.shown.size();
    EXPECT_FALSE(WriteFinished(p, link.last, written));
    EXPECT_EQ(op.shown.size(), before) << "the check speaks first";
    EXPECT_EQ(link.asked.last(), QStringLiteral("read"));
    EXPECT_TRUE(p.link.jobs.Unconfirmed());
    EXPECT_FALSE(p.ctl.Button5Visible);
    const ChannelPlan plan = p.plan;
    const auto grid = p.ctl.StringGrid1;

    ParameterImage held = sent;
    ChannelEntry changed = held.Record(0);
    changed.rxCode += 2;
    held.SetRecord(0, changed);
    const auto mismatch = ReadFinished(p, link.last, ReadOf(held));
    ASSERT_TRUE(mismatch);
    EXPECT_FALSE(PlanIsTheRadios(*mismatch));
    ASSERT_EQ(op.shown.size(), before + 1);
    EXPECT_EQ(op.Last().icon, MessageIcon::Error);
    EXPECT_TRUE(op.Last().text.startsWith(QStringLiteral("Радиостанция подтвердила запись")));
    EXPECT_TRUE(op.Last().text.contains(QStringLiteral("канал 01"))) << Text(op.Last().text);
    EXPECT_TRUE(p.statusLine.startsWith(QStringLiteral("Запись подтверждена, но")));
    EXPECT_EQ(p.plan, plan);
    EXPECT_EQ(p.ctl.StringGrid1, grid);
    EXPECT_FALSE(p.link.jobs.Running());
    EXPECT_TRUE(p.ctl.Button5Visible && p.ctl.Timer1);
    EXPECT_TRUE(QDir(backups.path()).isEmpty()) << "a check is no read to keep";

    // A check that agrees gives the one box "Параметры записаны"; the status line adds the check.
    Button6Click(p);
    WriteFinished(p, link.last, written);
    const auto boxes = op.shown.size();
    const auto agreed = ReadFinished(p, link.last, ReadOf(sent));
    ASSERT_TRUE(agreed);
    EXPECT_TRUE(PlanIsTheRadios(*agreed));
    ASSERT_EQ(op.shown.size(), boxes + 1);
    EXPECT_EQ(op.Last().text, QStringLiteral("Параметры записаны"));
    EXPECT_EQ(p.statusLine, QStringLiteral("Параметры записаны. Запись проверена"));
}

TEST_F(FormLinkTest, CompareListsWhatTheRadioHoldsOtherwiseAndChangesNothing) {
    EditAPlan();
    const ChannelPlan plan = p.plan;
    const auto grid = p.ctl.StringGrid1;
    const ParameterImage onScreen = MakeImage(p.plan, p.ctl, p.image)->image;

    CompareWithRadio(p);
    EXPECT_EQ(link.asked.last(), QStringLiteral("read"));
    EXPECT_FALSE(p.ctl.Button5Visible);
    ReadFinished(p, link.last, ReadOf(onScreen));
    EXPECT_EQ(op.Last().text, QStringLiteral("План на экране и радиостанция совпадают."));
    EXPECT_TRUE(p.ctl.Button5Visible && p.ctl.Timer1);

    // Twenty channels' worth of differences: the first 16 and how many more.
    ParameterImage other = onScreen;
    for (int c = 0; c < kChannelCount; ++c) {
        ChannelEntry entry = other.Record(c);
        entry.rxCode = std::uint16_t(c + 40);
        other.SetRecord(c, entry);
    }
    for (int offset = 0; offset < 4; ++offset) other.settings[std::size_t(offset)] ^= 0x5A;
    CompareWithRadio(p);
    const auto compared = ReadFinished(p, link.last, ReadOf(other));
    ASSERT_TRUE(compared);
    EXPECT_FALSE(PlanIsTheRadios(*compared)) << "a compare keeps the plan as it was";
    EXPECT_EQ(op.Last().icon, MessageIcon::Warning);
    EXPECT_TRUE(op.Last().text.contains(QStringLiteral("канал 01: частота приёма: 150000 →")))
        << Text(op.Last().text);
    EXPECT_TRUE(op.Last().text.endsWith(QStringLiteral("… и ещё 5"))) << Text(op.Last().text);
    EXPECT_EQ(p.plan, plan);
    EXPECT_EQ(p.ctl.StringGrid1, grid);
    // The read is kept as every read is.
    EXPECT_EQ(QDir(backups.path()).entryList(QDir::Files).size(), 2);
}

TEST_F(FormLinkTest, EveryReadIsKeptAsABackupAndAFailedBackupOnlySaysSo) {
    ParameterImage image;
    image.SetSettingsWord(SettingsOffset::waitTime, 400);
    Button5Click(p);
    ReadFinished(p, link.last, ReadOf(image));
    const QFileInfoList kept = QDir(backups.path()).entryInfoList(QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(kept[0].fileName().endsWith(QStringLiteral(".ctrch")));
    const Result<FileBytes> read = ReadSettingsFile(kept[0].filePath());
    ASSERT_TRUE(read);
    EXPECT_EQ(ImageFromFileBytes(*read), image);
    EXPECT_TRUE(p.statusLine.contains(QDir::toNativeSeparators(kept[0].filePath())));

    // A file where the folder should be: the read still succeeds and the status line says why.
    QFile blocker(backups.filePath(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    p.prefs.backupFolder = blocker.fileName();
    Button5Click(p);
    ReadFinished(p, link.last, ReadOf(image));
    EXPECT_EQ(op.Last().text, QStringLiteral("Параметры прочитаны"));
    EXPECT_TRUE(p.statusLine.startsWith(QStringLiteral("Резервная копия не сохранена")));
}

TEST_F(FormLinkTest, OnlyTheAnswerWithTheIdOfTheJobsRequestIsTakenIn) {
    EditAPlan();
    const ChannelPlan plan = p.plan;
    Button5Click(p);
    const quint64 asked = link.last;
    // An answer to an older request (a late one) or to none at all changes nothing.
    for (const quint64 other : {asked - 1, asked + 1}) {
        EXPECT_FALSE(ReadFinished(p, other, ReadOf(ParameterImage{})));
        EXPECT_FALSE(WriteFinished(p, other, WriteResult{}));
        EXPECT_TRUE(p.link.jobs.Running());
        EXPECT_EQ(p.plan, plan);
        EXPECT_TRUE(op.shown.empty());
    }
    const auto read = ReadFinished(p, asked, ReadOf(ParameterImage{}));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->kind, JobKind::Read);
    EXPECT_TRUE(PlanIsTheRadios(*read));
    EXPECT_NE(p.plan, plan);
    EXPECT_FALSE(ReadFinished(p, asked, ReadOf(ParameterImage{}))) << "taken once only";

    // The write's answer to the read's id is no answer to the write.
    Button6Click(p);
    ASSERT_NE(link.last, asked);
    WriteResult written;
    written.outcome = ExchangeOutcome::Written;
    EXPECT_FALSE(WriteFinished(p, asked, written));
    EXPECT_TRUE(p.link.jobs.Running());
    EXPECT_TRUE(WriteFinished(p, link.last, written));
    EXPECT_FALSE(p.link.jobs.Running());
}

// A line the test can pull out and plug back in.
struct Socket {
    bool plugged = true;
    int tries = 0;  // lines made
    MemoryLine* current = nullptr;
    RadioLink::LineFactory Factory() {
        return [this](const QString& name) {
            ++tries;
            auto line = std::make_unique<MemoryLine>(name);
            if (!plugged)
                line->SetOpenFailure(
                    Error{ErrorKind::PortNotFound, QStringLiteral("Порт %1 не найден.").arg(name)});
            current = line.get();
            return line;
        };
    }
};

TEST(RadioLinkTest, ALostLineIsClosedReportedAndOpenedAgainWhenTheDeviceIsBack) {
    Socket socket;
    RadioLink link(socket.Factory());
    QSignalSpy states(&link, &RadioLink::portStateChanged);
    QSignalSpy reads(&link, &RadioLink::readFinished);
    link.OpenPort(QStringLiteral("USB0"));
    ASSERT_EQ(states.size(), 1);
    EXPECT_TRUE(states.last()[0].value<PortState>().open);

    // Pulled out in the middle of a read: the read fails as such, never as a success.
    socket.current->HangUpAt(5);
    socket.plugged = false;
    link.Read(7);
    ASSERT_EQ(reads.size(), 1);
    EXPECT_EQ(reads.last()[0].value<quint64>(), 7u);
    EXPECT_EQ(reads.last()[1].value<ReadResult>().outcome, ExchangeOutcome::LineLost);
    ASSERT_EQ(states.size(), 2);
    const PortState lost = states.last()[0].value<PortState>();
    EXPECT_FALSE(lost.open);
    EXPECT_TRUE(lost.lost);
    EXPECT_EQ(lost.failure, DeviceDisconnected());

    // Tried about once a second, quietly while it is not there; back when the device is.
    const int triedBefore = socket.tries;
    ASSERT_TRUE(QTest::qWaitFor([&] { return socket.tries >= triedBefore + 2; }, 5000));
    EXPECT_EQ(states.size(), 2);
    socket.plugged = true;
    ASSERT_TRUE(states.wait(2000));
    EXPECT_TRUE(states.last()[0].value<PortState>().open);
    EXPECT_EQ(states.last()[0].value<PortState>().name, QStringLiteral("USB0"));
}

}  // namespace
}  // namespace belvan
