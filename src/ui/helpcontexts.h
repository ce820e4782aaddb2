#pragma once

#include <QString>
#include <QUrl>

#include <span>

class QWidget;

namespace vexa {

// Help context ids: a number per topic of the help pages, as controls carry
// them. 0 is the contents page. A control gets its id from the dynamic
// property below or, when it has none, from the table of object names in
// helpcontexts.cpp; a control without either takes its parent's.
inline constexpr char kHelpContextProperty[] = "vexaHelpContextId";

struct HelpTopic {
    int id;
    const char *page;  // file name under the language's folder, e.g. "narration.html"
    const char *anchor;  // "" for the top of the page
};

// Every topic, by id.
std::span<const HelpTopic> HelpTopics();
// The topic of an id; the contents page for an id without a topic.
HelpTopic HelpTopicOf(int contextId);

struct ControlHelp {
    const char *objectName;
    int contextId;
};
// Object names of the window's and dialogs' controls and their topics.
std::span<const ControlHelp> ControlHelpTable();

// The control's own id (property or object name), or -1 when it has none.
int OwnHelpContextId(const QWidget *control);
// The id F1 opens for a control: its own, else its nearest parent's, else 0.
// The tab strip gives the topic of its current tab.
int HelpContextIdOf(const QWidget *control);

// The pages in the contents list, in order (index.html first).
std::span<const char *const> HelpPages();
// ":/help/en" or ":/help/nl" for a language offset.
QString HelpFolder(int langOffset);
// qrc:/help/<lang>/<page>#<anchor> of a context id.
QUrl HelpUrl(int contextId, int langOffset);

}  // namespace vexa
