#include "channel_sheet.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include "core/texts.h"
#include "image/decoding.h"
#include "plan/controls.h"
#include "plan/ctcss_table.h"
#include "plan/frequency.h"

namespace belvan {

namespace {

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString ToneText(std::uint16_t number) {
    if (number == 0) return {};
    if (number > kToneCount) return QStringLiteral("№ %1 (нет в таблице)").arg(number);
    return ToneNumberText(number) + QStringLiteral(" — ") + ToneHzText(number) +
           QStringLiteral(" Гц");
}

QString DetectionText(const ChannelEntry& e) {
    const bool ctcss = e.Has(ChannelFlag::DetectCtcss);
    const bool carrier = e.Has(ChannelFlag::DetectCarrier);
    if (ctcss && carrier) return QStringLiteral("CTSS и несущая");
    if (ctcss) return QStringLiteral("по CTSS");
    if (carrier) return QStringLiteral("по несущей");
    return QStringLiteral("—");
}

QString Mark(bool on) {
    return on ? QStringLiteral("+") : QStringLiteral("−");
}

QString OnOff(bool on) {
    return on ? QStringLiteral("включено") : QStringLiteral("выключено");
}

QString ModeText(std::uint8_t mode) {
    const QString name = OperatingModeName(mode);
    return name.isEmpty() ? QStringLiteral("код %1").arg(mode) : name;
}

QString KeyName(std::uint8_t code) {
    const int position = KeyIndexFromCode(code);
    if (position == 0 && code != kNoFunctionCode) return QStringLiteral("код %1").arg(code);
    if (position == 0) return QStringLiteral("—");
    return KeyFunctionItems(false).at(position);
}

// `count` units of `unitMs` in whole `per`-ms units, or with up to three decimals.
QString Duration(unsigned count, unsigned unitMs, unsigned per, const QString& unit) {
    const unsigned long long ms = static_cast<unsigned long long>(count) * unitMs;
    return DecimalText(ms, per) + QStringLiteral("&nbsp;") + unit;
}

}  // namespace

QPageLayout SheetPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 12, 15, 12),
                       QPageLayout::Millimeter);
}

