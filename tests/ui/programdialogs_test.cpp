// The options dialog, the contact box and the help window, alone and from
// the real main window with every module installed, offscreen, on a real
// database: the settings they store, the language switch, F1 on every
// control that carries a help id, and the help pages of both languages.
#include "app/appobjects.h"
#include "app/modules.h"
#include "base/fileops.h"
#include "base/texts.h"
#include "db/settings.h"
#include "support/qtprinters.h"
#include "support/scriptedmessages.h"
#include "support/tempdatadir.h"
#include "ui/helpcontexts.h"
#include "ui/helpwindow.h"
#include "ui/mainwindow.h"
#include "ui/optionsdialog.h"
#include "ui/webinfodialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace vexa;
using vexa::test::ScriptedMessages;
using vexa::test::TempDataDir;

namespace {

class ProgramDialogsTest : public ::testing::Test {
protected:
    void SetUp() override { SetLangOffset(0); }
    void TearDown() override
    {
        if (HelpWindow *help = OpenHelpWindow())
            delete help;
        SetLangOffset(0);
    }

    TempDataDir m_data;
    ScriptedMessages m_messages;
};

QString PageText(const QString &resource)
{
    QFile file(resource);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The page and anchor a help url names exist: the page is a resource and
// holds <a name="anchor">.
::testing::AssertionResult Resolves(const QUrl &url)
{
    const QString page = PageText(QLatin1Char(':') + url.path());
    if (page.isEmpty())
        return ::testing::AssertionFailure() << "no page " << url.toString().toStdString();
    if (url.hasFragment() && !page.contains(QStringLiteral("name=\"%1\"").arg(url.fragment())))
        return ::testing::AssertionFailure() << "no anchor in " << url.toString().toStdString();
    return ::testing::AssertionSuccess();
}

// Runs action; the first modal dialog it opens is handed to inspect and
// closed.
void WithModal(const std::function<void()> &action, const std::function<void(QWidget *)> &inspect)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        seen = modal != nullptr;
        inspect(modal);
        if (modal)
            modal->close();
    });
    action();
    EXPECT_TRUE(seen) << "no modal dialog opened";
}

void PressF1(QWidget *target)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

}  // namespace

TEST_F(ProgramDialogsTest, OptionsDialogShowsTheStoredValuesWithoutTheRestartMessage)
{
    const struct {
        bool allowUndo;
        int offset;
        int item;
    } rows[] = { { true, 0, 0 }, { false, 0, 0 }, { true, 2000, 1 }, { false, 2000, 1 } };
    for (const auto &row : rows) {
        SaveSystemSetting(QStringLiteral("AllowUndo"), row.allowUndo);
        SaveSystemSetting(QStringLiteral("LangOffset"), row.offset);
        SetLangOffset(row.offset);
        m_messages.clear();
        OptionsDialog dialog;
        EXPECT_TRUE(dialog.isLoading());
        dialog.show();
        EXPECT_FALSE(dialog.isLoading()) << "cleared at the first activation";
        EXPECT_EQ(dialog.chkRecycleBin()->isChecked(), row.allowUndo) << row.offset;
        EXPECT_EQ(dialog.cboLanguage()->currentIndex(), row.item) << row.offset;
        EXPECT_EQ(dialog.cboLanguage()->currentData().toInt(), row.offset);
        EXPECT_EQ(m_messages.count(), 0) << "opening never asks for a restart";
        EXPECT_EQ(GetSystemSetting(QStringLiteral("LangOffset")).toInt(), row.offset);
        // Localised in the language of the moment.
        EXPECT_EQ(dialog.windowTitle(), Text(301));
        EXPECT_EQ(dialog.chkRecycleBin()->text(), Text(784));
        EXPECT_EQ(dialog.chkRecycleBin()->toolTip(), Text(1037));
        EXPECT_EQ(dialog.cmdOk()->text(), Text(950));
        EXPECT_EQ(dialog.findChild<QLabel *>(QStringLiteral("lblLanguage"))->text(), Text(785));
        dialog.cmdOk()->click();
        EXPECT_FALSE(dialog.isVisible()) << "Ok closes; there is no Cancel";
    }
}

