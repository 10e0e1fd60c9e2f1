// The channel table as the operator types into it and edits several channels at once: a
// frequency typed into a receive or transmit cell, Space on a scan or masking cell, rows
// selected with Shift and Ctrl, a menu of commands for the selected rows (the table's context
// menu, and "Правка" → "Выбранные каналы"), and a channel moved up or down.
#pragma once

#include <QObject>
#include <QString>
#include <vector>

#include "plan/several_channels.h"

class QAction;
class QMenu;

namespace belvan {

class TForm1;

class ChannelTableEditor : public QObject {
  public:
    explicit ChannelTableEditor(TForm1* form);

    // The commands for the selected rows: step, scan, masking, detection, tone, clear, and the
    // moves of the selected channel.
    QMenu* Menu() const { return menu_; }
    QAction* ClearAction;
    QAction* MoveUpAction;
    QAction* MoveDownAction;

    // The channels the commands act on: the table's selected rows, or the selected channel when
    // no row is selected; 0-based and in order.
    std::vector<int> ChosenChannels() const;
    // After each repaint: the table's current row is the selected channel. When the channel was
    // chosen elsewhere (the № list, a read, a move) its row alone becomes the selection.
    void FollowSelectedChannel();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildMenu();
    void Choose(int row);
    void FillTyped(int row, int column, const QString& text);
    void Toggle(int row, int column);
    void ChangeChosen(const QString& step, const QString& done, ChannelChange change);
    void SetTone(int tone);
    void Move(int by);

    TForm1* form_;
    QMenu* menu_ = nullptr;
    bool pressedOnCurrent_ = false;  // the last press landed on the current row
};

}  // namespace belvan
