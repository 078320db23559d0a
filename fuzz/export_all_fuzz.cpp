// Export All over any entry file: one block for each day a header names, in
// ascending order, holding the date line the label would show, ten hyphens,
// the body of the first header of that day up to the next end line, each
// line's bytes as they stand in the file (the writer's escape of mark-like
// lines taken off), and two empty lines.

#include "export/export_all.h"
#include "fuzz_support.h"

#include <map>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const DateSettings& dates = fuzzDates(input.byte());
    const int dateStyle = 1 + input.byte() % 2;
    const QByteArray file = input.rest().toByteArray();

    // The model: the first header of each day and the body after it.
    const QList<QByteArray> lines = splitLines(file);
    std::map<QDate, QList<QByteArray>> blocks;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].startsWith("*!*"))
            continue;
        const auto day = dates.read(TextCodec::decode(QByteArrayView(lines[i]).sliced(3)),
                                    DateSettings::Precision::DayOnly);
        if (!day || blocks.count(*day))
            continue;
        QList<QByteArray>& body = blocks[*day];
        for (qsizetype j = i + 1; j < lines.size() && lines[j] != "!*!"; ++j)
            body.append(lines[j]);
    }
    QByteArray expected;
    for (const auto& [day, body] : blocks) {
        expected += dates.text(day, dateStyle).toUtf8() + "\r\n----------\r\n";
        for (const QByteArray& line : body)
            expected += EntryLines::unescapedBody(line).toByteArray() + "\r\n";
        expected += "\r\n\r\n";
    }

    const QString folder = scratchFolder();
    writeFile(QDir(folder).filePath(QStringLiteral("ojwdata.txt")), file);
    const QString target = QDir(folder).filePath(QStringLiteral("export.txt"));
    const auto failure = exportAll(folder, dates, dateStyle, target);
    FUZZ_CHECK(!failure, "the export succeeds");
    FUZZ_CHECK_BYTES(readFile(target), expected, "the export holds the model's blocks");
    return 0;
}
