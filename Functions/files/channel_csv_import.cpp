// Reading a channel list: CSV from this tool or another program into the 16 channels of an image.
#include <QRegularExpression>
#include <QStringTokenizer>
#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <span>
#include <utility>

#include "channel_csv.h"
#include "channel_csv_decoding.h"
#include "channel_csv_shared.h"
#include "channel_csv_table.h"
#include "file_io.h"
#include "plan/ctcss_table.h"
#include "plan/frequency.h"
#include "plan/number_text.h"

namespace belvan {

using namespace csv;

namespace {

enum class Col {
    Location,
    Frequency,
    Duplex,
    Offset,
    Tone,
    rToneFreq,
    cToneFreq,
    Mode,
    TStep,
    Skip,
    Comment,
    Count
};
constexpr std::array<const char*, static_cast<int>(Col::Count)> kColumnNames = {
    "Location",  "Frequency", "Duplex", "Offset", "Tone",   "rToneFreq",
    "cToneFreq", "Mode",      "TStep",  "Skip",   "Comment"};

struct Header {
    std::array<int, static_cast<int>(Col::Count)> index{};  // -1 when the file lacks the column
    std::span<const QStringView> names;                     // as the file spells them, untrimmed

    // The column's name for a note, made once for all the notes of the file.
    const QString& NoteName(Col c) const {
        QString& name = noteNames[static_cast<int>(c)];
        if (name.isNull()) {
            const int at = index[static_cast<int>(c)];
            name = at >= 0 ? names[static_cast<std::size_t>(at)].trimmed().toString()
                           : QString::fromLatin1(kColumnNames[static_cast<int>(c)]);
        }
        return name;
    }

    // The column and the reason of a note on a cell past the header's last column, the i-th
    // from 0, made once for all the rows that have one there.
    const std::pair<QString, QString>& PastHeader(std::size_t i) const {
        const std::size_t past = i - names.size();
        if (past >= pastHeader.size()) pastHeader.resize(past + 1);
        auto& [column, reason] = pastHeader[past];
        if (column.isNull()) {
            const auto number = static_cast<qsizetype>(i + 1);
            column = QStringLiteral("столбец %1").arg(number);
            reason = QStringLiteral("в заголовке нет столбца %1; значение пропущено").arg(number);
        }
        return pastHeader[past];
    }

  private:
    mutable std::array<QString, static_cast<int>(Col::Count)> noteNames;
    mutable std::vector<std::pair<QString, QString>> pastHeader;
};

// The cells are views into the tokenized text; a note copies the little it keeps.
class Row {
  public:
    Row(const Header& header, int line, std::span<const QStringView> cells)
        : header_(header), line_(line), cells_(cells) {}
    bool Has(Col c) const { return header_.index[static_cast<int>(c)] >= 0; }
    QStringView Cell(Col c) const {
        const auto at = static_cast<std::size_t>(header_.index[static_cast<int>(c)]);
        return Has(c) && at < cells_.size() ? cells_[at].trimmed() : QStringView();
    }
    CsvRowNote Note(Col c, const QString& reason) const {
        return {line_, header_.NoteName(c), Cell(c).toString(), reason};
    }
    int Line() const { return line_; }
    // Cells past the header's last column that hold something: no column takes them (a ';'
    // in an unquoted Comment of a semicolon-separated file makes them).
    void NoteCellsPastHeader(std::vector<CsvRowNote>& notes) const {
        for (std::size_t i = header_.names.size(); i < cells_.size(); ++i) {
            const QStringView cell = cells_[i].trimmed();
            if (cell.isEmpty()) continue;
            const auto& [column, reason] = header_.PastHeader(i);
            notes.push_back({line_, column, cell.toString(), reason});
        }
    }

