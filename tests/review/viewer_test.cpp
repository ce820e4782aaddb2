// The duplicate viewer driven as a user drives it: a real viewer widget on a
// real database with real image files, on the offscreen platform.
#include "reviewfixture.h"

#include "app/appobjects.h"
#include "base/diskpath.h"
#include "base/run.h"
#include "base/texts.h"
#include "db/settings.h"
#include "narration/duplicateset.h"
#include "review/duplicatepersistence.h"
#include "review/duplicateviewer.h"
#include "review/fullimageview.h"
#include "review/previewtile.h"
#include "review/tilelayout.h"
#include "support/exiforientation.h"
#include "support/qtprinters.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace vexa;
using vexa::test::ReviewLibrary;
using vexa::test::WaitUntil;

namespace {

// A viewer in a window of a fixed size, showing the application's set.
struct Viewer {
    explicit Viewer(int width = 820, int height = 600)
    {
        window.resize(width, height);
        viewer = new DuplicateViewer(&window);
        viewer->resize(width, height);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    // Enters the tab and waits for the delayed rebuild and every picture.
    bool enter()
    {
        if (!viewer->EnterTab())
            return false;
        return settle();
    }
    bool settle()
    {
        return WaitUntil([this] {
            return !viewer->delayedActionPending() && !viewer->thumbnailsLoading()
                && viewer->viewReady();
        });
    }
    void click(int index, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        uctrlPreview *tile = viewer->tile(index);
        ASSERT_NE(tile, nullptr) << index;
        QWidget *picture = tile->childAt(tile->width() / 2, 10);
        ASSERT_NE(picture, nullptr);
        QTest::mouseClick(picture, Qt::LeftButton, modifiers, QPoint(5, 5));
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(viewer, key, modifiers);
    }
    QList<int> active() const
    {
        QList<int> indexes;
        for (int i = 0; i <= viewer->tileCount(); ++i)
            if (viewer->tile(i)->IsActive())
                indexes.append(i);
        return indexes;
    }
    QWidget window;
    DuplicateViewer *viewer = nullptr;
};

// A group of n existing images after the source; returns the source id.
std::int32_t addGroup(ReviewLibrary &library, int n, const QString &prefix = QStringLiteral("d"))
{
    const std::int32_t source = library.addImage(prefix + QStringLiteral("src.png"), 120, 80);
    QList<std::int32_t> ids;
    for (int i = 0; i < n; ++i)
        ids.append(library.addImage(prefix + QStringLiteral("%1.png").arg(i), 60 + i, 40));
    Duplicates()->Add(ids, source, 0, QString());
    return source;
}

struct Recorder : RunObserver {
    QStringList statuses;
    QList<qint64> progressValues;
    int starts = 0;
    int ended = 0;
    void started(const RunProgress &p) override
    {
        ++starts;
        statuses.append(p.status);
    }
    void progressed(const RunProgress &p) override
    {
        progressValues.append(p.done);
        statuses.append(p.status);
    }
    void finished(const RunResult &, const RunProgress &p) override
    {
        ++ended;
        statuses.append(p.status);
    }
};

}  // namespace

TEST(TileGeometry, SizeBandsAndLayoutInTwips)
{
    struct Row {
        int size;
        QSize tile;
        int label;
        int points;
    };
    const Row rows[] = {
        { 5, { 1200, 1400 }, 260, 6 },
        { 10, { 2400, 2800 }, 260, 6 },
        { 11, { 2640, 3080 }, 280, 8 },
        { 15, { 3600, 4200 }, 280, 8 },
        { 16, { 3840, 4480 }, 300, 10 },
        { 20, { 4800, 5600 }, 300, 10 },
    };
    for (const Row &row : rows) {
        EXPECT_EQ(TileSizeTwips(row.size), row.tile) << "size " << row.size;
        const auto band = LabelBandFor(row.size);
        ASSERT_TRUE(band) << "size " << row.size;
        EXPECT_EQ(band->height, row.label) << "size " << row.size;
        EXPECT_EQ(band->points, row.points) << "size " << row.size;
    }
    EXPECT_FALSE(LabelBandFor(4));
    EXPECT_FALSE(LabelBandFor(21));
    EXPECT_EQ(ClampThumbSize(QVariant()), 10);
    EXPECT_EQ(ClampThumbSize(QVariant(2)), 5);
    EXPECT_EQ(ClampThumbSize(QVariant(99)), 20);
}

TEST(TileGeometry, TileSizeTenNumbers)
{
    ReviewLibrary library;
    uctrlPreview tile;
    tile.SetNewSize(10);
    EXPECT_EQ(tile.sizeTwips(), QSize(2400, 2800));
    EXPECT_EQ(tile.labelHeightTwips(), 260);
    EXPECT_EQ(tile.pictureBoxTwips(), QRect(40, 40, 2280, 2200));
    EXPECT_EQ(tile.fileNameRectTwips(), QRect(40, 2240, 2280, 260));
    EXPECT_EQ(tile.fileInfoRectTwips(), QRect(40, 2500, 2280, 260));
    // A 200 x 100 picture fills the width, centred, its proportions kept.
    const std::int32_t id = library.addImage(QStringLiteral("wide.png"), 200, 100);
    LoadedImage image;
    ASSERT_TRUE(LoadImageFile(library.directory() + QStringLiteral("/wide.png"), image));
    tile.SetImageInformation(
        1, image, library.directory(), QStringLiteral("wide.png"), 999, 200, 100, id);
    EXPECT_EQ(tile.drawnRectTwips(), QRect(0, 530, 2280, 1140));
    EXPECT_EQ(tile.fileNameText(), QStringLiteral("Filename: wide.png"));
    EXPECT_EQ(tile.fileInfoText(), QStringLiteral("Dim: 200 x 100     Size:  999 bytes"));
    EXPECT_TRUE(tile.Exists());
    // A portrait picture fills the height, centred across.
    tile.SetImageInformation(
        1, image, library.directory(), QStringLiteral("wide.png"), 999, 100, 200, id);
    EXPECT_EQ(tile.drawnRectTwips(), QRect(590, 0, 1100, 2200));
}

// Every number of the text, as the digit runs it holds.
QStringList NumbersIn(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("[0-9]+([.,][0-9]+)?"));
    QStringList numbers;
    for (auto it = digits.globalMatch(text); it.hasNext();)
        numbers << it.next().captured(0);
    return numbers;
}