TEST_F(ProgramDialogsTest, RecycleBinOnWorksAtOnceAndOffWaitsForTheNextStart)
{
    SaveSystemSetting(QStringLiteral("AllowUndo"), false);
    SetAllowUndoFlag(false);
    OptionsDialog dialog;
    dialog.show();
    QCheckBox *check = dialog.chkRecycleBin();
    ASSERT_FALSE(check->isChecked());

    check->click();
    EXPECT_TRUE(GetSystemSetting(QStringLiteral("AllowUndo")).toBool()) << "stored at once";
    EXPECT_TRUE(AllowUndoFlag()) << "the next deletion goes to the trash";
    check->click();
    EXPECT_FALSE(GetSystemSetting(QStringLiteral("AllowUndo")).toBool())
        << "twice: back where it was";
    EXPECT_TRUE(AllowUndoFlag()) << "switching off waits for the next start";

    // From on, toggled twice: on again, and the flag never dropped.
    check->click();
    check->click();
    EXPECT_FALSE(GetSystemSetting(QStringLiteral("AllowUndo")).toBool());
    check->click();
    EXPECT_TRUE(GetSystemSetting(QStringLiteral("AllowUndo")).toBool());
    EXPECT_EQ(m_messages.count(), 0);
}

TEST_F(ProgramDialogsTest, ChoosingALanguageStoresItSaysRestartAndLaterWindowsFollow)
{
    SaveSystemSetting(QStringLiteral("LangOffset"), 0);
    {
        OptionsDialog dialog;
        dialog.show();
        dialog.cboLanguage()->setCurrentIndex(1);
        EXPECT_EQ(LangOffset(), 2000);
        EXPECT_EQ(GetSystemSetting(QStringLiteral("LangOffset")).toInt(), 2000);
        ASSERT_EQ(m_messages.count(), 1);
        EXPECT_EQ(m_messages.last().text, RawText(2786));
        EXPECT_EQ(m_messages.last().title, RawText(2721));
        EXPECT_EQ(m_messages.last().icon, MsgIcon::Information);
        EXPECT_EQ(m_messages.last().buttons, MsgButtons::Ok);
        // This dialog keeps the texts it was loaded with.
        EXPECT_EQ(dialog.windowTitle(), RawText(301));
    }
    // A window loaded afterwards is Dutch, and so is the help.
    OptionsDialog dutch;
    EXPECT_EQ(dutch.windowTitle(), RawText(2301));
    EXPECT_EQ(dutch.cboLanguage()->currentIndex(), 1);
    HelpWindow *help = ShowHelp(0);
    EXPECT_EQ(help->source(), QUrl(QStringLiteral("qrc:/help/nl/index.html")));
    EXPECT_EQ(help->windowTitle(), RawText(3956));

    // And back to English.
    dutch.show();
    m_messages.clear();
    dutch.cboLanguage()->setCurrentIndex(0);
    EXPECT_EQ(GetSystemSetting(QStringLiteral("LangOffset")).toInt(), 0);
    ASSERT_EQ(m_messages.count(), 1);
    EXPECT_EQ(m_messages.last().text, RawText(786));
    EXPECT_EQ(ShowHelp(0)->source(), QUrl(QStringLiteral("qrc:/help/en/index.html")))
        << "the help window is made again in the new language";
}

TEST_F(ProgramDialogsTest, ContactBoxAddressesSayWhereToGo)
{
    for (const int offset : { 0, 2000 }) {
        SetLangOffset(offset);
        m_messages.clear();
        WebInfoDialog box;
        box.show();
        for (const auto &[name, id] :
            { std::pair { "lblWebInfo", 900 }, { "lblBugReport", 902 }, { "lblWebsite", 904 } })
            EXPECT_EQ(box.findChild<QLabel *>(QLatin1String(name))->text(), Text(id)) << name;
        EXPECT_EQ(box.findChild<QGroupBox *>(QStringLiteral("fraBugReport"))->title(), Text(901));
        EXPECT_EQ(box.findChild<QGroupBox *>(QStringLiteral("fraWebsite"))->title(), Text(903));
        EXPECT_TRUE(Text(702).contains(box.lblHomeAddress()->text()));
        EXPECT_TRUE(Text(704).contains(box.lblBugAddress()->text()));

        QTest::mouseClick(box.lblHomeAddress(), Qt::LeftButton);
        ASSERT_EQ(m_messages.count(), 1);
        EXPECT_EQ(m_messages.last().text, Text(702));
        EXPECT_EQ(m_messages.last().title, Text(703));
        EXPECT_EQ(m_messages.last().icon, MsgIcon::None);
        EXPECT_EQ(m_messages.last().buttons, MsgButtons::Ok);
        box.lblBugAddress()->setFocus();
        QTest::keyClick(box.lblBugAddress(), Qt::Key_Space);
        ASSERT_EQ(m_messages.count(), 2);
        EXPECT_EQ(m_messages.last().text, Text(704));
        EXPECT_EQ(m_messages.last().title, Text(705));
        box.cmdOk()->click();
        EXPECT_FALSE(box.isVisible());
    }
}