QString ChannelSheetHtml(const ParameterImage& image, const QString& title, const QDateTime& when) {
    const QString table = QStringLiteral(
        "<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"7\" "
        "style=\"border-collapse: collapse; border-color: #666; border-style: solid;\">");
    const QString heading = QStringLiteral(
        "<p style=\"font-size: 13pt; font-weight: bold; margin-top: 16px; margin-bottom: 6px;\">"
        "%1</p>");
    const QString grey = QStringLiteral(" bgcolor=\"#dddddd\" valign=\"middle\"");
    QString html = QStringLiteral(
                       "<html><body style=\"font-family: 'DejaVu Sans', Arial, sans-serif; "
                       "font-size: 10pt;\">"
                       "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\"><tr>"
                       "<td><span style=\"font-size: 22pt; font-weight: bold;\">%1</span><br>"
                       "<span style=\"font-size: 12pt; color: #444;\">Радиостанция Belvan-T · "
                       "план каналов</span></td>"
                       "<td align=\"right\" valign=\"bottom\" style=\"font-size: 12pt;\">%2</td>"
                       "</tr></table><hr>")
                       .arg(Escaped(title), when.toString(QStringLiteral("dd.MM.yyyy HH:mm")));

    html += heading.arg(QStringLiteral("Каналы")) + table;
    html += QStringLiteral(
                "<tr style=\"font-weight: bold; font-size: 9pt;\"><td%1 "
                "align=\"center\" width=\"6%\">№</td>"
                "<td%1 align=\"right\" width=\"14%\">Приём, МГц</td>"
                "<td%1 align=\"right\" width=\"15%\">Передача, МГц</td>"
                "<td%1 align=\"center\" width=\"8%\">Шаг, кГц</td>"
                "<td%1 align=\"center\" width=\"8%\">Скан.</td>"
                "<td%1 align=\"center\" width=\"9%\">Маск.</td>"
                "<td%1 width=\"20%\">Детектирование</td><td%1>Тон CTSS</td></tr>")
                .arg(grey);
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelEntry e = image.Record(c);
        const QString shade = c % 2 == 1 ? QStringLiteral(" bgcolor=\"#f3f3f3\"") : QString();
        const QString number = QStringLiteral("%1").arg(c + 1, 2, 10, QLatin1Char('0'));
        if (e.IsEmpty()) {
            html += QStringLiteral(
                        "<tr><td%1 align=\"center\"><b>%2</b></td><td%1 colspan=\"7\" "
                        "style=\"color: #999;\">не задан</td></tr>")
                        .arg(shade, number);
            continue;
        }
        html += QStringLiteral(
                    "<tr><td%1 align=\"center\"><b>%2</b></td><td%1 align=\"right\"><b>%3</b></td>"
                    "<td%1 align=\"right\"><b>%4</b></td><td%1 align=\"center\">%5</td>"
                    "<td%1 align=\"center\">%6</td><td%1 align=\"center\">%7</td><td%1>%8</td>"
                    "<td%1>%9</td></tr>")
                    .arg(shade, number,
                         e.rxCode == NoFrequency ? QStringLiteral("—")
                                                 : MhzText(HzOfCode(e.rxCode), MhzStyle::Column),
                         e.txCode == NoFrequency ? QStringLiteral("—")
                                                 : MhzText(HzOfCode(e.txCode), MhzStyle::Column),
                         e.Has(ChannelFlag::Step25) ? QStringLiteral("25") : QStringLiteral("12,5"),
                         Mark(e.Has(ChannelFlag::Scan)), Mark(e.Has(ChannelFlag::Masking)),
                         DetectionText(e), Escaped(ToneText(e.toneNumber)));
    }
    html += QStringLiteral("</table>");

    const SettingsBlock& s = image.settings;
    auto pair = [&grey](const QString& name, const QString& value) {
        return QStringLiteral("<td%1 width=\"26%\">%2</td><td width=\"24%\"><b>%3</b></td>")
            .arg(grey, name, value);
    };
    html += heading.arg(QStringLiteral("Параметры работы радиостанции")) + table;
    html += QStringLiteral("<tr>%1%2</tr><tr>%3%4</tr><tr>%5%6</tr>")
                .arg(pair(QStringLiteral("Режим работы"),
                          Escaped(ModeText(s[SettingsOffset::operatingMode]))),
                     pair(QStringLiteral("Время ожидания"),
                          Duration(image.SettingsWord(SettingsOffset::waitTime), 5, 1000,
                                   QStringLiteral("с"))),
                     pair(QStringLiteral("Клонирование"),
                          OnOff(s[SettingsOffset::modeFlags] & ModeFlag::Cloning)),
                     pair(QStringLiteral("Макс. время передачи"),
                          Duration(image.SettingsWord(SettingsOffset::maxTransmitTime), 50, 60000,
                                   QStringLiteral("мин"))),
                     pair(QStringLiteral("Приоритетное сканирование"),
                          OnOff(s[SettingsOffset::modeFlags] & ModeFlag::PriorityScan)),
                     pair(QStringLiteral("Время откл. передачи"),
                          Duration(image.SettingsWord(SettingsOffset::transmitOffTime), 50, 1000,
                                   QStringLiteral("с"))));
    html += QStringLiteral("</table>");

    html += heading.arg(QStringLiteral("Функции клавиш")) + table;
    html += QStringLiteral("<tr style=\"font-weight: bold;\"><td%1 width=\"16%\">Клавиша</td>")
                .arg(grey);
    for (int slot = 1; slot <= kKeySlots; ++slot)
        html += QStringLiteral("<td%1 width=\"21%\">%2</td>").arg(grey).arg(slot);
    html += QStringLiteral("</tr>");
    for (const auto& [name, offset] : {std::pair{QStringLiteral("F1"), SettingsOffset::f1Keys},
                                       std::pair{QStringLiteral("F2"), SettingsOffset::f2Keys}}) {
        html += QStringLiteral("<tr><td%1><b>%2</b></td>").arg(grey, name);
        for (int slot = 0; slot < kKeySlots; ++slot)
            html += QStringLiteral("<td>%1</td>").arg(Escaped(KeyName(s[offset + slot])));
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral(
        "</table>"
        "<p style=\"margin-top: 28px;\">Программировал: ____________________ &nbsp; "
        "Дата: ____________ &nbsp; Подпись: ______________</p>"
        "</body></html>");
    return html;
}

bool PaintChannelSheet(const ParameterImage& image, const QString& title, const QDateTime& when,
                       QPagedPaintDevice& device) {
    QPainter painter;
    if (!painter.begin(&device)) return false;
    const QRectF page = device.pageLayout().paintRectPixels(device.logicalDpiX());

    QTextDocument document;
    document.documentLayout()->setPaintDevice(&device);
    document.setDocumentMargin(0);
    document.setHtml(ChannelSheetHtml(image, title, when));
    document.setTextWidth(page.width());
    // One page whatever the fonts: a document taller than the page is drawn smaller.
    const qreal height = document.size().height();
    if (height > page.height()) {
        const qreal scale = page.height() / height;
        document.setTextWidth(page.width() / scale);
        painter.scale(scale, scale);
    }
    document.drawContents(&painter);
    return painter.end();
}

QByteArray ChannelSheetPdf(const ParameterImage& image, const QString& title,
                           const QDateTime& when) {
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        writer.setPageLayout(SheetPageLayout());
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Belvan-T"));
        if (!PaintChannelSheet(image, title, when, writer)) return {};
    }
    return pdf;
}

}  // namespace belvan