TEST(TileLabels, ShortenedStepByStepWithoutCuttingANumber)
{
    const TileInfo info { QStringLiteral("Grootte-test "), 4000, 3000, QStringLiteral("Size:  "),
        4436000, QLatin1Char(',') };
    const QString whole = TileInfoText(info);
    EXPECT_EQ(whole, QStringLiteral("Grootte-test 4000 x 3000     Size:  4436000 bytes"));
    // Each width admits the longest form that fits: a fit by length.
    const struct {
        int room;
        const char *shown;
    } rows[] = {
        { 200, "Grootte-test 4000 x 3000     Size:  4436000 bytes" },
        { 43, "Grootte-test 4000 x 3000     Size:  4436000" },
        { 42, "Grootte-test 4000 x 3000     Size:  4,2 MB" },
        { 41, "Grootte-test 4000 x 3000 Size: 4,2 MB" },
        { 36, "Grootte-test 4000 x 3000 \u2026" },
        { 25, "4000 x 3000 \u2026" },
        { 12, "\u2026" },
    };
    for (const auto &row : rows) {
        const QString shown
            = FitTileInfo(info, [&](const QString &text) { return text.size() <= row.room; });
        EXPECT_EQ(shown, QString::fromUtf8(row.shown)) << "room " << row.room;
        EXPECT_LE(shown.size(), std::max(row.room, 1)) << "room " << row.room;
    }
    // Small sizes have no kB step below a kilobyte, no MB step below a megabyte.
    const TileInfo small { QStringLiteral("Dim: "), 16, 16, QStringLiteral("Size:  "), 999 };
    EXPECT_EQ(FitTileInfo(small, [](const QString &text) { return text.size() <= 26; }),
        QStringLiteral("Dim: 16 x 16 Size: 999"));
    const TileInfo kilo { QStringLiteral("Dim: "), 16, 16, QStringLiteral("Size:  "), 43320 };
    EXPECT_EQ(FitTileInfo(kilo, [](const QString &text) { return text.size() <= 28; }),
        QStringLiteral("Dim: 16 x 16 Size: 42 kB"));
}