TEST_F(ProgramDialogsTest, HelpPagesOfBothLanguagesHoldEveryTopicAndLink)
{
    for (const int offset : { 0, 2000 }) {
        const QString folder = HelpFolder(offset);
        for (const char *page : HelpPages()) {
            const QString text = PageText(folder + QLatin1Char('/') + QLatin1String(page));
            ASSERT_FALSE(text.isEmpty()) << folder.toStdString() << "/" << page;
            EXPECT_FALSE(HelpPageTitle(folder + QLatin1Char('/') + QLatin1String(page)).isEmpty())
                << page;
            // Every link between the pages lands on a page and anchor.
            static const QRegularExpression link(QStringLiteral("href=\"([^\"]+)\""));
            for (auto it = link.globalMatch(text); it.hasNext();) {
                const QUrl target = QUrl(QStringLiteral("qrc") + folder + QLatin1Char('/'))
                                        .resolved(QUrl(it.next().captured(1)));
                EXPECT_TRUE(Resolves(target)) << "link in " << folder.toStdString() << "/" << page;
            }
            if (offset == 2000) {
                const QString english
                    = PageText(HelpFolder(0) + QLatin1Char('/') + QLatin1String(page));
                EXPECT_NE(text, english) << page << " is not translated";
                EXPECT_NE(HelpPageTitle(folder + QLatin1Char('/') + QLatin1String(page)),
                    HelpPageTitle(HelpFolder(0) + QLatin1Char('/') + QLatin1String(page)))
                    << page;
            }
        }
        for (const HelpTopic &topic : HelpTopics())
            EXPECT_TRUE(Resolves(HelpUrl(topic.id, offset))) << "topic " << topic.id;
        for (const ControlHelp &control : ControlHelpTable()) {
            const HelpTopic topic = HelpTopicOf(control.contextId);
            EXPECT_EQ(topic.id, control.contextId) << control.objectName << " has no topic";
        }
    }
    // An id without a topic opens the contents.
    EXPECT_EQ(HelpUrl(12345, 0), QUrl(QStringLiteral("qrc:/help/en/index.html")));
    EXPECT_EQ(HelpUrl(300, 2000), QUrl(QStringLiteral("qrc:/help/nl/narration.html#methods")));
}

TEST_F(ProgramDialogsTest, HelpWindowNavigatesBackForwardAndFindsInThePage)
{
    HelpWindow *help = ShowHelp(0);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->lstHelpContents()->count(), int(HelpPages().size()));
    EXPECT_EQ(help->lstHelpContents()->item(0)->text(),
        HelpPageTitle(QStringLiteral(":/help/en/index.html")));
    EXPECT_FALSE(help->cmdBack()->isEnabled());

    help->showTopic(301);
    EXPECT_EQ(help->source(), QUrl(QStringLiteral("qrc:/help/en/narration.html#tolerance")));
    EXPECT_EQ(help->lstHelpContents()->currentItem()->text(),
        HelpPageTitle(QStringLiteral(":/help/en/narration.html")));
    help->lstHelpContents()->setCurrentRow(4);
    emit help->lstHelpContents()->itemActivated(help->lstHelpContents()->item(4));
    EXPECT_EQ(help->source().fileName(), QStringLiteral("duplicates.html"));
    ASSERT_TRUE(help->cmdBack()->isEnabled());
    help->cmdBack()->click();
    EXPECT_EQ(help->source().fileName(), QStringLiteral("narration.html"));
    ASSERT_TRUE(help->cmdForward()->isEnabled());
    help->cmdForward()->click();
    EXPECT_EQ(help->source().fileName(), QStringLiteral("duplicates.html"));

    // Search: found twice in a row moves on; wraps round; absent text says so.
    EXPECT_TRUE(help->findInPage(QStringLiteral("tile")));
    const int first = help->txtHelp()->textCursor().position();
    EXPECT_TRUE(help->findInPage(QStringLiteral("tile")));
    EXPECT_GT(help->txtHelp()->textCursor().position(), first);
    EXPECT_TRUE(help->findInPage(QStringLiteral("tile"), true));
    EXPECT_FALSE(help->findInPage(QStringLiteral("no such words here")));
    EXPECT_FALSE(help->txtFind()->styleSheet().isEmpty()) << "the field shows it was not found";
    help->txtFind()->setText(QStringLiteral("Intelligent"));
    QTest::keyClick(help->txtFind(), Qt::Key_Return);
    EXPECT_TRUE(
        help->txtHelp()->textCursor().selectedText().contains(QStringLiteral("Intelligent")));
}

