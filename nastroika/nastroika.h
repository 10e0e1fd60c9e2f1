// The one window of the tool, Form1 of class TForm1: builds the controls with the form's names,
// captions, items and positions, turns the operator's input into handler calls on the logic and
// repaints every control from the logic's state afterwards.
#pragma once

#include <QFont>
#include <QSet>
#include <QSize>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "form/channel_copy.h"
#include "form/csv_handlers.h"
#include "form/edit_history.h"
#include "form/file_operations.h"
#include "form/link_requests.h"
#include "form/program_state.h"
#include "form/radio_handlers.h"
#include "form/recovery.h"
#include "form/start_up.h"
#include "image/decoding.h"
#include "link/radio_link.h"
#include "plan/channel_editing.h"
#include "plan/step_rules.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScreen;
class QTableWidget;
class QTimer;

namespace belvan {

class ChannelTableEditor;

class TForm1 : public QWidget {
    Q_OBJECT

  public:
    struct Options {
        QString port;                     // replaces the port box's initial text when set
        OperatorInterface* op = nullptr;  // message boxes and dialogs; Qt's when null
        QString file = {};    // a channel-settings file loaded once the window has started
        int extraHeight = 0;  // height of what the window adds around the form (menu, status)
        RadioLink::LineFactory lineFactory = {};  // the serial port when empty
        QString recoveryFolder = {};              // the user's recovery folder when empty
    };
    // The font and scale of the form on a screen: the given font while the form, with the
    // extra height and a title bar, fits the screen's available area; else the largest smaller
    // size, down to a readable minimum, at which it fits (fits is false when none does).
    struct Fit {
        QFont font;
        double scale = 1.0;
        bool fits = true;
    };
    static Fit FitFor(const QScreen* screen, int extraHeight, QFont font);
    // The form's size at its design scale, 710 x 613 pixels, and the room a title bar and window
    // frame are assumed to take.
    static constexpr QSize kDesignSize{710, 613};
    static constexpr QSize kFrameAllowance{8, 38};

    explicit TForm1(const Options& options);
    ~TForm1() override;

    ProgramState& State() { return state_; }
    bool ExchangeRunning() const { return state_.link.jobs.Running(); }

  signals:
    // An exchange with the radio began or ended; the form takes no input meanwhile.
    void exchangeRunningChanged(bool running);
    // The text for the window's status line changed (the last backup, or why there is none).
    void statusLineChanged(const QString& text);
    // A handler ran: the undo history, the unsaved-changes state or the selection may differ.
    void editsChanged();
    // The recovery entries on offer or the recovery file's trouble may differ.
    void recoveryChanged();

  public:
    // The form's controls, by their names.
    QComboBox* ComboBox1;
    QLabel* Label1;
    QLabel* Label39;
    QTimer* Timer1;
    QLabel *Label2, *Label3, *Label4;
    QListWidget *ListBox1, *ListBox2, *ListBox3;
    std::array<QLabel*, kChannelCount> ChannelMarks;  // Label6 .. Label21
    QTableWidget* StringGrid1;
    QGroupBox* GroupBox2;
    QPushButton *Button1, *Button2, *Button3;
    QGroupBox* GroupBox6;
    QPushButton *Button7, *Button8;
    QPushButton *Button11, *Button12, *Button6, *Button5;
    QGroupBox* GroupBox4;
    QCheckBox *CheckBox1, *CheckBox2;
    QGroupBox* GroupBox12;
    QRadioButton *RadioButton6, *RadioButton8;
    QGroupBox* GroupBox1;
    QRadioButton *RadioButton1, *RadioButton2;
    QPushButton* Button4;
    QGroupBox* GroupBox5;
    QComboBox *ComboBox4, *ComboBox29, *ComboBox30;
    QLabel *Label25, *Label37, *Label38;
    QGroupBox* GroupBox8;
    QLabel *Label5, *Label26, *Label27, *Label28;
    std::array<QComboBox*, kChannelCount> ToneBoxes;  // ComboBox5 .. ComboBox20
    QGroupBox *GroupBox10, *GroupBox11;
    std::array<QComboBox*, 8> KeyBoxes;  // ComboBox21 .. ComboBox28
    QCheckBox *CheckBox3, *CheckBox6;
    QRadioButton *RadioButton9, *RadioButton10, *RadioButton11, *RadioButton12;
    QPushButton* Button9;
    // Shown in place of the read and write buttons while an exchange runs.
    QLabel* ExchangeStage;
    QProgressBar* ExchangeProgress;
    // Typing into the channel table and the commands for its selected rows (channel_table.cpp).
    ChannelTableEditor* TableEditor = nullptr;