TEST(TileLabels, RealTilesNeverCutANumberAndTheToolTipShowsBoth)
{
    ReviewLibrary library;
    const std::int32_t id
        = library.addImage(QStringLiteral("a_rather_long_holiday_name_2019.png"), 64, 48);
    LoadedImage image;
    ASSERT_TRUE(LoadImageFile(
        library.directory() + QStringLiteral("/a_rather_long_holiday_name_2019.png"), image));
    for (const int offset : { 0, 2000 }) {
        SetLangOffset(offset);
        for (int size = kMinThumbSize; size <= kMaxThumbSize; ++size) {
            uctrlPreview tile;
            tile.SetNewSize(size);
            tile.SetImageInformation(1, image, library.directory(),
                QStringLiteral("a_rather_long_holiday_name_2019.png"), 4436000, 4000, 3000, id);
            auto *info = tile.findChildren<QLabel *>().value(1);
            ASSERT_NE(info, nullptr);
            const QString shown = info->text();
            EXPECT_LE(info->fontMetrics().horizontalAdvance(shown), info->width())
                << "size " << size << " shows " << shown.toStdString();
            // Every number shown is a whole number of the label, or the
            // size in kB or MB, never the start of one.
            const QStringList allowed = { QStringLiteral("4000"), QStringLiteral("3000"),
                QStringLiteral("4436000"), offset ? QStringLiteral("4,2") : QStringLiteral("4.2") };
            for (const QString &number : NumbersIn(shown))
                EXPECT_TRUE(allowed.contains(number))
                    << "size " << size << " cut a number: " << shown.toStdString();
            EXPECT_EQ(tile.fileInfoText(),
                Text(812) + QStringLiteral("4000 x 3000     ") + Text(813)
                    + QStringLiteral("4436000 bytes"));
            if (shown != tile.fileInfoText()) {
                EXPECT_TRUE(tile.toolTipText().contains(tile.fileInfoText())) << size;
                EXPECT_TRUE(tile.toolTipText().contains(tile.fileNameText())) << size;
                EXPECT_TRUE(tile.toolTipText().startsWith(library.directory())) << size;
            }
        }
    }
    SetLangOffset(0);
    // At tile size 10 with its 6 pt labels the dimensions are always there.
    uctrlPreview tile;
    tile.SetNewSize(10);
    tile.SetImageInformation(1, image, library.directory(),
        QStringLiteral("a_rather_long_holiday_name_2019.png"), 4436000, 4000, 3000, id);
    EXPECT_TRUE(
        tile.findChildren<QLabel *>().value(1)->text().contains(QStringLiteral("4000 x 3000")));
}

