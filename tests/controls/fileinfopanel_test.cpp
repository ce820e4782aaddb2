// uctrlFileInfo: how it splits a file's name into its columns, the column
// widths for every combination of ShowPath and ShowDims, and that a number
// is never cut when the panel is narrow.
#include "base/texts.h"
#include "controls/fileinfopanel.h"

#include <QLabel>

#include <gtest/gtest.h>

using namespace vexa;

namespace {

QLabel *label(const FileInfoPanel &panel, const char *name)
{
    return panel.findChild<QLabel *>(QLatin1String(name));
}

TEST(FileInfoPanel, SplitsTheFullNameAtItsLastSeparator)
{
    struct Row {
        const char *directory;
        const char *fileName;
        const char *shownDirectory;
        const char *shownName;
    };
    const Row rows[] = {
        { "/home/ann/photos", "beach.jpg", "/home/ann/photos", "beach.jpg" },
        { "", "beach.jpg", "", "beach.jpg" },  // no directory: the bare name
        { "/", "beach.jpg", "/", "beach.jpg" },
        { "/home/ann", "photos/beach.jpg", "/home/ann/photos", "beach.jpg" },
        { "/home/ann/my photos", "a b.JPG", "/home/ann/my photos", "a b.JPG" },
    };
    FileInfoPanel panel;
    panel.resize(900, 24);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.directory + std::string(" + ") + row.fileName);
        panel.SetValues(QString::fromUtf8(row.directory), QString::fromUtf8(row.fileName),
            QStringLiteral("12,345"), QStringLiteral("640 x 480"));
        EXPECT_EQ(panel.directoryText(), QString::fromUtf8(row.shownDirectory));
        EXPECT_EQ(panel.fileNameText(), QString::fromUtf8(row.shownName));
        EXPECT_EQ(label(panel, "lblDupFileName")->text(), QString::fromUtf8(row.shownName));
        EXPECT_EQ(label(panel, "lblDupSize")->text(), QStringLiteral("12,345"));
        EXPECT_EQ(label(panel, "lblDupDims")->text(), QStringLiteral("640 x 480"));
    }
    panel.Clear();
    EXPECT_TRUE(label(panel, "lblDupPath")->text().isEmpty());
    EXPECT_TRUE(label(panel, "lblDupDims")->text().isEmpty());
}

TEST(FileInfoPanel, ColumnWidthsFollowShowPathAndShowDims)
{
    struct Row {
        bool showPath;
        bool showDims;
        std::array<int, 4> widths;  // at 1000 pixels
    };
    const Row rows[] = {
        { true, true, { 400, 250, 150, 200 } },
        // The dimensions' 0.2 goes to the name and the size in halves.
        { true, false, { 400, 350, 250, 0 } },
        { false, true, { 0, 600, 200, 200 } },
        { false, false, { 0, 700, 300, 0 } },
    };
    FileInfoPanel panel;
    panel.resize(1000, 24);
    panel.SetValues(QStringLiteral("/p"), QStringLiteral("n.jpg"), QStringLiteral("1"),
        QStringLiteral("1 x 1"));
    panel.show();
    for (const Row &row : rows) {
        SCOPED_TRACE(
            testing::Message() << "ShowPath " << row.showPath << " ShowDims " << row.showDims);
        panel.SetShowPath(row.showPath);
        panel.SetShowDims(row.showDims);
        EXPECT_EQ(panel.columnWidths(), row.widths);
        const auto fractions = FileInfoPanel::ColumnFractions(row.showPath, row.showDims);
        EXPECT_DOUBLE_EQ(fractions[0] + fractions[1] + fractions[2] + fractions[3], 1.0);
        EXPECT_EQ(label(panel, "lblDupPath")->isVisible(), row.showPath);
        EXPECT_EQ(label(panel, "lblInfo0")->isVisible(), row.showPath);
        EXPECT_EQ(label(panel, "lblDupDims")->isVisible(), row.showDims);
        EXPECT_EQ(label(panel, "lblInfo3")->isVisible(), row.showDims);
    }
    // An odd width still fills the panel exactly.
    panel.resize(999, 24);
    const auto widths = panel.columnWidths();
    EXPECT_EQ(widths[0] + widths[1] + widths[2] + widths[3], 999);
}

