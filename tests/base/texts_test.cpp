// The string table, the language choice and the caption walk over real
// widgets.
#include "base/captionwalk.h"
#include "base/errors.h"
#include "base/textids.h"
#include "base/texts.h"
#include "db/settings.h"
#include "support/scriptedmessages.h"
#include "support/tempdatadir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace vexa;

namespace {

std::map<int, QString> TableById()
{
    std::map<int, QString> rows;
    for (const StringTableEntry &row : StringTable())
        rows[row.id] = QString::fromUtf8(row.text);
    return rows;
}

// Sets the language for one test and restores English afterwards.
struct Language {
    explicit Language(int offset) { SetLangOffset(offset); }
    ~Language() { SetLangOffset(0); }
};

// "&" before a letter marks an access key; "&&" and "drag & drop" do not.
bool HasAccessKey(const QString &text)
{
    return QString(text)
        .remove(QStringLiteral("&&"))
        .contains(QRegularExpression(QStringLiteral("&\\S")));
}

// ---------------------------------------------------------------------------
// The table

TEST(StringTable, EveryEnglishTextHasItsDutchPartnerAndNothingElseIsThere)
{
    const auto rows = TableById();
    ASSERT_EQ(rows.size(), StringTable().size()) << "an id occurs twice";
    int english = 0;
    int dutch = 0;
    int previous = 0;
    for (const StringTableEntry &row : StringTable()) {
        EXPECT_LT(previous, row.id) << "table not sorted at id " << row.id;
        previous = row.id;
        EXPECT_FALSE(QString::fromUtf8(row.text).isEmpty()) << "id " << row.id;
        if (row.id < 2000) {
            // 1900..1999: texts added beside the system's own.
            const bool added = row.id >= 1900;
            english += added ? 0 : 1;
            EXPECT_TRUE(
                (row.id >= 101 && row.id <= 108) || (row.id >= 200 && row.id <= 1037) || added)
                << "English id out of range: " << row.id;
            EXPECT_TRUE(rows.count(row.id + 2000)) << "no Dutch partner for " << row.id;
        } else {
            dutch += row.id >= 3900 ? 0 : 1;
            EXPECT_TRUE(rows.count(row.id - 2000)) << "Dutch id without English: " << row.id;
        }
    }
    EXPECT_EQ(english, 235);
    EXPECT_EQ(dutch, 235);
}

TEST(StringTable, QuotedRowsAreExact)
{
    const struct {
        int id;
        const char *text;
    } rows[] = {
        { 101,
            "This narration setting uses the average RGB value of the entire image to match it up "
            "with the RGB value of another image. This method is very fast, but also very "
            "inaccurate especialy with grayscaled images." },
        { 108,
            "This is not a narration setting, but a quick check method detecting image files with "
            "the same size and image dimensions. In some cases this could be usefull, you can "
            "decide for yourself if it is." },
        { 200, "&Program" },
        { 213, "Start &Monitoring" },
        { 280, "PopupCtrl" },
        { 299, "-" },
        { 300, "VEXA II - Duplicate Image Finder" },
        { 405, "Filesize && dimensions" },
        { 450, "Files added to directory: " },
        { 508, "&Cancel gathering of imagedata" },
        { 614,
            "Use drag & drop for dropping files to the window next to this text to compare the "
            "information of these files to the image information stored in the database. The "
            "results will be shown immediately in the 'duplicates' view." },
        { 702, "Please use your webbrowser and surf to: https://vexa-ii.example.org." },
        { 704, "Please use your E-Mail client and sent it to: bugs@vexa-ii.example.org" },
        { 718, "Diretory Add" },
        { 726, " directories have been added to your collection." },
        { 752, " of " },
        { 759, " hours" },
        { 763, " h :" },
        { 765, " s" },
        { 766, "An error occured in module: " },
        { 767, "VEXA - Error" },
        { 768, "You are already running a copy of VEXA, duplicate instances are not allowed." },
        { 779,
            "Before this operation starts, we have to inform you that your current duplicate "
            "collection will be deleted. If you don't want this, select 'no' and save your "
            "duplicates before proceding." },
        { 786, "Please restart program, to enable all language components." },
        { 813, "Size:  " },
        { 902,
            "If you want to send us a bugreport state the version of VEXA, your OS and an "
            "extensive explainatoin of the problem and send it to:" },
        { 950, "&Ok" },
        { 1023, "Set priotiry to High." },
        { 1037, "Check this setting if you want to use the Recycle Bin on delete operations." },
        { 2200, "&Programma" },
        { 2211, "&Informatie verzamelen" },
        { 2212, "&Vergelijken starten" },
        { 2300, "VEXA II - Duplicate Image Finder" },
        { 2400, "Gemiddelde kleurwaarde" },
        { 2401, "Viervoudige kleurwaarde" },
        { 2402, "Bitpatroon" },
        { 2550, "Plaatjes Database" },
        { 2713, "U moet eerst de huidige bewerking beeindigen voordat u kunt afsluiten." },
        { 2766, "Er is een fout opgetreden in module:" },
        { 2767, "VEXA - Fout" },
        { 2950, "&Ok" },
        { 2951, "&Annuleer" },
    };
    for (const auto &row : rows)
        EXPECT_EQ(RawText(row.id), QString::fromUtf8(row.text)) << "id " << row.id;
}

TEST(StringTable, DutchRowsAreTranslatedAndKeepWhatTheirUseNeeds)
{
    // The only rows whose Dutch is the English text.
    const QList<int> same = { 204, 240, 250, 260, 299, 300, 764, 765, 950 };
    // Quoted without the trailing blank of its English partner.
    const QList<int> blankDiffers = { 766 };
    for (const StringTableEntry &row : StringTable()) {
        if (row.id >= 2000)
            continue;
        const QString en = QString::fromUtf8(row.text);
        const QString nl = RawText(row.id + 2000);
        if (same.contains(row.id))
            EXPECT_EQ(nl, en) << "id " << row.id;
        else
            EXPECT_NE(nl, en) << "Dutch row left in English: " << row.id + 2000;
        EXPECT_EQ(HasAccessKey(nl), HasAccessKey(en)) << "access key at " << row.id + 2000;
        EXPECT_EQ(nl.contains(QStringLiteral("&&")), en.contains(QStringLiteral("&&")))
            << "literal ampersand at " << row.id + 2000;
        if (blankDiffers.contains(row.id))
            continue;
        EXPECT_EQ(nl.startsWith(QLatin1Char(' ')), en.startsWith(QLatin1Char(' ')))
            << "leading blank at " << row.id + 2000;
        EXPECT_EQ(nl.endsWith(QLatin1Char(' ')), en.endsWith(QLatin1Char(' ')))
            << "trailing blank at " << row.id + 2000;
        EXPECT_EQ(nl.endsWith(QStringLiteral("  ")), en.endsWith(QStringLiteral("  ")))
            << "two trailing blanks at " << row.id + 2000;
    }
}

TEST(StringTable, AddressTextsNameTheAddressesInBothLanguages)
{
    for (int offset : { 0, 2000 }) {
        Language language(offset);
        EXPECT_TRUE(Text(702).endsWith(QLatin1String(kHomePageAddress) + QLatin1Char('.')))
            << Text(702).toStdString();
        EXPECT_TRUE(Text(704).endsWith(QLatin1String(kBugReportAddress)))
            << Text(704).toStdString();
        EXPECT_TRUE(Text(814).contains(QStringLiteral("https://www.sqlite.org/")))
            << Text(814).toStdString();
        EXPECT_TRUE(Text(814).contains(QStringLiteral("SQLite-bibliotheek"))
            || Text(814).contains(QStringLiteral("SQLite library")));
    }
    EXPECT_TRUE(RawText(814).startsWith(QStringLiteral("It is possible ")));
}

TEST(Texts, LookupFollowsTheLanguageOffset)
{
    EXPECT_EQ(Text(767), QStringLiteral("VEXA - Error"));
    {
        Language dutch(2000);
        EXPECT_EQ(Text(767), QStringLiteral("VEXA - Fout"));
        EXPECT_EQ(Text(951), QStringLiteral("&Annuleer"));
        EXPECT_EQ(FindText(813), std::optional<QString>(QStringLiteral("Grootte:  ")));
        EXPECT_FALSE(FindText(1038).has_value());
    }
    EXPECT_FALSE(FindText(104).has_value()) << "104 is not in the table";
    EXPECT_FALSE(FindText(0).has_value());
    EXPECT_TRUE(Text(104).isEmpty());
}

// ---------------------------------------------------------------------------
// Language initialisation

TEST(Language, LocaleIdsOfDutchAndOtherLocales)
{
    EXPECT_EQ(LocaleIdOf(QLocale(QStringLiteral("nl_NL"))), 1043);
    EXPECT_EQ(LocaleIdOf(QLocale(QStringLiteral("nl_BE"))), 2067);
    EXPECT_EQ(LocaleIdOf(QLocale(QStringLiteral("en_US"))), 1033);
    EXPECT_EQ(LocaleIdOf(QLocale(QStringLiteral("de_DE"))), 1031);
    EXPECT_EQ(OffsetForLocaleId(LocaleIdOf(QLocale(QStringLiteral("fr_BE")))), 0);
    EXPECT_EQ(OffsetForLocaleId(LocaleIdOf(QLocale::c())), 0);
}

TEST(Language, NewDatabaseTakesTheLocaleAndStoresTheOffset)
{
    const struct {
        int localeId;
        int offset;
    } rows[] = { { 1043, 2000 }, { 2067, 2000 }, { 1033, 0 }, { 1031, 0 }, { 2057, 0 } };
    for (const auto &row : rows) {
        test::TempDataDir data;
        test::ScriptedMessages messages;
        ASSERT_TRUE(GetSystemSetting(QStringLiteral("LangOffset")).isNull()) << "fresh database";
        SetLangOffset(1234);
        InitialiseLanguage(row.localeId);
        EXPECT_EQ(LangOffset(), row.offset) << "locale " << row.localeId;
        const QVariant stored = GetSystemSetting(QStringLiteral("LangOffset"));
        EXPECT_FALSE(stored.isNull()) << "locale " << row.localeId;
        EXPECT_EQ(stored.toInt(), row.offset) << "locale " << row.localeId;
        EXPECT_EQ(
            Text(767), row.offset ? QStringLiteral("VEXA - Fout") : QStringLiteral("VEXA - Error"));
        EXPECT_EQ(messages.count(), 0);
        SetLangOffset(0);
    }
}

TEST(Language, StoredOffsetWinsOverTheLocale)
{
    const struct {
        QVariant stored;
        int localeId;
        int offset;
    } rows[] = {
        { 2000, 1033, 2000 }, { 0, 1043, 0 }, { 0, 2067, 0 },
        { 1000, 1043, 0 },  // not a language: English, and the row is left alone
    };
    for (const auto &row : rows) {
        test::TempDataDir data;
        test::ScriptedMessages messages;
        ASSERT_TRUE(SaveSystemSetting(QStringLiteral("LangOffset"), row.stored));
        InitialiseLanguage(row.localeId);
        EXPECT_EQ(LangOffset(), row.offset) << "stored " << row.stored.toInt();
        EXPECT_EQ(GetSystemSetting(QStringLiteral("LangOffset")).toInt(), row.stored.toInt());
        EXPECT_EQ(messages.count(), 0);
        SetLangOffset(0);
    }
}

// ---------------------------------------------------------------------------
// The caption walk

// A main window with one control of each kind, designed with text ids.
struct DesignedWindow {
    QMainWindow window;
    QMenu *program = nullptr;
    QMenu *statistics = nullptr;
    QAction *statView = nullptr;
    QAction *separator = nullptr;
    QAction *dashEntry = nullptr;
    QAction *quit = nullptr;
    QMenu *popupList = nullptr;
    QAction *check = nullptr;
    QToolBar *toolBar = nullptr;
    QAction *stats = nullptr;
    QAction *noTip = nullptr;
    QTabWidget *tabs = nullptr;
    QLabel *label = nullptr;
    QLabel *untagged = nullptr;
    QLabel *unknownId = nullptr;
    QPushButton *button = nullptr;
    QCheckBox *checkBox = nullptr;
    QRadioButton *option = nullptr;
    QComboBox *combo = nullptr;
    QSlider *slider = nullptr;
    QScrollBar *scrollBar = nullptr;
    QGroupBox *frame = nullptr;
    QTreeWidget *list = nullptr;
    QLineEdit *textBox = nullptr;
    QWidget *ownControl = nullptr;
    QLabel *ownLabel = nullptr;