TEST_F(ProgramDialogsTest, MenusOpenTheDialogsAndF1LandsOnEveryControlsTopic)
{
    for (const int offset : { 0, 2000 }) {
        SetLangOffset(offset);
        CreateApplicationObjects();
        auto window = std::make_unique<MainWindow>();
        InstallModules(*window);
        window->setAboutHandler([] {});  // as the program's main does
        EXPECT_EQ(window->commandsWithoutHandler(), QStringList()) << "no dead command";
        window->resize(1000, 720);
        window->Load();
        window->show();
        QApplication::processEvents();

        // Program > Options, Help > Webpresence, Help > Contents.
        for (const char *name : { "mnuOptions", "mnuHelpContents", "mnuHelpWeb" })
            EXPECT_TRUE(window->action(QLatin1String(name))->isEnabled()) << name;
        WithModal([&] { window->action(QStringLiteral("mnuOptions"))->trigger(); },
            [](QWidget *modal) {
                ASSERT_NE(modal, nullptr);
                EXPECT_EQ(modal->objectName(), QStringLiteral("frmOptions"));
                // F1 in the dialog: the focused control's topic.
                auto *language = modal->findChild<QComboBox *>(QStringLiteral("cboLanguage"));
                language->setFocus();
                PressF1(language);
                ASSERT_NE(OpenHelpWindow(), nullptr);
                EXPECT_EQ(OpenHelpWindow()->source(), HelpUrl(705, LangOffset()));
                EXPECT_EQ(OpenHelpWindow()->windowModality(), Qt::ApplicationModal)
                    << "usable over the modal dialog";
                auto *check = modal->findChild<QCheckBox *>(QStringLiteral("chkRecycleBin"));
                check->setFocus();
                PressF1(check);
                EXPECT_EQ(OpenHelpWindow()->source(), HelpUrl(706, LangOffset()));
                OpenHelpWindow()->close();
            });
        WithModal([&] { window->action(QStringLiteral("mnuHelpWeb"))->trigger(); },
            [](QWidget *modal) {
                ASSERT_NE(modal, nullptr);
                EXPECT_EQ(modal->objectName(), QStringLiteral("frmWebInfo"));
            });
        window->action(QStringLiteral("mnuHelpContents"))->trigger();
        ASSERT_NE(OpenHelpWindow(), nullptr);
        EXPECT_EQ(OpenHelpWindow()->source(), HelpUrl(0, offset));
        EXPECT_EQ(OpenHelpWindow()->windowModality(), Qt::NonModal);

        // F1 on every control of the window that carries a help id, on its tab.
        auto *tabs = window->findChild<QTabBar *>(QStringLiteral("tabViewPort"));
        QStringList pressed;
        for (QWidget *control : window->findChildren<QWidget *>()) {
            const int id = OwnHelpContextId(control);
            if (id < 0)
                continue;
            EXPECT_TRUE(Resolves(HelpUrl(id, offset)))
                << control->objectName().toStdString() << " in " << offset;
            for (int tab = 0; tab < 5; ++tab) {
                if (window->tabPanel(tab)->isAncestorOf(control) && tabs->currentIndex() != tab)
                    window->SelectTab(tab);
            }
            if (!control->isVisible() || !control->isEnabled()
                || control->focusPolicy() == Qt::NoFocus)
                continue;
            // The help window took the activation with the last F1.
            QApplication::processEvents();
            QApplication::setActiveWindow(window.get());
            control->setFocus();
            if (QApplication::focusWidget() != control)
                continue;
            PressF1(control);
            ASSERT_NE(OpenHelpWindow(), nullptr);
            EXPECT_EQ(OpenHelpWindow()->source(), HelpUrl(HelpContextIdOf(control), offset))
                << control->objectName().toStdString();
            pressed << control->objectName();
        }
        for (const char *name :
            { "cboCollection", "cmdCollection0", "lstvDirectories", "sldTollerance", "optMethod0" })
            EXPECT_TRUE(pressed.contains(QLatin1String(name))) << name << " was not reached";
        // The method buttons carry the id their description gives them.
        auto *method = window->findChild<QWidget *>(QStringLiteral("optMethod1"));
        ASSERT_NE(method, nullptr);
        EXPECT_EQ(HelpContextIdOf(method), 300);
        // A control without an id of its own takes its tab's.
        window->SelectTab(MainWindow::TabDatabase);
        QApplication::setActiveWindow(window.get());
        tabs->setFocus();
        PressF1(tabs);
        EXPECT_EQ(OpenHelpWindow()->source(), HelpUrl(100, offset));

        OpenHelpWindow()->close();
        QApplication::processEvents();
        window.reset();
        ReleaseApplicationObjects();
    }
}
