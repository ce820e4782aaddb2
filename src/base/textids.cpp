#include "base/textids.h"

#include <QObject>

namespace vexa {

namespace {

void SetId(QObject *object, const char *property, int id)
{
    object->setProperty(property, id != 0 ? QVariant(id) : QVariant());
}

// The number a designer's id text starts with, as Basic's Val reads it.
int LeadingNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    qsizetype end = 0;
    if (end < trimmed.size()
        && (trimmed[end] == QLatin1Char('-') || trimmed[end] == QLatin1Char('+')))
        ++end;
    while (end < trimmed.size() && trimmed[end].isDigit() && trimmed[end].unicode() < 128)
        ++end;
    bool ok = false;
    const int value = trimmed.left(end).toInt(&ok);
    return ok ? value : 0;
}

}  // namespace

void SetTextIds(QObject *object, int captionId, int toolTipId)
{
    SetId(object, kTagProperty, captionId);
    SetId(object, kToolTipProperty, toolTipId);
}

void SetHeaderTextIds(QObject *view, const QList<int> &columnIds)
{
    QVariantList ids;
    for (int id : columnIds)
        ids.append(id != 0 ? QVariant(id) : QVariant());
    view->setProperty(kHeaderTagsProperty, ids.isEmpty() ? QVariant() : QVariant(ids));
}

std::optional<int> TextIdValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text.trimmed().isEmpty())
            return std::nullopt;
        return LeadingNumber(text);
    }
    bool ok = false;
    const int id = value.toInt(&ok);
    return ok ? id : 0;
}

}  // namespace vexa