    DesignedWindow()
    {
        SetTextIds(&window, 300);
        window.setWindowTitle(QStringLiteral("frmVEXAII"));

        program = window.menuBar()->addMenu(QStringLiteral("200"));
        statistics = program->addMenu(QStringLiteral("201"));
        statView = statistics->addAction(QStringLiteral("202"));
        statistics->addAction(QStringLiteral("203"));
        separator = program->addSeparator();
        dashEntry = program->addAction(QStringLiteral("299"));
        quit = program->addAction(QStringLiteral("208"));
        popupList = new QMenu(QStringLiteral("250"), &window);
        check = popupList->addAction(QStringLiteral("253"));

        toolBar = window.addToolBar(QStringLiteral("tbAction"));
        stats = toolBar->addAction(QIcon(), QString());
        SetTextIds(stats, 0, 1017);
        noTip = toolBar->addAction(QIcon(), QString());

        auto *central = new QWidget;
        auto *layout = new QVBoxLayout(central);
        tabs = new QTabWidget;
        for (const char *name : { "tab database", "tab viewer", "tab plain" })
            tabs->addTab(new QWidget, QString::fromLatin1(name));
        SetTabTextIds(tabs, 0, 550, 1028);
        SetTabTextIds(tabs, 1, 551, 1029);
        SetTabTextIds(tabs, 2, 552, 0);  // no tool tip id: stays as designed
        layout->addWidget(tabs);

        label = Add<QLabel>(layout, QStringLiteral("lblCollection"), 600, 0);
        untagged = Add<QLabel>(layout, QStringLiteral("designed caption"), 0, 0);
        unknownId = Add<QLabel>(layout, QStringLiteral("unknown id"), 4444, 0);
        button = Add<QPushButton>(layout, QStringLiteral("cmdCollection"), 500, 1001);
        checkBox = Add<QCheckBox>(layout, QStringLiteral("chkRecycleBin"), 784, 1037);
        option = Add<QRadioButton>(layout, QStringLiteral("optMethod"), 405, 108);
        combo = new QComboBox;
        SetTextIds(combo, 600, 1006);
        layout->addWidget(combo);
        slider = new QSlider(Qt::Horizontal);
        SetTextIds(slider, 0, 1007);
        layout->addWidget(slider);
        scrollBar = new QScrollBar(Qt::Horizontal);
        SetTextIds(scrollBar, 0, 1010);
        layout->addWidget(scrollBar);
        frame = new QGroupBox(QStringLiteral("fraNarInfo"));
        SetTextIds(frame, 650, 1030);
        frame->setLayout(new QVBoxLayout);
        layout->addWidget(frame);
        list = new QTreeWidget;
        list->setHeaderLabels(
            { QStringLiteral("col 1"), QStringLiteral("col 2"), QStringLiteral("col 3") });
        SetTextIds(list, 0, 1000);
        SetHeaderTextIds(list, { 350, 351 });
        layout->addWidget(list);
        textBox = new QLineEdit(QStringLiteral("txtCollection"));
        SetTextIds(textBox, 600, 1006);
        layout->addWidget(textBox);
        ownControl = new QWidget;
        ownControl->setProperty(kOwnTextsProperty, true);
        ownLabel = new QLabel(QStringLiteral("own label"), ownControl);
        SetTextIds(ownLabel, 600);
        layout->addWidget(ownControl);
        window.setCentralWidget(central);
        SetTextIds(window.statusBar(), 600, 1006);
        window.statusBar()->showMessage(QStringLiteral("status"));
    }

