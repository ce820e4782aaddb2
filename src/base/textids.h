#pragma once

#include <QList>
#include <QVariant>

#include <optional>

class QObject;

namespace vexa {

// Windows are built with text ids in place of texts; the caption walk
// (captionwalk.h) replaces the ids by the texts of the current language when
// the window loads. The ids travel as dynamic properties, so any QObject can
// carry them without a subclass.

// The caption id of a control or window (the window title id for a window).
inline constexpr char kTagProperty[] = "vexaTag";
// The tool tip id of a control or of a toolbar action.
inline constexpr char kToolTipProperty[] = "vexaToolTipId";
// The caption ids of a list view's column headers, a QVariantList by column.
inline constexpr char kHeaderTagsProperty[] = "vexaHeaderTags";
// Set (true) on a control that localises its own children, such as the
// thumbnail tile: the caption walk of the window around it leaves it alone.
inline constexpr char kOwnTextsProperty[] = "vexaOwnTexts";

// Gives an object its caption id and tool tip id; 0 leaves that id empty
// (and removes one set before).
void SetTextIds(QObject *object, int captionId, int toolTipId = 0);

// Gives a list view the caption ids of its column headers, first column
// first; 0 leaves that header as it is.
void SetHeaderTextIds(QObject *view, const QList<int> &columnIds);

// The id an id-carrying value holds: nothing when it is empty (an invalid
// value or a blank text), otherwise its leading number as a text id ("12abc"
// gives 12, a text without digits 0, which no table row has).
std::optional<int> TextIdValue(const QVariant &value);

}  // namespace vexa
