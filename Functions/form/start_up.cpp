#include "start_up.h"

#include "form/program_state.h"
#include "form/radio_handlers.h"
#include "plan/channel_editing.h"
#include "plan/step_rules.h"

namespace belvan {

void FormCreate(ProgramState& p) {
    static const char16_t* const kHeadings[kGridColumns] = {
        u" №", u"  На прием", u"На передачу", u"Скан.", u"Маск.", u"CTSS", u"Несущ.", u"Шаг"};
    for (int column = 0; column < kGridColumns; ++column)
        p.ctl.Cell(0, column) = QString::fromUtf16(kHeadings[column]);
    for (int row = 1; row < kGridRows; ++row)
        p.ctl.Cell(row, Column::Number) = QStringLiteral("%1").arg(row, 2, 10, QChar(u'0'));

    p.ctl.ListBox1.index = 0;
    ComboBox1Change(p);
    StepChanged(p);  // RadioButton2Click, with "25 кГц." selected
    p.ctl.ListBox1.index = 0;
    p.ctl.ListBox2.index = 0;
    ClearAllChannels(p);
}

}  // namespace belvan