TEST(TileMenu, LocalisedByTheMenuRuleInBothLanguages)
{
    for (const int offset : { 0, 2000 }) {
        SetLangOffset(offset);
        uctrlPreview tile;
        QMenu *menu = tile.popupMenu();
        EXPECT_EQ(menu->title(), Text(280)) << offset;
        const QList<QAction *> actions = menu->actions();
        ASSERT_EQ(actions.size(), 5);
        EXPECT_EQ(actions[0]->text(), Text(281)) << offset;
        EXPECT_TRUE(actions[1]->isSeparator());
        // A separator with a text is drawn as a heading reading "-".
        EXPECT_TRUE(actions[1]->text().isEmpty()) << offset;
        EXPECT_EQ(actions[2]->text(), Text(282)) << offset;
        EXPECT_EQ(actions[3]->text(), Text(283)) << offset;
        EXPECT_EQ(actions[4]->text(), Text(1900)) << offset;
        EXPECT_FALSE(actions[0]->text().startsWith(QStringLiteral("28"))) << offset;
        if (offset == 2000) {
            EXPECT_NE(actions[2]->text(), RawText(282)) << "the Dutch rename entry";
        }
    }
    SetLangOffset(0);
    EXPECT_EQ(Text(281), QStringLiteral("&View"));
}

TEST(DuplicateViewer, EmptySetShowsMessageAndStaysOut)
{
    ReviewLibrary library;
    Viewer view;
    EXPECT_FALSE(view.viewer->EnterTab());
    ASSERT_EQ(library.messages().count(), 1);
    EXPECT_EQ(library.messages().last().text, Text(724));
    EXPECT_EQ(library.messages().last().title, Text(725));
    EXPECT_EQ(library.messages().last().icon, MsgIcon::Information);
}

TEST(DuplicateViewer, OneGroupHidesTheGroupControls)
{
    ReviewLibrary library;
    addGroup(library, 2);
    Viewer view;
    ASSERT_TRUE(view.enter());
    EXPECT_TRUE(view.viewer->groupSlider()->isHidden());
    EXPECT_TRUE(view.viewer->previousButton()->isHidden());
    EXPECT_TRUE(view.viewer->nextButton()->isHidden());
    EXPECT_EQ(view.viewer->countLabel()->text(), QStringLiteral("1"));
    EXPECT_EQ(view.viewer->tileCount(), 2);
    EXPECT_TRUE(view.viewer->tile(0)->isVisible());

    addGroup(library, 1, QStringLiteral("e"));
    ASSERT_TRUE(view.enter());
    EXPECT_TRUE(view.viewer->groupSlider()->isVisible());
    EXPECT_TRUE(view.viewer->nextButton()->isVisible());
    EXPECT_EQ(view.viewer->countLabel()->text(), QStringLiteral("2"));
}

TEST(DuplicateViewer, PrevAtFirstAndNextAtLastChangeNothing)
{
    ReviewLibrary library;
    addGroup(library, 1, QStringLiteral("a"));
    addGroup(library, 2, QStringLiteral("b"));
    addGroup(library, 3, QStringLiteral("c"));
    Viewer view;
    ASSERT_TRUE(view.enter());
    QScrollBar *slider = view.viewer->groupSlider();
    view.viewer->previousButton()->click();
    EXPECT_EQ(slider->value(), 1);
    EXPECT_FALSE(view.viewer->delayedActionPending()) << "no rebuild for an unchanged value";

    view.viewer->nextButton()->click();
    view.viewer->nextButton()->click();
    EXPECT_EQ(slider->value(), 3);
    ASSERT_TRUE(view.settle());
    EXPECT_EQ(view.viewer->tileCount(), 3) << "group 3 has three duplicates";
    EXPECT_EQ(view.viewer->currentLabel()->text(), QStringLiteral("3"));
    view.viewer->nextButton()->click();
    EXPECT_EQ(slider->value(), 3);
    EXPECT_FALSE(view.viewer->delayedActionPending());

    // A burst of changes rebuilds once, after the last.
    view.key(Qt::Key_PageUp);
    view.key(Qt::Key_PageUp);
    EXPECT_EQ(view.viewer->tileCount(), 3) << "nothing rebuilt before the delay";
    ASSERT_TRUE(view.settle());
    EXPECT_EQ(slider->value(), 1);
    EXPECT_EQ(view.viewer->tileCount(), 1);
    view.key(Qt::Key_PageUp);
    EXPECT_FALSE(view.viewer->delayedActionPending());
}