TEST(FileInfoPanel, ShowPropertiesMarkChangesAndPersist)
{
    FileInfoPanel panel;
    panel.SetShowLabels(true);  // the default: nothing changes
    EXPECT_TRUE(panel.changedProperties().isEmpty());
    panel.SetShowLabels(false);
    panel.SetShowDims(false);
    EXPECT_EQ(panel.changedProperties(),
        (QSet<QString> { QStringLiteral("ShowLabels"), QStringLiteral("ShowDims") }));
    panel.resize(800, 24);
    panel.show();
    EXPECT_FALSE(label(panel, "lblInfo1")->isVisible());

    FileInfoPanel restored;
    restored.RestoreProperties(panel.SaveProperties());
    EXPECT_FALSE(restored.ShowLabels());
    EXPECT_FALSE(restored.ShowDims());
    EXPECT_TRUE(restored.ShowPath());
    FileInfoPanel defaults;
    defaults.RestoreProperties({});
    EXPECT_TRUE(defaults.ShowLabels() && defaults.ShowDims() && defaults.ShowPath());
    EXPECT_TRUE(defaults.changedProperties().isEmpty());
}

TEST(FileInfoPanel, ANarrowPanelCutsCaptionsAndNamesButNeverANumber)
{
    for (const int offset : { 0, 2000 }) {
        SetLangOffset(offset);
        FileInfoPanel panel;
        panel.resize(560, 24);  // the window at its minimum width
        panel.show();
        const QString size = QStringLiteral("123,456,789");
        const QString dims = QStringLiteral("12000 x 9000");
        panel.SetValues(QStringLiteral("/home/someone/a rather long directory name/deeper still"),
            QStringLiteral("a_very_long_file_name_from_a_camera_0001.jpg"), size, dims);
        EXPECT_EQ(label(panel, "lblDupSize")->text(), size) << offset;
        EXPECT_EQ(label(panel, "lblDupDims")->text(), dims) << offset;
        // The path keeps its start and its end; its tool tip has it whole.
        const QString path = label(panel, "lblDupPath")->text();
        EXPECT_TRUE(path.startsWith(QStringLiteral("/h"))) << path.toStdString();
        EXPECT_TRUE(path.endsWith(QStringLiteral("l"))) << path.toStdString();
        EXPECT_TRUE(path.contains(QChar(0x2026))) << path.toStdString();
        EXPECT_EQ(label(panel, "lblDupPath")->toolTip(), panel.directoryText());
        EXPECT_EQ(label(panel, "lblInfo2")->toolTip(), Text(802));
    }
    SetLangOffset(0);
}

TEST(FileInfoPanel, AtTheWindowsUsualWidthTheNumbersKeepTheirCaptionsWhole)
{
    // The directory column gives way to the longer Dutch captions.
    for (const int offset : { 0, 2000 }) {
        SetLangOffset(offset);
        FileInfoPanel panel;
        panel.resize(1000, 24);
        panel.show();
        panel.SetValues(QStringLiteral("/tmp/viewer_shots/Holiday photos 2019"),
            QStringLiteral("grandmother_portrait.jpg"), QStringLiteral("90,857"),
            QStringLiteral("1800 x 2700"));
        EXPECT_EQ(label(panel, "lblInfo2")->text(), Text(802)) << offset;
        EXPECT_EQ(label(panel, "lblInfo3")->text(), Text(803)) << offset;
        EXPECT_EQ(label(panel, "lblDupSize")->text(), QStringLiteral("90,857")) << offset;
    }
    SetLangOffset(0);
}

}  // namespace