    template<typename T>
    T *Add(QVBoxLayout *layout, const QString &caption, int captionId, int toolTipId)
    {
        auto *control = new T(caption);
        SetTextIds(control, captionId, toolTipId);
        layout->addWidget(control);
        return control;
    }
};

class CaptionWalk : public ::testing::TestWithParam<int> { };

TEST_P(CaptionWalk, LocalisesEachControlTypeByItsRule)
{
    Language language(GetParam());
    DesignedWindow d;
    d.window.show();
    ASSERT_NO_THROW(LocaliseWindow(&d.window));
    if (GetParam() == 2000) {
        EXPECT_EQ(d.program->title(), QStringLiteral("&Programma"));
        EXPECT_EQ(d.tabs->tabText(0), QStringLiteral("Plaatjes Database"));
        EXPECT_EQ(d.option->text(), RawText(2405));
        EXPECT_EQ(d.window.windowTitle(), QStringLiteral("VEXA II - Duplicate Image Finder"));
    }
    // A second walk (after a language change, say) finds no ids left in the
    // captions it replaced and must leave them as they are.
    ASSERT_NO_THROW(LocaliseWindow(&d.window));

    EXPECT_EQ(d.window.windowTitle(), Text(300));
    EXPECT_EQ(d.program->title(), Text(200));
    EXPECT_EQ(d.statistics->title(), Text(201));
    EXPECT_EQ(d.statView->text(), Text(202));
    EXPECT_TRUE(d.separator->isSeparator());
    EXPECT_TRUE(d.dashEntry->isSeparator()) << "an entry with the caption \"-\" is a separator";
    EXPECT_EQ(d.quit->text(), Text(208));
    EXPECT_EQ(d.popupList->title(), Text(250)) << "pop-up menus of the window are walked too";
    EXPECT_EQ(d.check->text(), Text(253));

    EXPECT_EQ(d.stats->toolTip(), Text(1017));
    EXPECT_TRUE(d.noTip->toolTip().isEmpty()) << "a button without a tool tip id keeps none";

    EXPECT_EQ(d.tabs->tabText(0), Text(550));
    EXPECT_EQ(d.tabs->tabToolTip(0), Text(1028));
    EXPECT_EQ(d.tabs->tabText(1), Text(551));
    EXPECT_EQ(d.tabs->tabToolTip(1), Text(1029));
    EXPECT_EQ(d.tabs->tabText(2), QStringLiteral("tab plain")) << "no tool tip id, not localised";
    EXPECT_TRUE(d.tabs->tabToolTip(2).isEmpty());

    EXPECT_EQ(d.label->text(), Text(600));
    EXPECT_EQ(d.untagged->text(), QStringLiteral("designed caption"));
    EXPECT_EQ(d.unknownId->text(), QStringLiteral("unknown id")) << "a missing text is skipped";
    EXPECT_EQ(d.button->text(), Text(500));
    EXPECT_EQ(d.button->toolTip(), Text(1001));
    EXPECT_EQ(d.checkBox->text(), Text(784));
    EXPECT_EQ(d.checkBox->toolTip(), Text(1037));
    EXPECT_EQ(d.option->text(), Text(405));
    EXPECT_TRUE(d.option->toolTip().isEmpty()) << "option buttons take their caption only";
    EXPECT_EQ(d.combo->toolTip(), Text(1006));
    EXPECT_EQ(d.combo->currentText(), QString());
    EXPECT_EQ(d.slider->toolTip(), Text(1007));
    EXPECT_EQ(d.scrollBar->toolTip(), Text(1010));
    EXPECT_EQ(d.frame->title(), Text(650));
    EXPECT_TRUE(d.frame->toolTip().isEmpty()) << "frames take their caption only";
    EXPECT_EQ(d.list->toolTip(), Text(1000));
    EXPECT_EQ(d.list->headerItem()->text(0), Text(350));
    EXPECT_EQ(d.list->headerItem()->text(1), Text(351));
    EXPECT_EQ(d.list->headerItem()->text(2), QStringLiteral("col 3"));

    EXPECT_EQ(d.textBox->text(), QStringLiteral("txtCollection")) << "text boxes are left alone";
    EXPECT_TRUE(d.textBox->toolTip().isEmpty());
    EXPECT_TRUE(d.window.statusBar()->toolTip().isEmpty()) << "the status bar is left alone";
    EXPECT_EQ(d.ownLabel->text(), QStringLiteral("own label"))
        << "a control that localises itself is not walked into";
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, CaptionWalk, ::testing::Values(0, 2000),
    [](const auto &info) { return info.param ? "Dutch" : "English"; });

TEST(CaptionWalkFailure, MissingTextInAStrictStepEndsTheWalk)
{
    const struct {
        const char *name;
        std::function<void(QMainWindow &)> spoil;
    } rows[] = {
        { "window title", [](QMainWindow &w) { SetTextIds(&w, 9999); } },
        { "menu caption not a number",
            [](QMainWindow &w) { w.menuBar()->addMenu(QStringLiteral("&File")); } },
        { "menu id without text",
            [](QMainWindow &w) {
                w.menuBar()->addMenu(QStringLiteral("200"))->addAction(QStringLiteral("9999"));
            } },
        { "toolbar tool tip",
            [](QMainWindow &w) {
                SetTextIds(w.addToolBar(QString())->addAction(QString()), 0, 9999);
            } },
        { "tab tool tip",
            [](QMainWindow &w) {
                auto *tabs = new QTabWidget(w.centralWidget());
                tabs->addTab(new QWidget, QStringLiteral("x"));
                SetTabTextIds(tabs, 0, 550, 9999);
            } },
        { "tab with tool tip but no caption id",
            [](QMainWindow &w) {
                auto *tabs = new QTabWidget(w.centralWidget());
                tabs->addTab(new QWidget, QStringLiteral("x"));
                SetTabTextIds(tabs, 0, 0, 1028);
            } },
        { "column header",
            [](QMainWindow &w) {
                auto *list = new QTreeWidget(w.centralWidget());
                list->setColumnCount(2);
                SetHeaderTextIds(list, { 350, 9999 });
            } },
    };
    for (const auto &row : rows) {
        QMainWindow window;
        window.setCentralWidget(new QWidget);
        row.spoil(window);
        try {
            LocaliseWindow(&window);
            ADD_FAILURE() << row.name << ": the walk went on";
        } catch (const VexaError &e) {
            EXPECT_EQ(e.number(), ErrResourceNotFound) << row.name;
            EXPECT_TRUE(e.description().startsWith(QStringLiteral("Resource with identifier")))
                << row.name;
        }
    }
}

TEST(CaptionWalkFailure, FailureReachesTheCallersErrorReport)
{
    test::ScriptedMessages messages;
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("9999"));
    try {
        LocaliseWindow(&window);
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("frmVEXA"), QStringLiteral("Form_Load"));
    }
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().text,
        QStringLiteral("An error occured in module: frmVEXA - Form_Load\r\r326 - Resource "
                       "with identifier '9999' not found"));
    EXPECT_EQ(messages.last().title, QStringLiteral("VEXA - Error"));
}