  private:
    const Header& header_;
    int line_;
    std::span<const QStringView> cells_;
};

// The cell in upper (or lower) case as QString::toUpper (toLower) puts it, without a copy when
// it already is: the file's own characters, which outlive the result.
QString Upper(QStringView cell) {
    return QString::fromRawData(cell.constData(), cell.size()).toUpper();
}
QString Lower(QStringView cell) {
    return QString::fromRawData(cell.constData(), cell.size()).toLower();
}

// A frequency in Hz as a code, or why not.
struct CodeOrReason {
    std::uint16_t code = NoFrequency;
    QString reason;
};
CodeOrReason CodeOfHz(long long hz, const QString& what) {
    if (hz < kLowestHz || hz > HzOfCode(kHighestCode))
        return {NoFrequency, QStringLiteral("%1 %2 МГц вне диапазона радиостанции %3")
                                 .arg(what, MhzText(hz, MhzStyle::Message), kBandText)};
    if ((hz - kLowestHz) % kGridHz != 0)
        return {NoFrequency, QStringLiteral("%1 %2 МГц не лежит на сетке 12,5 кГц")
                                 .arg(what, MhzText(hz, MhzStyle::Message))};
    return {static_cast<std::uint16_t>((hz - kLowestHz) / kGridHz), {}};
}

// Tone number of a frequency in Hz (±0.05 Hz), or 0.
int ToneOfHz(QStringView text) {
    const auto milliHz = ParseDecimal(text, 3);
    if (!milliHz) return 0;
    for (int n = 1; n <= kToneCount; ++n)
        if (std::llabs(*milliHz - ToneTenthsOfHz(n) * 100LL) <= 50) return n;
    return 0;
}

struct ParsedRow {
    int channel = -1;
    bool locationOutside = false;  // refused for a Location outside 1–16
    ChannelEntry entry;
    std::optional<CsvRowNote> refused;
};

const QRegularExpression& ToneTokenPattern() {
    static const QRegularExpression pattern(QStringLiteral("^тон\\s+([0-9]+)(\\s|\\(|$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

bool IsAsciiDigit(QChar ch) {
    return ch >= u'0' && ch <= u'9';
}

// One of the Comment phrases the export writes, the tone's aside.
bool IsCommentPhrase(QStringView text) {
    using namespace CsvComment;
    for (const QString& phrase : {Masking, NoDetection, CtcssDetection, BothDetections, NoTone,
                                  TransmitOnly, Step25OffGrid})
        if (text.compare(phrase, Qt::CaseInsensitive) == 0) return true;
    return false;
}

// The row's channel is left at -1 unless `byLocation`.
ParsedRow ParseRow(const Row& row, int ordinal, bool byLocation,
                   std::vector<CsvRowNote>& warnings) {
    ParsedRow out;
    auto refuse = [&out](CsvRowNote note) {
        out.refused = std::move(note);
        return std::move(out);
    };

    // Location; numbered in the order of the file, the row gets its channel once accepted.
    if (byLocation && row.Has(Col::Location)) {
        const QStringView location = row.Cell(Col::Location);
        const auto number =
            ReadWholeNumber(QString::fromRawData(location.constData(), location.size()));
        if (!number)
            return refuse(row.Note(Col::Location, location.isEmpty()
                                                      ? QStringLiteral("не указан номер канала")
                                                      : QStringLiteral("номер канала не число")));
        if (*number < 1 || *number > kChannelCount) {
            out.locationOutside = true;
            return refuse(
                row.Note(Col::Location, QStringLiteral("номер канала вне диапазона 1–16")));
        }
        out.channel = *number - 1;
    } else if (byLocation) {
        if (ordinal > kChannelCount)
            return refuse(
                row.Note(Col::Location, QStringLiteral("в файле без столбца Location больше 16 "
                                                       "строк; канала с таким номером нет")));
        out.channel = ordinal - 1;
    }

    // Comment phrases.
    QVarLengthArray<QStringView, 8> phrases;
    for (const QStringView part : qTokenize(row.Cell(Col::Comment), u';'))
        phrases.append(part.trimmed());
    auto said = [&phrases](const QString& phrase) {
        for (const QStringView p : phrases)
            if (p.compare(phrase, Qt::CaseInsensitive) == 0) return true;
        return false;
    };
    std::optional<std::uint16_t> commentTone;
    QStringList unknown;  // a note, or a phrase misspelt: said, not taken
    for (const QStringView p : phrases) {
        // The export's phrases have no tone number; nor has a text without a digit.
        if (p.isEmpty() || IsCommentPhrase(p)) continue;
        if (std::none_of(p.begin(), p.end(), IsAsciiDigit)) {
            unknown << QStringLiteral("«%1»").arg(p);
            continue;
        }
        const auto match = ToneTokenPattern().match(p);
        if (!match.hasMatch()) {
            unknown << QStringLiteral("«%1»").arg(p);
            continue;
        }
        bool ok = false;
        const uint number = match.capturedView(1).toUInt(&ok);
        if (!ok || number > 0xFFFF)
            return refuse(row.Note(Col::Comment, QStringLiteral("номер тона больше 65535")));
        commentTone = static_cast<std::uint16_t>(number);
    }
    if (!unknown.isEmpty()) {
        warnings.push_back(row.Note(
            Col::Comment, unknown.size() == 1
                              ? QStringLiteral("не распознана и пропущена фраза ") + unknown.first()
                              : QStringLiteral("не распознаны и пропущены фразы ") +
                                    unknown.join(QStringLiteral(", "))));
    }

    // Receive frequency.
    const QStringView frequency = row.Cell(Col::Frequency);
    if (frequency.isEmpty())
        return refuse(row.Note(Col::Frequency, QStringLiteral("не указана частота")));
    const auto rxHz = ParseDecimal(frequency, 6);
    if (!rxHz) return refuse(row.Note(Col::Frequency, QStringLiteral("частота не число")));
    const CodeOrReason rx = CodeOfHz(*rxHz, QStringLiteral("частота"));
    if (!rx.reason.isEmpty()) return refuse(row.Note(Col::Frequency, rx.reason));

    // Transmit frequency.
    const QString duplex = Lower(row.Cell(Col::Duplex));
    std::uint16_t txCode = rx.code;
    if (duplex == u"+" || duplex == u"-" || duplex == u"split") {
        const QStringView offsetText = row.Cell(Col::Offset);
        if (offsetText.isEmpty())
            return refuse(row.Note(Col::Offset, duplex == u"split"
                                                    ? QStringLiteral("не указана частота передачи")
                                                    : QStringLiteral("не указан сдвиг частоты")));
        const auto offsetHz = ParseDecimal(offsetText, 6);
        if (!offsetHz) return refuse(row.Note(Col::Offset, QStringLiteral("не число")));
        const long long txHz = duplex == u"split" ? *offsetHz
                               : duplex == u"+"   ? *rxHz + *offsetHz
                                                  : *rxHz - *offsetHz;
        const CodeOrReason tx = CodeOfHz(txHz, QStringLiteral("частота передачи"));
        if (!tx.reason.isEmpty()) return refuse(row.Note(Col::Offset, tx.reason));
        txCode = tx.code;
    } else if (duplex == u"off") {
        txCode = NoFrequency;
    } else if (!duplex.isEmpty()) {
        return refuse(row.Note(
            Col::Duplex,
            QStringLiteral("неизвестное значение; допустимы пустое, «+», «-», «split», «off»")));
    }
    std::uint16_t rxCode = rx.code;
    if (said(CsvComment::TransmitOnly)) {
        if (txCode == NoFrequency)
            return refuse(row.Note(Col::Comment, QStringLiteral("«только передача» при Duplex "
                                                                "«off»: у канала не остаётся "
                                                                "ни одной частоты")));
        rxCode = NoFrequency;
    }

    // Detection and tone.
    const QStringView toneMode = row.Cell(Col::Tone);
    bool ctcss = false;
    bool carrier = false;
    std::uint16_t tone = 0;
    auto toneFrom = [&](Col column) -> std::optional<int> {
        const QStringView hz = row.Cell(column);
        if (hz.isEmpty()) {
            out.refused = row.Note(column, QStringLiteral("не указана частота тона"));
            return std::nullopt;
        }
        const int number = ToneOfHz(hz);
        if (number == 0) {
            out.refused = row.Note(
                column,
                ParseDecimal(hz, 2)
                    ? QStringLiteral("тона %1 Гц нет среди 51 тона CTSS радиостанции").arg(hz)
                    : QStringLiteral("частота тона не число"));
            return std::nullopt;
        }
        return number;
    };
    if (toneMode.isEmpty()) {
        if (said(CsvComment::BothDetections)) {
            ctcss = carrier = true;
        } else if (said(CsvComment::CtcssDetection)) {
            ctcss = true;
        } else if (!said(CsvComment::NoDetection)) {
            carrier = true;
        }
        tone = commentTone.value_or(0);
    } else if (toneMode.compare(QLatin1StringView("TSQL"), Qt::CaseInsensitive) == 0) {
        const auto number = toneFrom(row.Has(Col::cToneFreq) ? Col::cToneFreq : Col::rToneFreq);
        if (!number) return out;
        ctcss = true;
        tone = static_cast<std::uint16_t>(*number);
    } else if (toneMode.compare(QLatin1StringView("Tone"), Qt::CaseInsensitive) == 0) {
        const auto number = toneFrom(Col::rToneFreq);
        if (!number) return out;
        ctcss = true;
        tone = static_cast<std::uint16_t>(*number);
        warnings.push_back(
            row.Note(Col::Tone, QStringLiteral("тон только на передачу принят как обнаружение "
                                               "по CTSS с тоном %1 Гц")
                                    .arg(row.Cell(Col::rToneFreq))));
    } else {
        const QString mode = Upper(toneMode);
        QString reason = QStringLiteral("неизвестный режим тона; допустимы пустое, «TSQL», «Tone»");
        if (mode == u"DTCS" || mode == u"DTCS-R")
            reason = QStringLiteral(
                "цифровое кодовое шумоподавление (DTCS) радиостанция не "
                "поддерживает");
        else if (mode == u"CROSS")
            reason =
                QStringLiteral("перекрёстные режимы тона (Cross) радиостанция не поддерживает");
        else if (mode == u"TSQL-R")
            reason = QStringLiteral(
                "обратное тоновое шумоподавление (TSQL-R) радиостанция не "
                "поддерживает");
        return refuse(row.Note(Col::Tone, reason));
    }

    // Scan.
    const QString skip = Upper(row.Cell(Col::Skip));
    bool scan = true;
    if (skip == u"S") {
        scan = false;
    } else if (skip == u"P") {
        warnings.push_back(row.Note(
            Col::Skip, QStringLiteral("приоритетный канал принят как сканируемый: приоритетное "
                                      "сканирование задаётся для всей радиостанции")));
    } else if (!skip.isEmpty()) {
        return refuse(row.Note(Col::Skip,
                               QStringLiteral("неизвестное значение; допустимы пустое, «S», «P»")));
    }

    // Mode.
    const QString mode = Upper(row.Cell(Col::Mode));
    if (!mode.isEmpty() && mode != u"FM" && mode != u"NFM")
        return refuse(row.Note(Col::Mode, QStringLiteral("радиостанция работает только в FM")));

    // Grid step: TStep when the frequencies lie on it, else the coarsest grid they lie on.
    const bool onGrid25 = !HasOddCode(ChannelEntry{0, 0, rxCode, txCode, 0, 0});
    bool step25 = onGrid25;
    const QStringView tstep = row.Cell(Col::TStep);
    if (!tstep.isEmpty()) {
        const auto hz = ParseDecimal(tstep, 3);
        if (!hz) return refuse(row.Note(Col::TStep, QStringLiteral("шаг не число")));
        if (*hz == kGridHz) step25 = false;
    }
    if (said(CsvComment::Step25OffGrid)) step25 = true;

    ChannelEntry& e = out.entry;
    e.rxCode = rxCode;
    e.txCode = txCode;
    e.toneNumber = tone;
    e.Set(ChannelFlag::InUse, rxCode != NoFrequency && rxCode % 2 == 0);
    e.Set(ChannelFlag::Masking, said(CsvComment::Masking));
    e.Set(ChannelFlag::Step25, step25);
    e.Set(ChannelFlag::DetectCtcss, ctcss);
    e.Set(ChannelFlag::DetectCarrier, carrier);
    e.Set(ChannelFlag::Scan, scan);
    row.NoteCellsPastHeader(warnings);
    return out;
}

// A file that is no channel list this import can take.
Error WrongFile(const QString& reason) {
    return {ErrorKind::WrongFile, reason};
}

}  // namespace

QString CsvRowNoteText(const CsvRowNote& note) {
    if (note.line == 0) return note.reason;
    return QStringLiteral("строка %1, %2 = «%3»: %4")
        .arg(note.line)
        .arg(note.column, note.value, note.reason);
}

CsvImport ImportCsv(const QByteArray& data, const ParameterImage& base, CsvNumbering numbering) {
    CsvImport result;
    result.image = base;
    if (data.size() > kCsvMaxBytes) {
        result.error = WrongFile(QStringLiteral("файл больше %1 МБ; это не список каналов")
                                     .arg(kCsvMaxBytes / (1024 * 1024)));
        return result;
    }
    const CsvText decoded = DecodeCsvText(data);
    if (!decoded.error.isEmpty()) {
        result.error = WrongFile(decoded.error);
        return result;
    }
    const QString& text = decoded.text;
    if (HasControlCharacters(text)) {
        result.error = WrongFile(QStringLiteral("это не текстовый файл CSV"));
        return result;
    }
    if (QStringView(text).trimmed().isEmpty()) {
        result.error = WrongFile(QStringLiteral("файл пуст"));
        return result;
    }
    // Guessed, not marked: the operator is to check that the Russian words came through.
    if (decoded.encoding == CsvEncoding::Windows1251) {
        CsvRowNote note;  // line 0: the whole file
        note.reason = QStringLiteral(
                          "файл не в кодировке UTF-8 (в строке %1 байты, которых в UTF-8 не "
                          "бывает); прочитан как Windows-1251")
                          .arg(decoded.firstNonUtf8Line);
        result.warnings.push_back(note);
    }

    const Tokenized table = Tokenize(text, GuessDelimiter(text));
    if (!table.error.isEmpty()) {
        result.error = WrongFile(table.error);
        return result;
    }
    // The tokenizer keeps no record whose cells are all blank.
    auto record = table.records.begin();
    if (record == table.records.end()) {
        result.error = WrongFile(QStringLiteral("файл пуст"));
        return result;
    }

    Header header;
    header.index.fill(-1);
    header.names = table.Cells(*record);
    for (std::size_t i = 0; i < header.names.size(); ++i) {
        const QStringView name = header.names[i].trimmed();
        for (int c = 0; c < static_cast<int>(Col::Count); ++c) {
            if (name.compare(QLatin1StringView(kColumnNames[c]), Qt::CaseInsensitive) != 0)
                continue;
            if (header.index[c] >= 0) {
                result.error =
                    WrongFile(QStringLiteral("столбец «%1» в заголовке (строка %2) указан дважды")
                                  .arg(name)
                                  .arg(record->line));
                return result;
            }
            header.index[c] = static_cast<int>(i);
        }
    }
    if (header.index[static_cast<int>(Col::Frequency)] < 0) {
        result.error =
            WrongFile(QStringLiteral("в заголовке (строка %1) нет столбца Frequency; это не "
                                     "список каналов в формате CHIRP")
                          .arg(record->line));
        return result;
    }

    std::array<std::optional<ChannelEntry>, kChannelCount> channels;
    std::array<int, kChannelCount> namedOn{};  // the line that first named each channel
    int ordinal = 0;
    for (++record; record != table.records.end(); ++record) {
        const Row row(header, record->line, table.Cells(*record));
        const bool byLocation = numbering == CsvNumbering::ByLocation;
        // The row's warnings go after those of the rows before it, taken back if it is refused.
        const std::size_t warned = result.warnings.size();
        ParsedRow parsed = ParseRow(row, ++ordinal, byLocation, result.warnings);
        result.locationsOutside = result.locationsOutside || parsed.locationOutside;
        if (!byLocation && !parsed.refused) {
            if (result.channels < kChannelCount)
                parsed.channel = result.channels;
            else
                parsed.refused = row.Note(Col::Location, QStringLiteral("в радиостанции 16 "
                                                                        "каналов; для этой "
                                                                        "строки канала нет"));
        }
        if (parsed.channel >= 0) {
            int& first = namedOn[static_cast<std::size_t>(parsed.channel)];
            if (first != 0 && !parsed.refused) {
                parsed.refused = row.Note(Col::Location, QStringLiteral("канал %1 уже задан в "
                                                                        "строке %2")
                                                             .arg(parsed.channel + 1)
                                                             .arg(first));
            }
            if (first == 0) first = row.Line();
        }
        if (parsed.refused) {
            result.refused.push_back(std::move(*parsed.refused));
            result.warnings.erase(result.warnings.begin() + static_cast<std::ptrdiff_t>(warned),
                                  result.warnings.end());
            continue;
        }
        channels[static_cast<std::size_t>(parsed.channel)] = parsed.entry;
        ++result.channels;
    }
    if (result.channels == 0) {
        result.error =
            WrongFile(result.refused.empty() ? QStringLiteral("в файле нет ни одного канала")
                                             : QStringLiteral("ни одна строка файла не подошла"));
        return result;
    }

    for (int c = 0; c < kChannelCount; ++c) {
        ChannelEntry entry;
        if (const auto& taken = channels[static_cast<std::size_t>(c)]) {
            entry = *taken;
        } else {
            entry.flags = ChannelFlag::Step25;
            entry.rxCode = entry.txCode = NoFrequency;
        }
        entry.reserved = base.Record(c).reserved;
        result.image.SetRecord(c, entry);
    }
    return result;
}

Result<QByteArray> ReadCsvFile(const QString& path) {
    Result<QByteArray> content = ReadFileBytes(path, kCsvMaxBytes);
    if (content && content->size() > kCsvMaxBytes) {
        return WrongFile(QStringLiteral("файл больше %1 МБ; это не список каналов")
                             .arg(kCsvMaxBytes / (1024 * 1024)));
    }
    return content;
}

}  // namespace belvan