TEST(DuplicateViewer, GroupWithoutItsSourceStartsAtTileOne)
{
    ReviewLibrary library;
    const std::int32_t source = addGroup(library, 3);
    library.deleteRecord(source);
    Viewer view;
    ASSERT_TRUE(view.enter());
    EXPECT_TRUE(view.viewer->tile(0)->isHidden());
    EXPECT_EQ(view.viewer->tileCount(), 3);
    EXPECT_EQ(view.viewer->tile(1)->pos(), QPoint(0, 0));
    EXPECT_EQ(view.viewer->tile(2)->pos(), QPoint(view.viewer->tile(1)->width(), 0));
    EXPECT_EQ(view.viewer->currentTile(), 1);
    EXPECT_EQ(view.active(), (QList<int> { 1 }));
    view.key(Qt::Key_Left);
    EXPECT_EQ(view.viewer->currentTile(), 1) << "the hidden source is never selected";
}

TEST(DuplicateViewer, MissingRecordsAndFilesGetNoTileAndUndecodableFilesAnEmptyOne)
{
    ReviewLibrary library;
    const std::int32_t source = library.addImage(QStringLiteral("s.png"), 50, 50);
    const std::int32_t good = library.addImage(QStringLiteral("g.png"), 50, 50);
    const std::int32_t noFile = library.addRecordOnly(QStringLiteral("gone.png"));
    const std::int32_t broken = library.addFile(
        QStringLiteral("broken.jpg"), QByteArray("\xff\xd8\xff garbage", 12), 9, 9);
    // A camera file whose image data is cut short: its embedded picture is
    // sound, but must not stay to make the file look sound.
    QByteArray camera;
    {
        QBuffer buffer(&camera);
        buffer.open(QIODevice::WriteOnly);
        QImage(800, 600, QImage::Format_RGB32).save(&buffer, "JPEG", 90);
    }
    QByteArray small;
    {
        QBuffer buffer(&small);
        buffer.open(QIODevice::WriteOnly);
        QImage(80, 60, QImage::Format_RGB32).save(&buffer, "JPEG", 90);
    }
    camera = test::WithExifThumbnail(camera, small, 1, false);
    const std::int32_t cutShort
        = library.addFile(QStringLiteral("cut.jpg"), camera.left(camera.size() - 200), 800, 600);
    Duplicates()->Add({ noFile, 9999, good, broken, cutShort }, source, 0, QString());
    Viewer view;
    ASSERT_TRUE(view.enter());
    ASSERT_EQ(view.viewer->tileCount(), 3);
    EXPECT_EQ(view.viewer->tile(1)->FileName(), QStringLiteral("g.png"));
    EXPECT_TRUE(view.viewer->tile(1)->hasPicture());
    for (const int index : { 2, 3 }) {
        uctrlPreview *brokenTile = view.viewer->tile(index);
        EXPECT_TRUE(brokenTile->isVisible()) << index;
        EXPECT_FALSE(brokenTile->hasPicture()) << index;
        EXPECT_TRUE(brokenTile->fileNameText().isEmpty()) << index;
    }
    EXPECT_EQ(library.messages().count(), 0) << "no message for missing files";
}

