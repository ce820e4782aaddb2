#include "ui/helpcontexts.h"

#include <QTabBar>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <iterator>

namespace vexa {

namespace {

// Ids by page: 0 contents, 1xx collections, 2xx gathering, 3xx narration
// (300 is what the method buttons carry), 4xx duplicates, 5xx the image
// viewer, 6xx monitor and instant check, 7xx program menus and options,
// 8xx where the data lives, 9xx messages, 10xx the command line.
constexpr HelpTopic kTopics[] = {
    { 0, "index.html", "" },
    { 100, "collections.html", "" },
    { 101, "collections.html", "collection" },
    { 102, "collections.html", "directories" },
    { 103, "collections.html", "ticking" },
    { 200, "gathering.html", "" },
    { 201, "gathering.html", "progress" },
    { 202, "gathering.html", "log" },
    { 300, "narration.html", "methods" },
    { 301, "narration.html", "tolerance" },
    { 302, "narration.html", "quality" },
    { 303, "narration.html", "progress" },
    { 304, "narration.html", "" },
    { 305, "narration.html", "rotations" },
    { 400, "duplicates.html", "" },
    { 401, "duplicates.html", "groups" },
    { 402, "duplicates.html", "tiles" },
    { 403, "duplicates.html", "delete" },
    { 404, "duplicates.html", "autodelete" },
    { 405, "duplicates.html", "save" },
    { 406, "duplicates.html", "notduplicate" },
    { 407, "duplicates.html", "keepbest" },
    { 408, "duplicates.html", "overview" },
    { 500, "viewer.html", "" },
    { 501, "viewer.html", "browse" },
    { 502, "viewer.html", "files" },
    { 503, "viewer.html", "view" },
    { 600, "monitor.html", "" },
    { 601, "monitor.html", "monitor" },
    { 602, "monitor.html", "instant" },
    { 603, "monitor.html", "tray" },
    { 700, "program.html", "" },
    { 701, "program.html", "statistics" },
    { 702, "program.html", "compact" },
    { 703, "program.html", "priority" },
    { 704, "program.html", "options" },
    { 705, "program.html", "language" },
    { 706, "program.html", "recyclebin" },
    { 707, "program.html", "keepbest" },
    { 800, "data.html", "" },
    { 900, "messages.html", "" },
    { 1000, "commandline.html", "" },
    { 1001, "commandline.html", "check" },
};

constexpr const char *kPages[] = { "index.html", "collections.html", "gathering.html",
    "narration.html", "duplicates.html", "viewer.html", "monitor.html", "program.html", "data.html",
    "messages.html", "commandline.html" };

// The tabs of tabViewPort in order, and their panels.
constexpr int kTabTopics[] = { 100, 500, 304, 400, 600 };

constexpr ControlHelp kControls[] = {
    // The window and its tabs
    { "picTabWindow0", 100 },
    { "picTabWindow1", 500 },
    { "picTabWindow2", 304 },
    { "picTabWindow3", 400 },
    { "picTabWindow4", 600 },
    { "tbAction", 700 },
    // Image database tab
    { "cboCollection", 101 },
    { "txtCollection", 101 },
    { "cmdCollection0", 101 },
    { "cmdCollection1", 101 },
    { "cmdDirectory0", 102 },
    { "cmdDirectory1", 102 },
    { "cmdDirectory2", 102 },
    { "lstvDirectories", 103 },
    // Gathering and narration panels
    { "fraInfo1", 201 },
    { "cmdCancel0", 201 },
    { "fraInfo2", 303 },
    { "cmdCancel1", 303 },
    // Narration settings tab
    { "fraNSMethod", 300 },
    { "fraNSTollerance", 301 },
    { "sldTollerance", 301 },
    { "lblTollerance", 301 },
    { "fraNSInfo", 302 },
    { "lblNarInfo", 302 },
    { "chkRotations", 305 },
    // Duplicates tab
    { "HScrDup", 401 },
    { "cmdDupPrev", 401 },
    { "cmdDupNext", 401 },
    { "lblDupCurrent", 401 },
    { "lblDupCount", 401 },
    { "sldThumbSize", 402 },
    { "picContainer", 402 },
    { "picViewPort", 402 },
    { "picDupViewer", 402 },
    { "vScrDupViewer", 402 },
    { "picFullView", 402 },
    { "cmdBinaryCompare", 404 },
    { "cmdKeepBest", 407 },
    { "cmdKeepBestAll", 407 },
    { "cmdOverview", 408 },
    { "picOverview", 408 },
    // Image viewer tab and its navigation panel
    { "Drive", 501 },
    { "Path", 501 },
    { "fraIVDir", 501 },
    { "uctrlFile", 502 },
    { "fraIVFiles", 502 },
    { "uctrlFileInfo", 502 },
    { "imgPreview", 503 },
    { "lblFullViewInfo", 503 },
    { "fraInfo0", 503 },
    { "cmdView", 503 },
    { "cmdPrevious", 503 },
    { "cmdNext", 503 },
    // Monitor tab
    { "fraMonitor", 601 },
    { "lblMonExplain", 601 },
    { "txtDirMonitor", 601 },
    { "cmdBrowseMonitor", 601 },
    { "cmdStartMonitor", 601 },
    { "lblMonDir", 601 },
    { "lstFilesMonitor", 601 },
    { "cmdStopMonitor", 603 },
    { "fraInstant", 602 },
    { "imgInstant", 602 },
    { "lblInstantInfo", 602 },
    // Options dialog
    { "frmOptions", 704 },
    { "chkRecycleBin", 706 },
    { "cboLanguage", 705 },
    { "txtKeepRule", 707 },
    { "txtKeepPreferred", 707 },
    { "lblLanguage", 705 },
};

}  // namespace

std::span<const HelpTopic> HelpTopics()
{
    return kTopics;
}

HelpTopic HelpTopicOf(int contextId)
{
    const auto found = std::find_if(std::begin(kTopics), std::end(kTopics),
        [contextId](const HelpTopic &topic) { return topic.id == contextId; });
    return found != std::end(kTopics) ? *found : kTopics[0];
}

std::span<const ControlHelp> ControlHelpTable()
{
    return kControls;
}

std::span<const char *const> HelpPages()
{
    return kPages;
}

int OwnHelpContextId(const QWidget *control)
{
    if (!control)
        return -1;
    bool ok = false;
    const int id = control->property(kHelpContextProperty).toInt(&ok);
    if (ok)
        return id;
    if (const auto *tabs = qobject_cast<const QTabBar *>(control);
        tabs && control->objectName() == QLatin1String("tabViewPort")) {
        const int tab = tabs->currentIndex();
        return tab >= 0 && tab < int(std::size(kTabTopics)) ? kTabTopics[tab] : 0;
    }
    const QString name = control->objectName();
    if (name.isEmpty())
        return -1;
    for (const ControlHelp &entry : kControls) {
        if (name == QLatin1String(entry.objectName))
            return entry.contextId;
    }
    return -1;
}

int HelpContextIdOf(const QWidget *control)
{
    for (const QWidget *widget = control; widget; widget = widget->parentWidget()) {
        const int id = OwnHelpContextId(widget);
        if (id >= 0)
            return id;
    }
    return 0;
}

QString HelpFolder(int langOffset)
{
    return langOffset == 2000 ? QStringLiteral(":/help/nl") : QStringLiteral(":/help/en");
}

QUrl HelpUrl(int contextId, int langOffset)
{
    const HelpTopic topic = HelpTopicOf(contextId);
    QUrl url(QStringLiteral("qrc") + HelpFolder(langOffset) + QLatin1Char('/')
        + QLatin1String(topic.page));
    if (*topic.anchor)
        url.setFragment(QLatin1String(topic.anchor));
    return url;
}

}  // namespace vexa