    // Repaints every control from the state.
    void Repaint();
    // Runs an action of the menu bar the way the form runs its own handlers: the operator's
    // typed texts taken first, an escaping error shown, every control repainted after.
    // A handler that changes what the operator edits is one step of the undo history, named
    // `step`; a handler with an empty name changes nothing that can be undone.
    void RunAction(const std::function<void()>& handler) { Run({}, handler); }
    void RunAction(const QString& step, const std::function<void()>& handler) {
        Run(step, handler);
    }
    // Loads a channel-settings file as "Загрузить настройки" does once its dialog is answered.
    void LoadFile(const QString& path);
    // "Сохранить настройки" and "Загрузить настройки" with their dialogs.
    void SaveSettings();
    // "Сохранить": into the plan's own file (the one in the caption) without a dialog; with the
    // dialog when the plan has none yet.
    void Save();
    void LoadSettings();

    // Undo and redo of the operator's edits; neither touches the radio or a file.
    void Undo();
    void Redo();
    const EditHistory& History() const { return history_; }
    // The plan on screen differs from the one last saved, loaded, read or written.
    bool Modified() const { return history_.IsModified(state_); }
    // "Копировать канал", "Вставить канал" into the selected channel.
    void CopyChannel();
    void PasteChannel();
    bool HasCopiedChannel() const { return copied_.has_value(); }
    // The status line's advice about the port or the last exchange; empty when there is none.
    QString Advice() const { return advice_; }
    // The plan's own file: the one last saved or loaded (or the one a restored plan came from).
    QString LastFile() const { return lastFile_; }

    // The window's recovery journal: its plan with unsaved changes is written to its recovery
    // file within half a second of each change, and at once by KeepRecoveryNow.
    const RecoveryJournal& Recovery() const { return journal_; }
    Status KeepRecoveryNow();
    // The plan of a recovery entry into the window as a load takes a file in: one undo step.
    void RestoreRecovered(const QString& stem);
    // The operator discards a recovery entry.
    Status DiscardRecovered(const QString& stem);

  protected:
    // Refused while an exchange runs; the window then closes when it has ended.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void BuildControls();
    void BindEvents();
    // Runs a handler: the operator's typed texts go into the state first, an error that escapes
    // is shown in a message box, and every control is repainted afterwards.
    void Run(const QString& step, const std::function<void()>& handler);
    // After a handler: the step it made, if any, and whether the plan is now as last kept.
    void RecordStep(const QString& step, const EditedState& before, const QString& fileBefore);
    // The link answered a job of the form's; `ended` is the job's outcome once it ended.
    void JobAnswered(const std::optional<JobOutcome>& ended, ExchangeOutcome exchange);
    // The plan is kept elsewhere now; a plan with unsaved changes that it replaced is kept aside.
    void PlanKept(const EditedState& replaced, const QString& replacedFile, const QString& label);
    void ScheduleKeep();
    void UpdateAdvice();
    void TakeOperatorInput();
    void ConnectLink();
    // While an exchange runs the form's controls are disabled and the progress shows.
    void ShowExchangeState();
    void ShowProgress(const LinkProgress& progress);
    void OpenTypedPort(bool again);
    void Timer1Tick();
    // The watch's answer and the port's state also come behind another handler's message box;
    // then only what they change is painted, and nothing of the operator's input is taken.
    void RunLinkAnswer(const std::function<void()>& handler);
    // The port label, the "connected" label and the watch's timer, from the state.
    void PaintPortStrip();
    int S(int pixels) const;

    ProgramState state_;
    std::unique_ptr<OperatorInterface> ownOperator_;
    double scale_ = 1.0;
    std::unique_ptr<LinkThread> link_;
    std::unique_ptr<LinkRequests> requests_;
    bool exchangeShown_ = false;
    QString statusLineShown_;
    bool closeWhenDone_ = false;
    bool repainting_ = false;
    bool handlerRunning_ = false;
    std::vector<std::function<void()>> deferred_;  // handlers that came while another ran
    QString lastOpenedPort_;
    QSet<QObject*> digitBoxes_;  // ComboBox4 and the tone boxes take digits only
    EditHistory history_;
    std::optional<EditedState> beforeRead_;  // the state a read from the radio started from
    QString fileBeforeRead_;
    bool readBegun_ = false;         // the handler started a read of the radio
    bool readEnded_ = false;         // the handler took the end of a read of the radio
    bool keptAfterHandler_ = false;  // the handler saved, loaded, read or wrote the plan
    std::optional<CopiedChannel> copied_;
    QString advice_;
    QString lastFile_;
    RecoveryJournal journal_;
    QTimer* keepTimer_ = nullptr;
    PlanSnapshot lastKept_;  // the plan last given to the journal
};

}  // namespace belvan