TEST(DuplicateViewer, SeventyDuplicatesGiveSixtyThreeTilesAndOneMessage)
{
    ReviewLibrary library;
    addGroup(library, 70);
    Recorder recorder;
    Viewer view(1000, 700);
    view.viewer->setRunObserver(&recorder);
    ASSERT_TRUE(view.enter());
    EXPECT_EQ(view.viewer->tileCount(), 63);
    ASSERT_EQ(library.messages().count(), 1);
    EXPECT_EQ(library.messages().last().text, Text(751));
    EXPECT_EQ(library.messages().last().title, QStringLiteral("Maximum Duplicates"));
    EXPECT_EQ(library.messages().last().icon, MsgIcon::Exclamation);
    for (int i = 0; i <= 63; ++i)
        EXPECT_TRUE(view.viewer->tile(i)->hasPicture()) << "tile " << i;
    // Pictures are painted in tile order, with the status text counting.
    EXPECT_TRUE(std::is_sorted(recorder.progressValues.begin(), recorder.progressValues.end()));
    ASSERT_EQ(recorder.progressValues.size(), 64);
    EXPECT_TRUE(recorder.statuses.contains(QStringLiteral("Loading duplicate images 64 of 71")));
    EXPECT_EQ(recorder.statuses.last(), QString()) << "the status is cleared at the end";
    EXPECT_EQ(recorder.ended, 1);
    // Rows fill the panel; the scroll bar reaches its bottom.
    QScrollBar *scroll = view.viewer->verticalScrollBar();
    EXPECT_TRUE(scroll->isVisible());
    EXPECT_EQ(
        scroll->maximum(), view.viewer->tilePanel()->height() - view.viewer->viewPort()->height());
}

TEST(DuplicateViewer, ShiftSelectsARangeAndCtrlTogglesOne)
{
    ReviewLibrary library;
    addGroup(library, 6);
    Viewer view;
    ASSERT_TRUE(view.enter());
    view.click(5);
    EXPECT_EQ(view.active(), (QList<int> { 5 }));
    view.click(2, Qt::ShiftModifier);
    EXPECT_EQ(view.active(), (QList<int> { 2, 3, 4, 5 }));
    EXPECT_EQ(view.viewer->currentTile(), 2);
    view.click(3, Qt::ControlModifier);
    EXPECT_EQ(view.active(), (QList<int> { 2, 4, 5 }));
    EXPECT_EQ(view.viewer->currentTile(), 3);
    view.click(0, Qt::ControlModifier);
    EXPECT_EQ(view.active(), (QList<int> { 0, 2, 4, 5 }));
    view.click(1);
    EXPECT_EQ(view.active(), (QList<int> { 1 }));
    // Shift towards a higher tile works the same way.
    view.click(4, Qt::ShiftModifier);
    EXPECT_EQ(view.active(), (QList<int> { 1, 2, 3, 4 }));
}

TEST(DuplicateViewer, ArrowKeysAtTheRowEnds)
{
    ReviewLibrary library;
    addGroup(library, 9);  // ten tiles
    Viewer view;
    ASSERT_TRUE(view.enter());
    DuplicateViewer *viewer = view.viewer;
    const int perRow = viewer->viewPort()->width() / viewer->tile(0)->width();
    ASSERT_GE(perRow, 2);
    ASSERT_LT(perRow, 10);
    // The flow puts exactly perRow tiles in the first row.
    EXPECT_EQ(viewer->tile(perRow)->pos(), QPoint(0, viewer->tile(0)->height()));
    EXPECT_EQ(viewer->tile(perRow - 1)->y(), 0);

    view.key(Qt::Key_Up);
    EXPECT_EQ(viewer->currentTile(), 0);
    view.key(Qt::Key_Left);
    EXPECT_EQ(viewer->currentTile(), 0);
    view.key(Qt::Key_Right);
    view.key(Qt::Key_Up);
    EXPECT_EQ(viewer->currentTile(), 0) << "Up on the first row selects tile 0";
    view.key(Qt::Key_Down);
    EXPECT_EQ(viewer->currentTile(), perRow);
    for (int i = 0; i < 5; ++i)
        view.key(Qt::Key_Down);
    EXPECT_EQ(viewer->currentTile(), 9) << "Down on the last row selects the last tile";
    view.key(Qt::Key_Right);
    EXPECT_EQ(viewer->currentTile(), 9);
    EXPECT_EQ(view.active(), (QList<int> { 9 }));
    view.key(Qt::Key_Left);
    EXPECT_EQ(view.active(), (QList<int> { 8 }));
}

