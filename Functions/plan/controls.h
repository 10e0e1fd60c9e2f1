// The state of the window's controls as plain data: what the operations read and write, and what
// the window paints. The operations never touch a widget; the window repaints from this.
#pragma once

#include <QString>
#include <QStringList>
#include <array>

#include "channel_entry.h"

namespace belvan {

inline constexpr int kGridColumns = 8;
inline constexpr int kGridRows = 17;  // heading row + 16 channels

// Columns of StringGrid1.
namespace Column {
inline constexpr int Number = 0;
inline constexpr int Receive = 1;
inline constexpr int Transmit = 2;
inline constexpr int Scan = 3;
inline constexpr int Masking = 4;
inline constexpr int Ctcss = 5;
inline constexpr int Carrier = 6;
inline constexpr int Step = 7;
}  // namespace Column

// Texts of the mark cells.
namespace CellText {
inline const QString ScanOn = QStringLiteral("    +");
inline const QString ScanOff = QStringLiteral("    -");
inline const QString MaskOn = QStringLiteral("    +");  // written by the masking box
inline const QString MaskOff = QStringLiteral("    -");
inline const QString MaskShownOn = QStringLiteral("     +");  // written when a channel is shown
inline const QString MaskShownOff = QStringLiteral("     -");
inline const QString CtcssOn = QStringLiteral("   +");  // enables the channel's tone box
inline const QString CtcssOff = QStringLiteral("   -");
inline const QString CarrierOn = QStringLiteral("     +");
inline const QString CarrierOff = QStringLiteral("     -");
inline const QString Step25 = QStringLiteral(" 25");
inline const QString Step12_5 = QStringLiteral(" 12,5");
}  // namespace CellText

// An editable drop-down box: its list, the selected position (-1: none) and its text.
struct ComboState {
    QStringList items;
    int index = -1;
    QString text;
    bool enabled = true;

    // Select a list position; its item becomes the text (-1 leaves the text empty).
    void Select(int position);
    // Set the text; the position becomes that of the item with exactly this text, or -1.
    void SetText(const QString& newText);

    bool operator==(const ComboState&) const = default;
};

// A single-selection list box.
struct ListState {
    QStringList items;
    int index = -1;
    QString Selected() const {
        return index >= 0 && index < items.size() ? items[index] : QString();
    }

    bool operator==(const ListState&) const = default;
};

struct Controls {
    // Window caption.
    QString caption = QStringLiteral("Belvan-T");

    // Top strip: port box, its state and the connection text.
    ComboState ComboBox1;
    QString Label1;
    bool label1Red = false;
    QString label1Reason;  // why the port did not open; shown as the label's tooltip
    QString Label39;
    bool Timer1 = true;  // the connection watch's timer is running

    // Channel area.
    ListState ListBox1;  // channels "01".."16"
    ListState ListBox2;  // MHz
    ListState ListBox3;  // kHz, rebuilt on every step change
    std::array<std::array<QString, kGridColumns>, kGridRows> StringGrid1;
    std::array<bool, kChannelCount> channelMarks{};  // Label6 .. Label21

    // Current channel.
    bool CheckBox1 = false;     // "Сканировать частоту"
    bool CheckBox2 = false;     // "Включить маскирование"
    bool RadioButton6 = false;  // "По CTSS"
    bool RadioButton8 = false;  // "По несущей"
    bool RadioButton1 = false;  // "12,5 кГц."
    bool RadioButton2 = true;   // "25 кГц."

    // Radio-wide parameters.
    ComboState ComboBox4;                             // wait time, seconds
    ComboState ComboBox29;                            // maximum transmit time, minutes
    ComboState ComboBox30;                            // transmit-off time, seconds
    std::array<ComboState, kChannelCount> toneBoxes;  // ComboBox5 .. ComboBox20
    std::array<ComboState, 8> keyBoxes;               // ComboBox21 .. ComboBox28: F1 1-4, F2 1-4
    bool CheckBox3 = false;                           // "Клонирование"
    bool CheckBox6 = false;                           // "Приор. сканир."
    bool RadioButton9 = true;                         // "Рабочий режим"
    bool RadioButton10 = false;                       // "Тест", hidden
    bool RadioButton11 = false;                       // "Прогон", hidden
    bool RadioButton12 = false;                       // "Настройка", hidden

    // Read and write buttons; hidden while an exchange runs.
    bool Button5Visible = true;
    bool Button6Visible = true;

    int SelectedChannel() const { return ListBox1.index; }
    QString& Cell(int row, int column) { return StringGrid1[row][column]; }
    const QString& Cell(int row, int column) const { return StringGrid1[row][column]; }

    bool operator==(const Controls&) const = default;
};

// The key-function list: list A, or list B with the short names of positions 2 and 3.
QStringList KeyFunctionItems(bool shortNames);

// The controls as the form creates them, before FormCreate runs.
Controls DesignControls();

}  // namespace belvan