// ---------------------------------------------------------------------------
// The tile's menu rule

// Both languages through the real tile: TileMenu in tests/review.
TEST(TileMenus, EveryMenuEntryWithACaptionIsLocalised)
{
    QWidget tile;
    tile.setProperty(kOwnTextsProperty, true);
    auto *name = new QLabel(QStringLiteral("lblFileName"), &tile);
    SetTextIds(name, 810);
    auto *menu = new QMenu(QStringLiteral("280"), &tile);
    QAction *view = menu->addAction(QStringLiteral("281"));
    QAction *separator = menu->addAction(QStringLiteral("299"));
    QAction *rename = menu->addAction(QStringLiteral("282"));
    QAction *remove = menu->addAction(QStringLiteral("283"));
    QAction *blank = menu->addAction(QString());

    ASSERT_NO_THROW(LocaliseMenus(&tile));
    EXPECT_EQ(menu->title(), Text(280));
    EXPECT_EQ(view->text(), Text(281));
    EXPECT_TRUE(separator->isSeparator());
    EXPECT_EQ(rename->text(), Text(282));
    EXPECT_EQ(remove->text(), Text(283));
    EXPECT_TRUE(blank->text().isEmpty());
    EXPECT_EQ(name->text(), QStringLiteral("lblFileName")) << "only menus follow this rule";

    // The window around the tile leaves the tile's texts alone.
    QMainWindow window;
    tile.setParent(&window);
    ASSERT_NO_THROW(LocaliseWindow(&window));
    EXPECT_EQ(name->text(), QStringLiteral("lblFileName"));
    tile.setParent(nullptr);
}

TEST(TileMenus, UnknownIdIsReportedNotShown)
{
    QWidget tile;
    auto *menu = new QMenu(QStringLiteral("280"), &tile);
    menu->addAction(QStringLiteral("Rename"));
    EXPECT_THROW(LocaliseMenus(&tile), VexaError);
}

}  // namespace