TEST(DuplicateViewer, KeysScrollTheSelectedTileIntoView)
{
    ReviewLibrary library;
    addGroup(library, 40);
    Viewer view(700, 420);
    ASSERT_TRUE(view.enter());
    DuplicateViewer *viewer = view.viewer;
    ASSERT_TRUE(viewer->verticalScrollBar()->isVisible());
    for (int i = 0; i < 12; ++i)
        view.key(Qt::Key_Down);
    EXPECT_EQ(viewer->currentTile(), 40);
    const uctrlPreview *last = viewer->tile(40);
    const int value = viewer->verticalScrollBar()->value();
    EXPECT_GE(last->y(), value);
    EXPECT_LE(last->y() + last->height(), value + viewer->viewPort()->height());
    EXPECT_EQ(viewer->tilePanel()->y(), -value);
    view.key(Qt::Key_Up);
    for (int i = 0; i < 12; ++i)
        view.key(Qt::Key_Up);
    EXPECT_EQ(viewer->verticalScrollBar()->value(), 0);
}

TEST(DuplicateViewer, StoredTileSizeDoesNotRebuildAndANewOneDoes)
{
    ReviewLibrary library;
    addGroup(library, 2);
    ASSERT_TRUE(SaveSystemSetting(QStringLiteral("ThumbSize"), 12));
    Viewer view;
    ASSERT_TRUE(view.enter());
    QSlider *size = view.viewer->sizeSlider();
    EXPECT_EQ(size->value(), 12);
    EXPECT_EQ(view.viewer->tile(1)->sizeTwips(), TileSizeTwips(12));
    size->setValue(12);
    EXPECT_FALSE(view.viewer->delayedActionPending());
    size->setValue(13);
    size->setValue(20);
    EXPECT_TRUE(view.viewer->delayedActionPending());
    EXPECT_EQ(GetSystemSetting(QStringLiteral("ThumbSize")).toInt(), 20);
    EXPECT_EQ(view.viewer->tile(1)->sizeTwips(), TileSizeTwips(12)) << "not before the delay";
    ASSERT_TRUE(view.settle());
    EXPECT_EQ(view.viewer->tile(0)->sizeTwips(), TileSizeTwips(20));
    EXPECT_EQ(view.viewer->tile(2)->sizeTwips(), TileSizeTwips(20));
    EXPECT_EQ(view.viewer->tile(2)->labelPoints(), 10);
}

TEST(DuplicateViewer, EnterViewsFullSizeAndEnterAgainReturns)
{
    ReviewLibrary library;
    addGroup(library, 2);
    Viewer view;
    ASSERT_TRUE(view.enter());
    view.key(Qt::Key_Right);
    view.key(Qt::Key_Return);
    ASSERT_TRUE(view.viewer->ViewMode());
    EXPECT_TRUE(view.viewer->fullView()->isVisible());
    EXPECT_EQ(view.viewer->fullView()->fullName(), view.viewer->tile(1)->FullPath());
    EXPECT_EQ(view.viewer->fullView()->picture().size(), QSize(60, 40))
        << "full size, not the thumbnail";
    view.key(Qt::Key_Right);
    EXPECT_EQ(view.viewer->currentTile(), 1) << "tiles do not move in view mode";
    view.key(Qt::Key_Return);
    EXPECT_FALSE(view.viewer->ViewMode());
    EXPECT_FALSE(view.viewer->fullView()->isVisible());

    // A double click views too; a click on the picture returns.
    uctrlPreview *tile = view.viewer->tile(2);
    QTest::mouseDClick(tile->childAt(tile->width() / 2, 10), Qt::LeftButton);
    ASSERT_TRUE(view.viewer->ViewMode());
    QTest::mouseClick(view.viewer->fullView(), Qt::LeftButton);
    EXPECT_FALSE(view.viewer->ViewMode());
}

TEST(DuplicateViewer, LoadedMemorySourceIsNeverLookedUp)
{
    ReviewLibrary library;
    const std::int32_t a = library.addImage(QStringLiteral("a.png"), 30, 30);
    const std::int32_t b = library.addImage(QStringLiteral("b.png"), 30, 30);
    Duplicates()->Add({ a, b }, -1, 4, QString());
    ASSERT_TRUE(DuplicateSave(*Duplicates()));
    ASSERT_EQ(DuplicateLoad(*Duplicates()), 1);
    int lookups = 0;
    Viewer view;
    view.viewer->setMemoryLookup([&lookups](int) -> std::optional<MemoryImageEntry> {
        ++lookups;
        return std::nullopt;
    });
    ASSERT_TRUE(view.enter());
    EXPECT_EQ(lookups, 0);
    EXPECT_TRUE(view.viewer->tile(0)->isHidden());
    EXPECT_EQ(view.viewer->tileCount(), 2);
    EXPECT_EQ(view.viewer->tile(1)->pos(), QPoint(0, 0));
}

TEST(DuplicateViewer, MemorySourceOfThisSessionIsShown)
{
    ReviewLibrary library;
    library.addImage(QStringLiteral("dropped.png"), 40, 30);
    const std::int32_t a = library.addImage(QStringLiteral("a.png"), 30, 30);
    Duplicates()->Add({ a }, -1, 0, QString());
    Viewer view;
    const QString directory = library.directory();
    view.viewer->setMemoryLookup([directory](int position) -> std::optional<MemoryImageEntry> {
        if (position != 0)
            return std::nullopt;
        return MemoryImageEntry { directory, QStringLiteral("dropped.png"), 100, 40, 30 };
    });
    ASSERT_TRUE(view.enter());
    EXPECT_TRUE(view.viewer->tile(0)->isVisible());
    EXPECT_EQ(view.viewer->tile(0)->ID(), -1);
    EXPECT_EQ(view.viewer->tile(0)->FileName(), QStringLiteral("dropped.png"));
    EXPECT_TRUE(view.viewer->tile(0)->hasPicture());
}

TEST(DuplicateViewer, LeavingTheTabFreesTheTiles)
{
    ReviewLibrary library;
    addGroup(library, 5);
    Viewer view;
    ASSERT_TRUE(view.enter());
    view.viewer->UnloadThumbs();
    EXPECT_EQ(view.viewer->tileCount(), 0);
    EXPECT_EQ(view.viewer->tile(1), nullptr);
    EXPECT_TRUE(view.viewer->tile(0)->isHidden());
}

TEST(DuplicateViewer, FileNameThatIsNotUtf8GetsItsTileWithAVisibleReplacement)
{
    ReviewLibrary library;
    const std::int32_t source = library.addImage(QStringLiteral("source.png"), 80, 60);
    // A latin-1 name from an old archive: written with its own bytes.
    const QString name = NameFromDisk("\xff\xfe.png");
    QImage picture(60, 40, QImage::Format_RGB32);
    picture.fill(QColor(10, 200, 30));
    QBuffer png;
    ASSERT_TRUE(png.open(QIODevice::WriteOnly));
    ASSERT_TRUE(picture.save(&png, "PNG"));
    const int fd = open(NameToDisk(library.directory() + QLatin1Char('/') + name).constData(),
        O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, png.data().constData(), size_t(png.data().size())), png.data().size());
    close(fd);
    const std::int32_t id = library.addRecordOnly(name, 60, 40);
    Duplicates()->Add({ id }, source, 0, QString());

    Viewer view;
    ASSERT_TRUE(view.enter());
    ASSERT_EQ(view.viewer->tileCount(), 1) << "the file was found";
    uctrlPreview *tile = view.viewer->tile(1);
    EXPECT_TRUE(tile->Exists());
    EXPECT_EQ(tile->fileNameText(), QStringLiteral("Filename: \uFFFD\uFFFD.png"));
    EXPECT_EQ(tile->fileInfoText(), QStringLiteral("Dim: 60 x 40     Size:  1234 bytes"));
    EXPECT_EQ(tile->FileName(), name) << "the tile keeps the stored name for its file work";
}
